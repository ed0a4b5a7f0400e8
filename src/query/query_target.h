#pragma once
// A server to ask, as the user named it: a host (dotted address or name) and a query port.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel {

inline constexpr int kDefaultQueryPort = 23000;

struct QueryTarget {
    std::string host;
    int port = kDefaultQueryPort;
    std::string Label() const { return host + ":" + std::to_string(port); }
};

// The dotted form a.b.c.d in network byte order, strictly; anything else is a name to look up.
std::optional<std::uint32_t> DottedAddress(std::string_view text);

// An address in network byte order in the dotted form.
std::string AddressText(std::uint32_t address);

}  // namespace vantorel
