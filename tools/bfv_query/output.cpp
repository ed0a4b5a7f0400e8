#include "output.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "common/number.h"
#include "common/text.h"
#include "common/utf8.h"
#include "listing.h"

namespace vantorel::bfvQuery {
namespace {

// Columns of the one-line view: an address and port of the dotted form fits its column.
constexpr std::size_t kAddressWidth = 21;
constexpr std::size_t kStatusWidth = 7;
constexpr std::size_t kPlayersWidth = 7;
constexpr std::size_t kMapWidth = 16;
constexpr std::size_t kPingWidth = 4;
constexpr const char* kIndent = "    ";
// The keys of a reply named where it lacks the ones a report is for.
constexpr std::size_t kMostKeysNamed = 8;

std::string Decimal(double value, const char* format) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The length of the well-formed UTF-8 sequence at `at`, or 0. Stricter than the program's
// own character counting: overlong forms, surrogates and code points past U+10FFFF are
// refused too, as any reader of JSON refuses them.
std::size_t WellFormed(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > text.size() || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

// Each character of the text, or 0xFFFFFFFF for a byte that starts no well-formed one.
template <typename Visit>
void ForEachChar(std::string_view text, Visit visit) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = WellFormed(text, at);
        if (length == 0) {
            visit(char32_t{0xFFFFFFFF}, text.substr(at, 1));
            ++at;
            continue;
        }
        std::size_t next = at;
        const char32_t code = DecodeChar(text, next);
        visit(code, text.substr(at, length));
        at += length;
    }
}

// Left-aligned in `width` characters; a longer text is kept whole and pushes what follows.
std::string Pad(std::string text, std::size_t width) {
    const std::size_t count = CharCount(text);
    if (count < width) {
        text.append(width - count, ' ');
    }
    return text;
}

// In exactly `width` characters: a longer text is cut, with "…" where it was cut, so that the
// columns after it stay in line.
std::string Cut(const std::string& text, std::size_t width) {
    return CharCount(text) <= width ? Pad(text, width) : FixedWidth(text, width - 1) + "\u2026";
}

std::string PadLeft(const std::string& text, std::size_t width) {
    const std::size_t count = CharCount(text);
    return count < width ? std::string(width - count, ' ') + text : text;
}

// Why a server has no display, in words.
std::string Outcome(const QueryResult& result) {
    switch (result.status) {
        case QueryResult::Status::kTimeout: return "No response from server";
        case QueryResult::Status::kDown: return "Server down: its port is closed";
        case QueryResult::Status::kError: return result.error;
        case QueryResult::Status::kCancelled: return "The query was stopped";
        default: return {};
    }
}

std::vector<std::string> MissingKeys(const ServerReport& report) {
    std::vector<std::string> missing;
    for (const modBFVQueryParse::ServerKey key : modBFVQueryParse::kStatusKeys) {
        if (!report.Has(key)) {
            missing.emplace_back(modBFVQueryParse::ServerFields()[key].key);
        }
    }
    return missing;
}

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) {
        text += (text.empty() ? "" : ", ") + word;
    }
    return text;
}

// What the reply lacked and what it held instead, for a server that answered a request of
// another dialect (\basic\ alone gives gamename, gamever and location).
std::string LacksNote(const ServerReport& report) {
    std::string note = "missing from the reply: " + Joined(MissingKeys(report));
    if (!report.others.empty()) {
        std::vector<std::string> held;
        for (std::size_t i = 0; i < report.others.size() && i < kMostKeysNamed; ++i) {
            held.push_back(report.others[i].first);
        }
        const bool more = report.others.size() > kMostKeysNamed || report.othersLeftOut > 0;
        note += "; it holds " + Joined(held) + (more ? ", ..." : "");
    }
    return note;
}

// A shown value that the reply held, or "-" where it held none.
std::string ShownOrDash(const ServerReport& report, modBFVQueryParse::ServerKey key) {
    const std::string trimmed = Trim(report.record.*modBFVQueryParse::ServerFields()[key].field);
    return report.Has(key) && !trimmed.empty() ? trimmed : "-";
}

std::string PlayerHeader() {
    // Over the columns of statsText::PlayerLine: team, name, score/kills/deaths, ping.
    return "team " + FixedWidth("name", 15) + "   " + FixedWidth("s/k/d", 8) + "     ping";
}

