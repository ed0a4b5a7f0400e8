#pragma once
// The stats window's server record and player table, as the design keeps them: one of each
// for the whole process, filled from a parsed reply (reply_parse.h) and read by the display.

#include <array>
#include <span>
#include <string_view>

#include "query/reply_keys.h"
#include "query/reply_parse.h"

namespace vantorel::modBFVQueryParse {

// The record and the table for the whole run. Every store overwrites all of the record and
// the entries the reply names; nothing is ever cleared, so entries above a shorter reply's
// players keep what an earlier reply put there.
ServerInfoRecord& ServerInfo();
std::array<PlayerInfo, kPlayerEntries>& Players();

// Writes the parsed reply into ServerInfo and Players, yielding to the event loop once per
// player index the count names (beyond the table too), so that the window stays lively; a
// further reply may be stored in there, and this one then goes on writing its own entries.
// Answers how many entries it filled.
int StoreReply(ParsedReply reply);

// ParseReply and StoreReply in one, as the design names them.
int ParseServerReply(std::string_view reply);
int ParseServerReply(std::string_view reply, Decoder decode);
int ParseServerPairs(std::span<const KeyValue> pairs);

// Only the player entries (and their yields) of a GameSpy 1 reply; the record stays as it is.
int ParsePlayerList(std::string_view reply);

}  // namespace vantorel::modBFVQueryParse
