#include "query/stats_display.h"

#include <algorithm>

#include "common/text.h"

namespace vantorel {

StatsDisplay ComposeStats(const modBFVQueryParse::ServerInfoRecord& info,
                          std::span<const modBFVQueryParse::PlayerInfo> players) {
    StatsDisplay display;
    display.serverTitle = Trim(info.hostname);
    display.map = statsText::MapLine(info);
    display.players = statsText::PlayersLine(info);
    const std::size_t lines = std::min(static_cast<std::size_t>(statsText::PlayerLineCount(info)), players.size());
    display.lines.reserve(lines);
    for (std::size_t i = 0; i < lines; ++i) {
        display.lines.push_back(statsText::PlayerLine(players[i]));
    }
    display.slots = statsText::Slots(info);
    return display;
}

}  // namespace vantorel