// The player lines and the other keys under a server, as asked for; `showOthers` lists the
// other keys even when not asked for.
void AppendDetails(std::string& text, const ServerReport& report, const TextOptions& options, const char* indent,
                   bool showOthers) {
    if (options.players) {
        const StatsDisplay display = ShowReport(report);
        if (!display.lines.empty()) {
            text += indent + PlayerHeader() + "\n";
        }
        for (const std::string& line : display.lines) {
            text += indent + TerminalSafe(line) + "\n";
        }
    }
    if (options.rules || showOthers) {
        for (const auto& [key, value] : report.others) {
            text += std::string(indent) + "  " + TerminalSafe(key) + " = " + TerminalSafe(value) + "\n";
        }
        if (report.othersLeftOut > 0) {
            text += std::string(indent) + "  ... " + std::to_string(report.othersLeftOut) + " more keys not kept\n";
        }
    }
}

std::string ListedBy(const std::vector<std::string>& masters) {
    return masters.empty() ? std::string() : "Listed by: " + TerminalSafe(Joined(masters)) + "\n";
}

std::string LongEntry(const QueryResult& result, const TextOptions& options, const std::vector<std::string>& masters) {
    std::string text = TerminalSafe(result.target.Label()) + "  " + StatusName(result.status);
    if (result.status != QueryResult::Status::kOk || !result.report) {
        return text + "\n" + TerminalSafe(Outcome(result)) + "\n" + ListedBy(masters) + "\n";
    }
    const ServerReport& report = *result.report;
    const StatsDisplay display = ShowReport(report);
    text += "  " + Decimal(result.pingMs, "%.2f") + " ms\n";
    text += TerminalSafe(display.serverTitle) + "\n" + TerminalSafe(display.map) + "\n" +
            TerminalSafe(display.players) + "\n";
    // What the reply held instead of what it lacks: its other keys.
    const bool lacking = !MissingKeys(report).empty();
    if (lacking) {
        text += "Missing from the reply: " + Joined(MissingKeys(report)) + "\n";
    }
    AppendDetails(text, report, options, "", lacking);
    return text + ListedBy(masters) + "\n";
}

std::string LineEntry(const QueryResult& result, const TextOptions& options) {
    std::string text = Pad(TerminalSafe(result.target.Label()), kAddressWidth) + " " +
                       Pad(StatusName(result.status), kStatusWidth) + " ";
    if (result.status != QueryResult::Status::kOk || !result.report) {
        return text + std::string(kPlayersWidth + kMapWidth + kPingWidth + 4, ' ') + TerminalSafe(Outcome(result)) +
               "\n";
    }
    const ServerReport& report = *result.report;
    const modBFVQueryParse::ServerInfoRecord& info = report.record;
    const std::string players =
        ShownOrDash(report, modBFVQueryParse::kNumplayers) + "/" + ShownOrDash(report, modBFVQueryParse::kMaxplayers);
    std::string name = Trim(info.hostname);
    if (!MissingKeys(report).empty()) {
        name += (name.empty() ? "(" : " (") + LacksNote(report) + ")";
    }
    text += Pad(TerminalSafe(players), kPlayersWidth) + " " +
            Cut(TerminalSafe(ShownOrDash(report, modBFVQueryParse::kMapname)), kMapWidth) + " " +
            PadLeft(std::to_string(std::lround(result.pingMs)), kPingWidth) + "  " + TerminalSafe(name) + "\n";
    AppendDetails(text, report, options, kIndent, false);
    return text;
}

// A count as a JSON number; null when the text is no whole number.
void AppendJsonNumber(std::string& out, std::string_view text) {
    const std::string trimmed = TrimProfileBlanks(text);
    const std::size_t digits = trimmed.size() - (trimmed.starts_with('-') ? 1 : 0);
    if (digits == 0 || digits > 18 ||
        trimmed.find_first_not_of("0123456789", trimmed.size() - digits) != std::string::npos) {
        out += "null";
        return;
    }
    out += std::to_string(std::stoll(trimmed));
}

}  // namespace

const char* StatusName(QueryResult::Status status) {
    switch (status) {
        case QueryResult::Status::kOk: return "ok";
        case QueryResult::Status::kDown: return "down";
        case QueryResult::Status::kError: return "error";
        case QueryResult::Status::kCancelled: return "stopped";
        default: return "timeout";
    }
}

