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

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
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
    for (std::size_t i = 0; i < results.size(); ++i) {
        const Result& result = results[i];
        json += i == 0 ? "\n  {" : ",\n  {";
        json += "\"query\": " + JsonString(result.target.Label());
        json += ", \"status\": " + JsonString(StatusName(result.status));
        if (result.status == Result::Status::kError) {
            json += ", \"error\": " + JsonString(result.error);
        }
        if (!result.ip.empty()) {
            json += ", \"ip\": " + JsonString(result.ip);
        }
        if (result.status == Result::Status::kOk) {
            json += ", \"ping_ms\": " + JsonNumber(result.pingMs);
            json += ", \"fields\": {";
            for (std::size_t f = 0; f < result.fields.size(); ++f) {
                json += (f == 0 ? "" : ", ") + JsonString(result.fields[f].first) + ": " +
                        JsonString(result.fields[f].second);
            }
            json += "}, \"players\": [";
            for (std::size_t p = 0; p < result.players.size(); ++p) {
                const modBFVQueryParse::PlayerInfo& player = result.players[p];
                json += (p == 0 ? "{" : ", {");
                json += "\"player\": " + JsonString(player.player) + ", \"team\": " + JsonString(player.team) +
                        ", \"score\": " + JsonString(player.score) + ", \"kills\": " + JsonString(player.kills) +
                        ", \"deaths\": " + JsonString(player.deaths) + ", \"ping\": " + JsonString(player.ping) + "}";
            }
            const Display& display = result.display;
            json += "], \"display\": {\"title\": " + JsonString(display.title) +
                    ", \"server_title\": " + JsonString(display.serverTitle) + ", \"map\": " + JsonString(display.map) +
                    ", \"players\": " + JsonString(display.players) + ", \"lines\": [";
            for (std::size_t l = 0; l < display.lines.size(); ++l) {
                json += (l == 0 ? "" : ", ") + JsonString(display.lines[l]);
            }
            json +=
                std::string("], \"wait_for_slot_visible\": ") + (display.waitForSlotVisible ? "true" : "false") + "}";
        }
        json += "}";
    }
    return json + (results.empty() ? "]\n" : "\n]\n");
}

}  // namespace vantorel::bfvQuery
