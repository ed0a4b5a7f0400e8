#pragma once
// The texts the stats window shows for a parsed reply.

#include <optional>
#include <string>

#include "query/reply_keys.h"

namespace vantorel::statsText {

inline constexpr int kMostPlayerLines = modBFVQueryParse::kPlayerEntries;

// " - " + map + " - ".
std::string MapLine(const modBFVQueryParse::ServerInfoRecord& info);

// "Players:  30 / 32", with " (2 reserved)" when reserved slots are a whole number above 0.
std::string PlayersLine(const modBFVQueryParse::ServerInfoRecord& info);

// How many player lines the list shows: the player count when it is a number above 0, at
// most one line per entry of the player table; none for a count that is not a number.
int PlayerLineCount(const modBFVQueryParse::ServerInfoRecord& info);

// One player's line: team column, name column, score/kills/deaths and ping. A team that is
// no whole number leaves the team column blank; a number that is absent or no whole number
// shows "--".
std::string PlayerLine(const modBFVQueryParse::PlayerInfo& player);

// The counts behind the full test and the free-slot test; empty when the player or the
// slot count is no whole number, and then the server is neither full nor free.
struct SlotCounts {
    int players = 0;
    int publicSlots = 0;  // maxplayers less the reserved slots
};
std::optional<SlotCounts> Slots(const modBFVQueryParse::ServerInfoRecord& info);

}  // namespace vantorel::statsText
