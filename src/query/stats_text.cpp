#include "query/stats_text.h"

#include <algorithm>
#include <cmath>

#include "common/number.h"
#include "common/text.h"
#include "common/utf8.h"

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

PlayerColumns SplitPlayerLine(std::string_view line) {
    // Where each column starts, in characters: the team's 3 and 2 blanks, the name's 15 and
    // 3 blanks; then the numbers, which hold no blank, and 5 blanks before the ping.
    const auto cut = [](std::string_view text, std::size_t from, std::size_t count) {
        const std::string_view rest = text.substr(LeftChars(text, from).size());
        return std::string(LeftChars(rest, count));
    };
    const auto trimEnd = [](std::string text) {
        text.erase(text.find_last_not_of(' ') + 1);
        return text;
    };
    PlayerColumns columns{trimEnd(cut(line, 0, 3)), trimEnd(cut(line, 5, 15)), {}, {}};
    const std::string numbers = cut(line, 23, std::string_view::npos);
    const std::size_t spacer = numbers.find("     ");
    columns.scoreKillsDeaths = numbers.substr(0, spacer);
    columns.ping = spacer == std::string::npos ? std::string() : numbers.substr(spacer + 5);
    return columns;
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
