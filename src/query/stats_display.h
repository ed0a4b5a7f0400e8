#pragma once
// What the stats window shows for a reply, composed once for the window and for bfv-query:
// the server's title, the map line, the counts, a line per player, and the two slot tests.

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "query/reply_keys.h"
#include "query/stats_text.h"

namespace vantorel {

struct StatsDisplay {
    std::string title = "Server Stats";
    std::string serverTitle;
    std::string map;
    std::string players;
    std::vector<std::string> lines;
    // The counts behind the slot tests; empty when the player or the slot count is no whole
    // number, and then the server is neither full nor free.
    std::optional<statsText::SlotCounts> slots;

    // Full: every public slot is taken (the window offers to wait for one).
    bool Full() const { return slots && slots->players >= slots->publicSlots; }
    // A public slot is free (a waiting window joins).
    bool SlotFree() const { return slots && slots->players < slots->publicSlots; }
};

// The display of a server record and its player entries (entry N is player N's; a count
// beyond the entries given shows no more lines than there are entries).
StatsDisplay ComposeStats(const modBFVQueryParse::ServerInfoRecord& info,
                          std::span<const modBFVQueryParse::PlayerInfo> players);

}  // namespace vantorel
