#include "output.h"

#include <cstdio>

namespace vantorel::bfvQuery {
namespace {

const char* StatusName(Result::Status status) {
    switch (status) {
        case Result::Status::kOk: return "ok";
        case Result::Status::kError: return "error";
        default: return "timeout";
    }
}

std::string JsonNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

}  // namespace

void AppendJsonString(std::string& out, const std::string& text) {
    out += '"';
    std::size_t run = 0;  // start of the stretch that needs no escape
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
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

std::string TextReport(const std::vector<Result>& results) {
    std::string report;
    for (const Result& result : results) {
        report += result.target.Label() + "\n";
        if (result.status == Result::Status::kOk) {
            report += result.display.serverTitle + "\n" + result.display.map + "\n" + result.display.players + "\n";
            for (const std::string& line : result.display.lines) {
                report += line + "\n";
            }
        } else if (result.status == Result::Status::kError) {
            report += "Invalid Server Response: " + result.error + "\n";
        } else {
            report += "No response from server\n";
        }
        report += "\n";
    }
    return report;
}

std::string JsonReport(const std::vector<Result>& results) {
    std::string json = "[";
    // A member: its key, then its value as a JSON string.
    const auto member = [&json](const char* key, const std::string& value) {
        json += key;
        AppendJsonString(json, value);
    };
    for (std::size_t i = 0; i < results.size(); ++i) {
        const Result& result = results[i];
        json += i == 0 ? "\n  {" : ",\n  {";
        member("\"query\": ", result.target.Label());
        member(", \"status\": ", StatusName(result.status));
        if (result.status == Result::Status::kError) {
            member(", \"error\": ", result.error);
        }
        if (!result.ip.empty()) {
            member(", \"ip\": ", result.ip);
        }
        if (result.status == Result::Status::kOk) {
            json += ", \"ping_ms\": " + JsonNumber(result.pingMs) + ", \"fields\": {";
            for (std::size_t f = 0; f < result.fields.size(); ++f) {
                json += f == 0 ? "" : ", ";
                AppendJsonString(json, result.fields[f].first);
                json += ": ";
                AppendJsonString(json, result.fields[f].second);
            }
            json += "}, \"players\": [";
            for (std::size_t p = 0; p < result.players.size(); ++p) {
                const modBFVQueryParse::PlayerInfo& player = result.players[p];
                member(p == 0 ? "{\"player\": " : ", {\"player\": ", player.player);
                member(", \"team\": ", player.team);
                member(", \"score\": ", player.score);
                member(", \"kills\": ", player.kills);
                member(", \"deaths\": ", player.deaths);
                member(", \"ping\": ", player.ping);
                json += "}";
            }
            const Display& display = result.display;
            member("], \"display\": {\"title\": ", display.title);
            member(", \"server_title\": ", display.serverTitle);
            member(", \"map\": ", display.map);
            member(", \"players\": ", display.players);
            json += ", \"lines\": [";
            for (std::size_t l = 0; l < display.lines.size(); ++l) {
                json += l == 0 ? "" : ", ";
                AppendJsonString(json, display.lines[l]);
            }
            json +=
                std::string("], \"wait_for_slot_visible\": ") + (display.waitForSlotVisible ? "true" : "false") + "}";
        }
        json += "}";
    }
    return json + (results.empty() ? "]\n" : "\n]\n");
}

}  // namespace vantorel::bfvQuery
