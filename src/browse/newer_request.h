#pragma once
// What a client of the newer list protocol sends: the list request with its challenge, and
// the small messages that follow it. Everything the client sends is framed (a big-endian
// length that counts itself, a type, the payload) and never enciphered.

#include <cstdint>
#include <string>
#include <string_view>

#include "browse/master_list.h"

namespace vantorel::browse {

// The list request's options.
namespace listOption {
inline constexpr std::uint32_t kFieldsForAll = 1;
inline constexpr std::uint32_t kNoServerList = 2;
inline constexpr std::uint32_t kPushUpdates = 4;
}  // namespace listOption

// Message types, both ways.
namespace newerMessage {
inline constexpr std::uint8_t kListRequest = 0;  // from the client
inline constexpr std::uint8_t kServerInfo = 1;   // from the client: one server's full information
inline constexpr std::uint8_t kNewKeys = 1;      // from the master
inline constexpr std::uint8_t kServerUpdate = 2;
inline constexpr std::uint8_t kKeepalive = 3;
inline constexpr std::uint8_t kServerRemoved = 4;
}  // namespace newerMessage

inline constexpr std::size_t kChallengeLength = 8;
inline constexpr std::size_t kLongestFieldList = 256;

// Eight characters in 33..125 with the parity the game's browser gives them; `random`
// draws the choices (any 32-bit source will do).
template <typename Random>
std::string MakeClientChallenge(Random& random);
bool IsClientChallenge(std::string_view challenge);

struct ListRequest {
    std::string challenge;  // kChallengeLength characters
    std::string filter;     // empty: every server
    std::string fields;     // backslash-separated, each with a leading backslash
    std::uint32_t options = listOption::kFieldsForAll;
};

// Empty when the request cannot be made, with the reason (a filter or field list that the
// framing cannot carry).
std::string EncodeListRequest(const ListRequest& request, std::string* why);

// The key of the answer's cipher: the client's challenge mixed with the master's.
std::string AnswerKey(std::string_view clientChallenge, std::string_view serverChallenge, std::string_view gameKey);

// Asks for one server's full information.
std::string ServerInfoRequest(ServerAddress address);

// Puts the length in front of a type and its payload.
std::string Frame(std::uint8_t type, std::string_view payload);

namespace detail {
char ChallengeCharacter(unsigned draw, bool odd);
bool ChallengeParity(char previous, char first, std::size_t i, bool odd);
}  // namespace detail

template <typename Random>
std::string MakeClientChallenge(Random& random) {
    // The first character may be either parity; it only seeds the rule for the rest.
    std::string challenge(1, static_cast<char>(33 + static_cast<unsigned>(random()) % 93));
    bool odd = false;
    for (std::size_t i = 1; i < kChallengeLength; ++i) {
        odd = detail::ChallengeParity(challenge[i - 1], challenge[0], i, odd);
        challenge += detail::ChallengeCharacter(static_cast<unsigned>(random()), odd);
    }
    return challenge;
}

}  // namespace vantorel::browse