std::string TerminalSafe(std::string_view text) {
    std::string safe;
    safe.reserve(text.size());
    ForEachChar(text, [&safe](char32_t code, std::string_view bytes) {
        if (code == 0xFFFFFFFF || IsControlChar(code)) {
            safe += '?';
        } else {
            safe += bytes;
        }
    });
    return safe;
}

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    ForEachChar(text, [&out](char32_t code, std::string_view bytes) {
        switch (code) {
            case '"': out += "\\\""; return;
            case '\\': out += "\\\\"; return;
            case '\n': out += "\\n"; return;
            case '\r': out += "\\r"; return;
            case '\t': out += "\\t"; return;
            case 0xFFFFFFFF: out += "\\ufffd"; return;
            default: break;
        }
        // U+0080 to U+009F are control characters too: some terminals take U+009B for the
        // start of an escape sequence.
        if (IsControlChar(code)) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(code));
            out += escaped;
        } else {
            out += bytes;
        }
    });
    out += '"';
}

std::string JsonString(std::string_view text) {
    std::string out;
    AppendJsonString(out, text);
    return out;
}

std::string TextHeader() {
    return Pad("ADDRESS", kAddressWidth) + " " + Pad("STATUS", kStatusWidth) + " " + Pad("PLAYERS", kPlayersWidth) +
           " " + Pad("MAP", kMapWidth) + " " + PadLeft("PING", kPingWidth) + "  NAME\n";
}

std::string TextEntry(const QueryResult& result, const TextOptions& options, const std::vector<std::string>& masters) {
    return options.longView ? LongEntry(result, options, masters) : LineEntry(result, options);
}

std::string TextReport(const std::vector<QueryResult>& results, const TextOptions& options) {
    std::string report = options.longView ? "" : TextHeader();
    for (const QueryResult& result : results) {
        report += TextEntry(result, options);
    }
    return report;
}

std::string JsonEntry(const QueryResult& result, std::size_t i, const std::vector<std::string>& masters) {
    std::string json = i == 0 ? "[\n  {" : ",\n  {";
    // A member: its key, then its value as a JSON string.
    const auto member = [&json](const char* key, std::string_view value) {
        json += key;
        AppendJsonString(json, value);
    };
    member("\"query\": ", result.target.Label());
    if (!masters.empty()) {
        json += ", \"masters\": [";
        for (std::size_t m = 0; m < masters.size(); ++m) {
            member(m == 0 ? "" : ", ", masters[m]);
        }
        json += "]";
    }
    member(", \"status\": ", StatusName(result.status));
    if (result.status == QueryResult::Status::kError || result.status == QueryResult::Status::kDown) {
        member(", \"error\": ", Outcome(result));
    }
    if (!result.ip.empty()) {
        member(", \"ip\": ", result.ip);
    }
    if (result.status != QueryResult::Status::kOk || !result.report) {
        return json + "}";
    }
    const ServerReport& report = *result.report;
    const modBFVQueryParse::ServerInfoRecord& info = report.record;
    member(", \"protocol\": ", result.dialect ? DialectName(*result.dialect) : "");
    json += ", \"ping_ms\": " + Decimal(result.pingMs, "%.3f");
    // The keys the window shows, the counts as numbers; the reply's other keys apart.
    json += ", \"fields\": {";
    bool first = true;
    for (const modBFVQueryParse::ServerKey key : modBFVQueryParse::kShownKeys) {
        if (!report.Has(key)) {
            continue;
        }
        const modBFVQueryParse::ServerField& field = modBFVQueryParse::ServerFields()[key];
        json += first ? "\"" : ", \"";
        json += std::string(field.key) + "\": ";
        first = false;
        if (key == modBFVQueryParse::kHostname || key == modBFVQueryParse::kMapname) {
            AppendJsonString(json, info.*field.field);
        } else {
            AppendJsonNumber(json, info.*field.field);
        }
    }
    json += "}, \"rules\": {";
    for (std::size_t r = 0; r < report.others.size(); ++r) {
        json += r == 0 ? "" : ", ";
        AppendJsonString(json, report.others[r].first);
        json += ": ";
        AppendJsonString(json, report.others[r].second);
    }
    json += "}";
    if (report.othersLeftOut > 0) {
        json += ", \"rules_not_kept\": " + std::to_string(report.othersLeftOut);
    }
    const std::vector<std::string> missing = MissingKeys(report);
    if (!missing.empty()) {
        json += ", \"missing\": [";
        for (std::size_t m = 0; m < missing.size(); ++m) {
            json += m == 0 ? "" : ", ";
            AppendJsonString(json, missing[m]);
        }
        json += "]";
    }
    json += ", \"players\": [";
    for (std::size_t p = 0; p < report.players.size(); ++p) {
        const modBFVQueryParse::PlayerInfo& player = report.players[p];
        member(p == 0 ? "{\"player\": " : ", {\"player\": ", player.player);
        const std::pair<const char*, const std::string*> numbers[] = {{", \"team\": ", &player.team},
                                                                      {", \"score\": ", &player.score},
                                                                      {", \"kills\": ", &player.kills},
                                                                      {", \"deaths\": ", &player.deaths},
                                                                      {", \"ping\": ", &player.ping}};
        for (const auto& [key, value] : numbers) {
            json += key;
            AppendJsonNumber(json, *value);
        }
        json += "}";
    }
    const StatsDisplay display = ShowReport(report);
    member("], \"display\": {\"title\": ", display.title);
    member(", \"server_title\": ", display.serverTitle);
    member(", \"map\": ", display.map);
    member(", \"players\": ", display.players);
    json += ", \"lines\": [";
    for (std::size_t l = 0; l < display.lines.size(); ++l) {
        json += l == 0 ? "" : ", ";
        AppendJsonString(json, display.lines[l]);
    }
    json += std::string("], \"wait_for_slot_visible\": ") + (display.Full() ? "true" : "false") + "}";
    return json + "}";
}

