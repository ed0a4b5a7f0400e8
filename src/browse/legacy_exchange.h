#pragma once
// What a legacy master and its client say before the list: the master's greeting with its
// challenge, and the client's validation and list request.

#include <optional>
#include <string>
#include <string_view>

namespace vantorel::browse {

struct Greeting {
    enum class Kind {
        kNeedMore,     // could still become a greeting
        kChallenge,    // `text` is the challenge
        kError,        // `text` is the master's own error
        kNotGreeting,  // these bytes are no greeting
    };
    Kind kind = Kind::kNeedMore;
    std::string text;
};

// Reads the greeting from the bytes received since the connection opened. The challenge
// ends at the next backslash; without one it is taken once it has its usual six
// characters, or when `settled` (no more is coming).
Greeting ReadGreeting(std::string_view received, bool settled);

// The longest greeting worth waiting for: past this without a challenge it is none.
inline constexpr std::size_t kLongestGreeting = 256;

// The validation and the list request, in one write. `enctype` is 0 or 2. The filter goes
// in as the list's "where" clause.
std::string LegacyRequest(std::string_view challenge, int enctype, std::string_view filter);

// Why a filter cannot go to a legacy master (its fields are separated by backslashes),
// or nothing.
std::optional<std::string> LegacyFilterProblem(std::string_view filter);

}  // namespace vantorel::browse
