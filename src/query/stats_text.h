#pragma once
// The texts the stats window shows for a parsed reply.

#include <array>
#include <optional>
#include <string>
#include <string_view>

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

// A player's line in its four columns, as the stats window lays them out side by side: the
// texts of PlayerLine's team, name, score/kills/deaths and ping, without the blanks that
// pad and part them.
struct PlayerColumns {
    std::string team;
    std::string name;
    std::string scoreKillsDeaths;
    std::string ping;
    bool operator==(const PlayerColumns&) const = default;
};
PlayerColumns SplitPlayerLine(std::string_view line);

// The headers over the four columns.
inline constexpr std::array<std::string_view, 4> kPlayerHeaders{"Team", "Name", "S/K/D", "Ping"};

// The counts behind the full test and the free-slot test; empty when the player or the
// slot count is no whole number, and then the server is neither full nor free.
struct SlotCounts {
    int players = 0;
    int publicSlots = 0;  // maxplayers less the reserved slots
};
std::optional<SlotCounts> Slots(const modBFVQueryParse::ServerInfoRecord& info);

}  // namespace vantorel::statsText
