#include "query/stats_text.h"

#include <algorithm>
#include <cmath>

#include "common/number.h"
#include "common/text.h"

namespace vantorel::statsText {
namespace {

// Reserved slots that are absent or no whole number count as none.
int ReservedSlots(const modBFVQueryParse::ServerInfoRecord& info) {
    return WholeNumber(info.reservedslots).value_or(0);
}

std::string NumberColumn(const std::string& text, bool twoDigits) {
    const std::optional<std::int16_t> number = WholeNumber(text);
    if (!number) {
        return "--";
    }
    return twoDigits ? TwoDigit(*number) : std::to_string(*number);
}

}  // namespace

std::string MapLine(const modBFVQueryParse::ServerInfoRecord& info) {
    return " - " + Trim(info.mapname) + " - ";
}

std::string PlayersLine(const modBFVQueryParse::ServerInfoRecord& info) {
    std::string line = "Players:  " + Trim(info.numplayers) + " / " + Trim(info.maxplayers);
    if (ReservedSlots(info) > 0) {
        line += " (" + Trim(info.reservedslots) + " reserved)";
    }
    return line;
}

int PlayerLineCount(const modBFVQueryParse::ServerInfoRecord& info) {
    const std::optional<double> count = ParseDecimal(Trim(info.numplayers));
    // The same bound as the parser's: a count it cannot read shows no lines of old entries.
    if (!count || *count <= 0 || !ToInt16(*count - 1)) {
        return 0;
    }
    // Indexes 0, 1, ... while they do not pass the count less one.
    const double last = std::floor(*count - 1);
    return static_cast<int>(std::min<double>(last + 1, kMostPlayerLines));
}

std::string PlayerLine(const modBFVQueryParse::PlayerInfo& player) {
    const std::optional<std::int16_t> team = WholeNumber(player.team);
    const std::string teamColumn = !team ? "   " : FixedWidth(*team == 1 ? "us" : "nva", 3);
    return teamColumn + "  " + FixedWidth(player.player, 15) + "   " + NumberColumn(player.score, true) + "/" +
           NumberColumn(player.kills, true) + "/" + NumberColumn(player.deaths, true) + "     " +
           NumberColumn(player.ping, false);
}

std::optional<SlotCounts> Slots(const modBFVQueryParse::ServerInfoRecord& info) {
    const std::optional<std::int16_t> players = WholeNumber(info.numplayers);
    const std::optional<std::int16_t> maxPlayers = WholeNumber(info.maxplayers);
    if (!players || !maxPlayers) {
        return std::nullopt;
    }
    return SlotCounts{*players, *maxPlayers - ReservedSlots(info)};
}

}  // namespace vantorel::statsText
