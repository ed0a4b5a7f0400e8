#pragma once
// The servers a sample master lists, from the command line or a file: "IP", "IP:PORT" or
// "IP:FIRST-LAST" (a range of ports, as the sample server's --ports gives them).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browse/master_list.h"

namespace vantorel::sampleMaster {

inline constexpr std::uint16_t kDefaultQueryPort = 23000;
// More than any master lists for this game, and what a master may send before a client
// calls its list malformed.
inline constexpr std::size_t kMostServers = browse::ListLimits::kMostServers;

// A dotted IPv4 address, first octet in the high byte.
std::optional<std::uint32_t> ParseIpv4(std::string_view text);

// Adds the servers one item names to `servers`; false with the reason for a bad item or
// a list past kMostServers.
bool AddServers(std::string_view item, std::vector<browse::ServerAddress>& servers, std::string* why);

// Adds the servers of a file: one item a line; blank lines and lines starting with '#'
// are skipped.
bool AddServersFromText(std::string_view text, std::vector<browse::ServerAddress>& servers, std::string* why);

}  // namespace vantorel::sampleMaster
