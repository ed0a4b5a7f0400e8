#pragma once
// The servers to ask: "HOST", "HOST:PORT" or "HOST:FIRST-LAST", given on the command line or
// one a line in a file.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel::bfvQuery {

inline constexpr int kDefaultQueryPort = 23000;

struct Target {
    std::string host;
    int port = kDefaultQueryPort;
    std::string Label() const { return host + ":" + std::to_string(port); }
};

// The dotted form a.b.c.d in network byte order, strictly; anything else is a name to look up.
std::optional<std::uint32_t> DottedAddress(std::string_view text);

// Appends the servers that `text` names (a port range names one per port); false with the
// reason when it names none.
bool ParseTargets(const std::string& text, std::vector<Target>* targets, std::string* error);

// One server (or range) a line; text from "#" on and blank lines are ignored. `name` is
// what the error says the lines came from.
bool ReadTargets(std::string_view text, const std::string& name, std::vector<Target>* targets, std::string* error);

}  // namespace vantorel::bfvQuery
