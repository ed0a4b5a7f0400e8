#pragma once
// GameSpy 2, the binary status query that some servers of the game answer instead of the
// text one. The request is FE FD 00, a 4-byte id of the asker's choice and three bytes that
// ask for the server keys, the players and the teams (we ask for all three: FF FF FF). The
// reply is one datagram: 00, the same id, then the server keys as key NUL value NUL ended by
// an empty key; then the players: the row count as a 16-bit big-endian number, the field
// names each ended by NUL and the list by an empty name, then count x fields values; then
// the teams in the same form.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "query/reply_parse.h"

namespace vantorel::gameSpy2 {

std::string Request(std::uint32_t requestId);

// Whether a datagram looks like a GameSpy 2 reply at all (its first byte), whatever its id.
bool LooksLikeReply(std::string_view datagram);

// The keys and values of a reply to the request `requestId`, the players' and teams' fields
// numbered as GameSpy 1 numbers its keys (field "player_" of the fourth player gives
// "player_3"). Nothing when the datagram is not a reply to that request. A reply cut short
// keeps what it held up to the last complete value. Its size is bounded by the datagram's.
std::optional<std::vector<modBFVQueryParse::KeyValue>> ParseReply(std::string_view datagram, std::uint32_t requestId);

}  // namespace vantorel::gameSpy2
