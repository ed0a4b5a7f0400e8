#include "output.h"

#include <algorithm>
#include <cstdio>

#include "common/text.h"
#include "common/utf8.h"
#include "query_adapter.h"

namespace vantorel::bfvQuery {
namespace {

std::string Decimal(double value, const char* format) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

bool IsControl(char32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F);
}

// Why a server has no display, in words.
std::string Outcome(const Result& result) {
    switch (result.status) {
        case Result::Status::kTimeout: return "No response from server";
        case Result::Status::kDown: return "Server down: its port is closed";
        case Result::Status::kError: return result.error;
        default: return {};
    }
}

}  // namespace

const char* StatusName(Result::Status status) {
    switch (status) {
        case Result::Status::kOk: return "ok";
        case Result::Status::kDown: return "down";
        case Result::Status::kError: return "error";
        default: return "timeout";
    }
}

std::string TerminalSafe(const std::string& text) {
    std::string safe;
    safe.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = at;
        const char32_t code = DecodeChar(text, at);
        if (IsControl(code)) {
            safe += '?';
        } else {
            safe.append(text, start, at - start);
        }
    }
    return safe;
}

void AppendJsonString(std::string& out, const std::string& text) {
    out += '"';
    std::size_t run = 0;  // start of the stretch that needs no escape
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        // U+0080 to U+009F (C2 80 to C2 9F in UTF-8) are control characters too: some
        // terminals take U+009B for the start of an escape sequence.
        const bool c1 = byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F &&
                        static_cast<unsigned char>(text[i + 1]) >= 0x80;
        if (c1) {
            out.append(text, run, i - run);
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(text[i + 1]));
            out += escaped;
            run = i + 2;
            ++i;
            continue;
        }
        if (byte >= 0x20 && byte != '"' && byte != '\\' && byte != 0x7F) {
            continue;
        }
        out.append(text, run, i - run);
        run = i + 1;
        switch (byte) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default: {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                out += escaped;
            }
        }
    }
    out.append(text, run, std::string::npos);
    out += '"';
}

std::string JsonString(const std::string& text) {
    std::string out;
    AppendJsonString(out, text);
    return out;
}

std::string TextEntry(const Result& result, const TextOptions& options) {
    std::string text = TerminalSafe(result.target.Label()) + "  " + StatusName(result.status);
    if (result.status != Result::Status::kOk) {
        return text + "\n" + TerminalSafe(Outcome(result)) + "\n\n";
    }
    const ServerReport report = ReadReply(result, {false, options.players, options.rules});
    const Display& display = report.display;
    text += "  " + Decimal(result.pingMs, "%.2f") + " ms\n";
    text += TerminalSafe(display.serverTitle) + "\n" + TerminalSafe(display.map) + "\n" +
            TerminalSafe(display.players) + "\n";
    if (options.players) {
        // Over the columns of the window's player lines.
        text += "tm   " + FixedWidth("name", 15) + "   score/kills/deaths  ping\n";
        for (const std::string& line : display.lines) {
            text += TerminalSafe(line) + "\n";
        }
    }
    if (options.rules) {
        for (const auto& [key, value] : report.rules) {
            text += "  " + TerminalSafe(key) + " = " + TerminalSafe(value) + "\n";
        }
    }
    return text + "\n";
}

std::string TextReport(const std::vector<Result>& results, const TextOptions& options) {
    std::string report;
    for (const Result& result : results) {
        report += TextEntry(result, options);
    }
    return report;
}

std::string JsonEntry(const Result& result, std::size_t i) {
    std::string json = i == 0 ? "[\n  {" : ",\n  {";
    // A member: its key, then its value as a JSON string.
    const auto member = [&json](const char* key, const std::string& value) {
        json += key;
        AppendJsonString(json, value);
    };
    const auto object = [&json](const KeyValues& pairs) {
        json += "{";
        for (std::size_t f = 0; f < pairs.size(); ++f) {
            json += f == 0 ? "" : ", ";
            AppendJsonString(json, pairs[f].first);
            json += ": ";
            AppendJsonString(json, pairs[f].second);
        }
        json += "}";
    };
    member("\"query\": ", result.target.Label());
    member(", \"status\": ", StatusName(result.status));
    if (result.status == Result::Status::kError || result.status == Result::Status::kDown) {
        member(", \"error\": ", Outcome(result));
    }
    if (!result.ip.empty()) {
        member(", \"ip\": ", result.ip);
    }
    if (result.status == Result::Status::kOk) {
        const ServerReport report = ReadReply(result);
        member(", \"protocol\": ", result.protocol);
        json += ", \"ping_ms\": " + Decimal(result.pingMs, "%.3f") + ", \"fields\": ";
        object(report.fields);
        json += ", \"rules\": ";
        object(report.rules);
        json += ", \"players\": [";
        for (std::size_t p = 0; p < report.players.size(); ++p) {
            const PlayerEntry& player = report.players[p];
            member(p == 0 ? "{\"player\": " : ", {\"player\": ", player.player);
            member(", \"team\": ", player.team);
            member(", \"score\": ", player.score);
            member(", \"kills\": ", player.kills);
            member(", \"deaths\": ", player.deaths);
            member(", \"ping\": ", player.ping);
            json += "}";
        }
        const Display& display = report.display;
        member("], \"display\": {\"title\": ", display.title);
        member(", \"server_title\": ", display.serverTitle);
        member(", \"map\": ", display.map);
        member(", \"players\": ", display.players);
        json += ", \"lines\": [";
        for (std::size_t l = 0; l < display.lines.size(); ++l) {
            json += l == 0 ? "" : ", ";
            AppendJsonString(json, display.lines[l]);
        }
        json += std::string("], \"wait_for_slot_visible\": ") + (display.waitForSlotVisible ? "true" : "false") + "}";
    }
    return json + "}";
}

std::string JsonEnd(std::size_t count) {
    return count == 0 ? "[]\n" : "\n]\n";
}

std::string JsonReport(const std::vector<Result>& results) {
    std::string json;
    for (std::size_t i = 0; i < results.size(); ++i) {
        json += JsonEntry(results[i], i);
    }
    return json + JsonEnd(results.size());
}

void SortResults(std::vector<Result>& results, SortKey key) {
    if (key == SortKey::kNone) {
        return;
    }
    // Each reply read once for its key; unanswered servers after every answered one.
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
        const Result& result = results[i];
        Keyed entry{result.status == Result::Status::kOk, 0, result.pingMs, {}, i};
        if (entry.answered && key != SortKey::kPing) {
            const ServerReport report = ReadReply(result, {false, false, false});
            entry.players = report.playerCount;
            entry.name = FoldCase(report.display.serverTitle);
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
    std::vector<Result> sorted;
    sorted.reserve(results.size());
    for (const Keyed& entry : keyed) {
        sorted.push_back(std::move(results[entry.index]));
    }
    results = std::move(sorted);
}

}  // namespace vantorel::bfvQuery
