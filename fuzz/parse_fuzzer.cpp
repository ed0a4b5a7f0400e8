// Drives arbitrary bytes along the path a server's reply takes: received as datagrams in the
// 8-bit code page, joined by the assembler, parsed into the record and the player table,
// and turned into the texts the stats window shows. The same bytes are also read as a
// GameSpy 2 reply to the id they carry. Besides the sanitizers' findings, a few
// properties that must hold for any input stop the run when broken.

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/codepage.h"
#include "common/utf8.h"
#include "query/gamespy2_reply.h"
#include "query/reply_assembler.h"
#include "query/reply_parse.h"
#include "query/stats_display.h"

namespace vantorel {
namespace {

namespace parse = modBFVQueryParse;

void Check(bool holds) {
    if (!holds) {
        __builtin_trap();
    }
}

// The input is a run of datagrams, one per line, so that the fuzzer reaches split replies,
// parts out of order and superseded sets. Each is decoded by itself, as the socket does.
std::vector<std::string> ReceiveDatagrams(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> datagrams;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = bytes.find('\n', start);
        datagrams.emplace_back(bytes.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) {
            return datagrams;
        }
        start = end + 1;
    }
}

// Every reply the assembler hands out, all datagrams arriving at one instant, then whatever
// it still holds once the deadline has passed.
std::vector<std::string> AssembleReplies(const std::vector<std::string>& datagrams) {
    const ReplyAssembler::Clock::time_point arrival{};
    ReplyAssembler assembler;
    std::vector<std::string> replies;
    for (const std::string& datagram : datagrams) {
        if (std::optional<std::string> reply = assembler.Add(datagram, arrival)) {
            replies.push_back(std::move(*reply));
        }
        Check(assembler.Waiting() == assembler.Deadline().has_value());
        Check(!assembler.Expire(arrival));  // never due at the instant the set began
    }
    if (std::optional<std::string> rest = assembler.Expire(arrival + ReplyAssembler::kPartsTimeout)) {
        replies.push_back(std::move(*rest));
    }
    Check(!assembler.Waiting());
    return replies;
}

// Entry N holds player N while every player's number lies below the count and no player is
// named in the sibling games' form; otherwise the players fill the entries in turn.
bool EntriesByNumber(const std::string& reply, int filled) {
    for (const parse::ReplyPair& pair : parse::SplitReply(reply)) {
        if (pair.key.size() > 16) {
            continue;  // longer than any player key this reads
        }
        std::string key(pair.key);
        for (char& c : key) {
            c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        }
        if (key.rfind("playername_", 0) == 0) {
            return false;
        }
        for (const std::string_view prefix : {"player_", "team_", "score_", "kills_", "deaths_", "ping_"}) {
            const std::string digits = key.rfind(prefix, 0) == 0 ? key.substr(prefix.size()) : "";
            if (digits.empty() || digits.size() > 3 || (digits.size() > 1 && digits[0] == '0') ||
                digits.find_first_not_of("0123456789") != std::string::npos) {
                continue;
            }
            const int number = std::stoi(digits);
            if (number < parse::kPlayerEntries && number >= filled) {
                return false;
            }
        }
    }
    return true;
}

// The parse of one reply must agree with reading the pairs one by one, each value decoded
// by itself; what it keeps is bounded by the reply.
parse::ParsedReply Parse(const std::string& reply) {
    parse::ParsedReply parsed = parse::ParseReply(reply);
    const int filled = static_cast<int>(parsed.players.size());
    Check(filled <= parse::kPlayerEntries && filled <= parsed.playerIndexes);
    Check(parsed.others.size() <= parse::ParsedReply::kMostOtherKeys);
    Check(parsed.order.size() == parsed.held.count() + parsed.others.size());
    for (const parse::ServerField& field : parse::ServerFields()) {
        Check(parsed.record.*field.field == Cp1252ToUtf8(parse::GetReplyValue(reply, field.key)));
    }
    // A few entries are enough to compare, and keep a long reply quick.
    const int compared = filled > 0 && EntriesByNumber(reply, filled) ? std::min(filled, 4) : 0;
    for (int i = 0; i < compared; ++i) {
        const std::string n = std::to_string(i);
        const parse::PlayerInfo& entry = parsed.players[static_cast<std::size_t>(i)];
        Check(entry.player == Cp1252ToUtf8(parse::GetReplyValue(reply, "player_" + n)));
        Check(entry.ping == Cp1252ToUtf8(parse::GetReplyValue(reply, "ping_" + n)));
    }
    return parsed;
}

// The whole input as a GameSpy 2 datagram answering the id it carries: its pairs are bounded
// by its bytes, and the parse keeps the first value of each server key.
std::optional<parse::ParsedReply> ParseGameSpy2(std::string_view bytes) {
    std::uint32_t id = 0;
    for (std::size_t i = 1; i < 5 && i < bytes.size(); ++i) {
        id = id << 8 | static_cast<unsigned char>(bytes[i]);
    }
    const auto pairs = gameSpy2::ParseReply(bytes, id);
    if (!pairs) {
        Check(bytes.size() < 5 || bytes[0] != '\0');
        return std::nullopt;
    }
    Check(pairs->size() <= bytes.size());
    parse::ParsedReply parsed = parse::ParsePairs(*pairs);
    Check(parsed.players.size() <= static_cast<std::size_t>(parse::kPlayerEntries));
    for (const parse::KeyValue& pair : *pairs) {
        if (pair.key == "hostname") {
            Check(parsed.record.hostname == Cp1252ToUtf8(pair.value));
            break;
        }
    }
    return parsed;
}

// The texts the stats window shows for the parsed reply: every line keeps its columns.
void ShowReply(const parse::ParsedReply& parsed) {
    const StatsDisplay display = ComposeStats(parsed.record, parsed.players);
    Check(display.map.rfind(" - ", 0) == 0);
    Check(display.players.rfind("Players:  ", 0) == 0);
    Check(display.lines.size() <= parsed.players.size());
    for (const std::string& line : display.lines) {
        // Team, two blanks, fifteen characters of name, three blanks, then the numbers.
        Check(CharCount(line) >= 3 + 2 + 15 + 3 + 8 + 5 + 1);
        Check(LeftChars(line, 5).substr(3) == "  ");
    }
    Check(!(display.Full() && display.SlotFree()));
}

}  // namespace
}  // namespace vantorel

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const std::string& reply : vantorel::AssembleReplies(vantorel::ReceiveDatagrams(data, size))) {
        vantorel::ShowReply(vantorel::Parse(reply));
    }
    if (const auto parsed = vantorel::ParseGameSpy2(std::string_view(reinterpret_cast<const char*>(data), size))) {
        vantorel::ShowReply(*parsed);
    }
    return 0;
}