std::string JsonEnd(std::size_t count) {
    return count == 0 ? "[]\n" : "\n]\n";
}

std::string JsonReport(const std::vector<QueryResult>& results) {
    std::string json;
    for (std::size_t i = 0; i < results.size(); ++i) {
        json += JsonEntry(results[i], i);
    }
    return json + JsonEnd(results.size());
}

bool WriteReport(const std::vector<QueryResult>& results, bool json, const TextOptions& options,
                 const std::function<bool(std::string_view)>& write, const Listing* listing) {
    constexpr std::size_t kWriteSize = 1 << 16;
    std::string pending = json || options.longView ? "" : TextHeader();
    for (std::size_t i = 0; i < results.size(); ++i) {
        const std::vector<std::string> masters =
            listing ? listing->MastersOf(results[i].target) : std::vector<std::string>{};
        pending += json ? JsonEntry(results[i], i, masters) : TextEntry(results[i], options, masters);
        if (pending.size() >= kWriteSize) {
            if (!write(pending)) {
                return false;
            }
            pending.clear();
        }
    }
    if (json) {
        pending += JsonEnd(results.size());
    }
    return write(pending);
}

void SortResults(std::vector<QueryResult>& results, SortKey key) {
    if (key == SortKey::kNone) {
        return;
    }
    // Unanswered servers after every answered one.
    struct Keyed {
        bool answered;
        int players;
        double ping;
        std::string name;
        std::size_t index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(results.size());
    for (std::size_t i = 0; i < results.size(); ++i) {
        const QueryResult& result = results[i];
        Keyed entry{result.status == QueryResult::Status::kOk && result.report, 0, result.pingMs, {}, i};
        if (entry.answered && key != SortKey::kPing) {
            entry.players = WholeNumber(result.report->record.numplayers).value_or(0);
            entry.name = FoldCase(Trim(result.report->record.hostname));
        }
        keyed.push_back(std::move(entry));
    }
    std::stable_sort(keyed.begin(), keyed.end(), [key](const Keyed& a, const Keyed& b) {
        if (!a.answered || !b.answered) {
            return a.answered && !b.answered;
        }
        switch (key) {
            case SortKey::kPlayers: return a.players > b.players;
            case SortKey::kPing: return a.ping < b.ping;
            default: return a.name < b.name;
        }
    });
    std::vector<QueryResult> sorted;
    sorted.reserve(results.size());
    for (const Keyed& entry : keyed) {
        sorted.push_back(std::move(results[entry.index]));
    }
    results = std::move(sorted);
}

}  // namespace vantorel::bfvQuery
