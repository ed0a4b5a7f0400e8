#pragma once
// One row of the Servers window: a server, its last known values, where they came from,
// and the texts of its cells.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "browse/server_answer.h"

namespace vantorel::browse {

enum class Column { kServer, kPlayers, kMap, kPing, kGameType, kVersion, kPassword, kAddress };
inline constexpr int kColumnCount = 8;

// The header captions, in the columns' order.
inline constexpr std::array<std::string_view, kColumnCount> kColumnCaptions{
    "Server", "Players", "Map", "Ping", "Game type", "Version", "Password", "Address"};

struct ServerRow {
    // What the current refresh has heard from the server itself.
    enum class State { kWaiting, kAnswered, kNoAnswer };

    ServerKey key;
    ServerAnswer values;  // its answer, or what a master or the kept list said of it
    State state = State::kWaiting;
    std::string failure;   // why no answer came
    std::string favorite;  // the favourite's name; empty for a server that is none
    bool listed = false;   // a master listed it, in this refresh or (kept) before
    // Bookkeeping of the current refresh.
    bool listedNow = false;
    bool askedNow = false;
    // When the row joined the list: the last tie-break of every sort, so that sorts are stable.
    std::uint32_t order = 0;

    // Derived from the above by Derive(), for sorting and searching without folding case
    // on every comparison.
    std::string foldedTitle;
    std::string foldedMap;
    std::string foldedGameType;
    std::string foldedVersion;
    std::string haystack;  // everything the search box matches, case folded
    std::optional<std::uint32_t> ip;

    void Derive();
    // What the Server column shows: the title, else the favourite's name, else the address.
    std::string Name() const;
    // Where the game joins it ("IP:gameport"); empty while the game port is not known.
    std::string JoinAddress() const;
    std::string Cell(Column column) const;
};

// A strict dotted IPv4 address ("10.0.0.1"), first octet in the high byte.
std::optional<std::uint32_t> DottedAddress(std::string_view text);

}  // namespace vantorel::browse
