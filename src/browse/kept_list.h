#pragma once
// The last good list, kept in a file beside the favourites so that the Servers window
// shows servers the moment it opens, and has servers to ask when every master is down.
// One server a line with the values last known of it, as tab-separated UTF-8 text:
//
//     Vantorel servers 1
//     saved<TAB>14.08.2004  20:33:28
//     10.0.0.1:23000<TAB>15567<TAB>12<TAB>32<TAB>2<TAB>0<TAB>Title<TAB>Map<TAB>Game type<TAB>Version
//
// (address and query port, game port, players, maximum, reserved slots, password 1 or 0,
// then the texts; an unknown value is empty). The file is read as hostile: its size and
// its number of servers are bounded, and a line that is not exactly such a line is skipped.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "browse/server_answer.h"

namespace vantorel::browse {

// Named for this program, since it sits among the game's own files.
inline constexpr const char* kKeptListName = "VantorelServers.txt";
inline constexpr std::size_t kMostKeptBytes = 8u << 20;
inline constexpr std::size_t kMostKeptServers = 65536;

struct KeptServer {
    ServerKey key;
    ServerAnswer values;
};

struct KeptList {
    std::string saved;  // when, as the system writes a date and a time
    std::vector<KeptServer> servers;
    std::size_t skipped = 0;  // lines that were not a server's
    std::string problem;      // why nothing could be read; empty for a missing file
};

std::string KeptListText(const std::string& saved, const std::vector<KeptServer>& servers);
KeptList ParseKeptList(std::string_view text);

// Through the platform's files service; the write replaces the file atomically.
KeptList ReadKeptList(const std::string& path);
std::string WriteKeptList(const std::string& path, const std::string& text);  // why it failed, or empty

}  // namespace vantorel::browse
