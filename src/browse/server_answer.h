#pragma once
// What the Servers window knows of one server: the values of its last answer, or the
// values a master listed with it. Small and the window's own, so that whatever engine asks
// the servers needs only a few lines to fill it.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantorel::browse {

// The host (a dotted IPv4 address, or a name from a favourite) and the query port: the
// servers' identity in the list.
struct ServerKey {
    std::string host;
    std::uint16_t port = 0;
    auto operator<=>(const ServerKey&) const = default;
    std::string Text() const { return host + ":" + std::to_string(port); }
};

struct ServerAnswer {
    // UTF-8, control characters shown as "?", at most kLongestText characters each.
    std::string title;
    std::string map;
    std::string gameType;
    std::string version;
    std::optional<int> players;
    std::optional<int> maxPlayers;
    int reserved = 0;
    std::optional<bool> password;
    std::optional<int> pingMs;
    std::uint16_t gamePort = 0;  // 0 while it is not known
    std::vector<std::string> playerNames;

    static constexpr std::size_t kLongestText = 255;
    static constexpr std::size_t kMostPlayerNames = 256;

    // No public slot is free. Unknown counts are not full.
    bool Full() const;
};

// A text from a server or a file made fit for the list: valid UTF-8 (a stray byte read as
// the servers' code page does), control characters as "?", cut to kLongestText characters.
std::string ListText(std::string_view text);

// The answer with every text made a ListText and at most kMostPlayerNames players, whoever
// filled it.
ServerAnswer Bounded(ServerAnswer answer);

// The values that the status reply's keys (and a newer master's fields) carry: hostname,
// mapname, gametype, gamever, numplayers, maxplayers, reservedslots, password, hostport.
// Texts are UTF-8. A count that is not a number, or a port out of range, stays unknown.
ServerAnswer AnswerFromFields(std::span<const std::pair<std::string, std::string>> fields);

}  // namespace vantorel::browse
