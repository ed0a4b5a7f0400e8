// How long one status reply takes to parse: the parser, which splits the reply once into its
// pairs, against a reference that searches the whole text once for every key it knows; and
// what replies built to hurt cost it.

#include <benchmark/benchmark.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "common/number.h"
#include "query/reply_assembler.h"
#include "query/reply_parse.h"

namespace vantorel {
namespace {

namespace parse = modBFVQueryParse;

// A reply as a busy server sends it: the 41 server keys, then six keys per player.
std::string BuildReply(int players) {
    const std::pair<const char*, std::string> server[] = {
        {"hostname", "[VC] Charlie's Jungle | 24/7 Conquest | No Rules Just Fun"},
        {"hostport", "15567"},
        {"mapname", "Operation Hastings"},
        {"gametype", "conquest"},
        {"numplayers", std::to_string(players)},
        {"maxplayers", std::to_string(players < 64 ? 64 : players)},
        {"gamemode", "openplaying"},
        {"password", "0"},
        {"gamever", "v1.21"},
        {"dedicated", "1"},
        {"status", "3"},
        {"game_id", "bfvietnam"},
        {"mapid", "BfVietnam"},
        {"sv_punkbuster", "1"},
        {"timelimit", "3600"},
        {"number_of_rounds", "2"},
        {"spawn_wave_time", "15"},
        {"spawn_delay", "5"},
        {"soldier_friendly_fire", "100"},
        {"vehicle_friendly_fire", "100"},
        {"game_start_delay", "30"},
        {"ticket_ratio", "100"},
        {"allow_nose_cam", "1"},
        {"external_view", "1"},
        {"us_team_ratio", "1"},
        {"nva_team_ratio", "1"},
        {"bandwith_choke_limit", "0"},
        {"free_camera", "0"},
        {"auto_balance_teams", "1"},
        {"name_tag_distance", "100"},
        {"name_tag_distance_scope", "300"},
        {"kickback", "0"},
        {"kickback_on_splash", "0"},
        {"soldier_friendly_fire_on_splash", "100"},
        {"vehicle_friendly_fire_on_splash", "100"},
        {"cpu", "2400"},
        {"bot_skill", "0.5"},
        {"reservedslots", "2"},
        {"active_mods", "BfVietnam"},
        {"all_active_mods", "BfVietnam"},
        {"game_id_name", "BFVIETNAM"},
    };
    std::string reply;
    for (const auto& [key, value] : server) {
        reply += "\\" + std::string(key) + "\\" + value;
    }
    for (int i = 0; i < players; ++i) {
        const std::string n = std::to_string(i);
        reply += "\\player_" + n + "\\=VC=Tunnel_Rat_" + n + "\\score_" + n + "\\" + std::to_string(i * 7 % 90) +
                 "\\ping_" + n + "\\" + std::to_string(40 + i % 120) + "\\team_" + n + "\\" +
                 std::to_string(i % 2 + 1) + "\\kills_" + n + "\\" + std::to_string(i * 3 % 40) + "\\deaths_" + n +
                 "\\" + std::to_string(i * 5 % 30);
    }
    return reply;
}

// The value that follows the first occurrence of the key text anywhere in the reply, one
// character skipped, up to the next backslash.
std::string_view SearchValue(std::string_view reply, std::string_view key) {
    const std::size_t at = reply.find(key);
    if (at == std::string_view::npos) {
        return {};
    }
    const std::size_t start = at + key.size() + 1;
    if (start >= reply.size()) {
        return {};
    }
    const std::size_t end = reply.find('\\', start);
    return reply.substr(start, end == std::string_view::npos ? end : end - start);
}

struct ReferenceResult {
    parse::ServerInfoRecord record;
    std::array<parse::PlayerInfo, parse::kPlayerEntries> players;
};

void ParseByKeySearch(std::string_view reply, ReferenceResult& result) {
    for (const parse::ServerField& field : parse::ServerFields()) {
        result.record.*field.field = SearchValue(reply, field.key);
    }
    const std::optional<double> count = ParseDecimal(result.record.numplayers);
    const std::optional<std::int16_t> last = count ? ToInt16(*count - 1) : std::nullopt;
    for (int i = 0; last && i <= *last; ++i) {
        if (i < parse::kPlayerEntries) {
            parse::PlayerInfo& entry = result.players[static_cast<std::size_t>(i)];
            const std::string n = std::to_string(i);
            entry.player = SearchValue(reply, "player_" + n);
            entry.team = SearchValue(reply, "team_" + n);
            entry.score = SearchValue(reply, "score_" + n);
            entry.kills = SearchValue(reply, "kills_" + n);
            entry.deaths = SearchValue(reply, "deaths_" + n);
            entry.ping = SearchValue(reply, "ping_" + n);
        }
    }
}

bool SameAsParser(const ReferenceResult& result, const parse::ParsedReply& parsed, int players) {
    for (const parse::ServerField& field : parse::ServerFields()) {
        if (result.record.*field.field != parsed.record.*field.field) {
            return false;
        }
    }
    if (parsed.players.size() != static_cast<std::size_t>(players)) {
        return false;
    }
    for (int i = 0; i < players; ++i) {
        const parse::PlayerInfo& a = result.players[static_cast<std::size_t>(i)];
        const parse::PlayerInfo& b = parsed.players[static_cast<std::size_t>(i)];
        if (a.player != b.player || a.team != b.team || a.score != b.score || a.kills != b.kills ||
            a.deaths != b.deaths || a.ping != b.ping) {
            return false;
        }
    }
    return true;
}

void BM_ParseServerReply(benchmark::State& state) {
    const std::string reply = BuildReply(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(parse::ParseReply(reply));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * reply.size()));
}

void BM_ParseByKeySearch(benchmark::State& state) {
    const int players = static_cast<int>(state.range(0));
    const std::string reply = BuildReply(players);
    static ReferenceResult result;
    // Both must read the same reply the same way, or the comparison means nothing.
    ParseByKeySearch(reply, result);
    if (!SameAsParser(result, parse::ParseReply(reply), players)) {
        state.SkipWithError("the reference reads the reply differently from the parser");
        return;
    }
    for (auto _ : state) {
        ParseByKeySearch(reply, result);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * reply.size()));
}

// A reply of about 1 MB made of pairs whose keys are chosen to hurt the lookup: near misses
// of the known keys (long shared prefixes, player keys with padded or huge indexes), against
// random keys of the same lengths. The two must cost about the same.
std::string HostileReply(bool crafted) {
    const char* const nearMisses[] = {"soldier_friendly_fire_on_splasX",
                                      "vehicle_friendly_fire_on_splasz",
                                      "name_tag_distance_scopf",
                                      "player_0000000000",
                                      "deaths_99999999999",
                                      "hostnamf",
                                      "all_active_modr",
                                      "ping_2001"};
    std::string reply = "\\numplayers\\201";
    unsigned state = 12345;
    for (std::size_t i = 0; reply.size() < (1u << 20); ++i) {
        std::string key = nearMisses[i % std::size(nearMisses)];
        if (!crafted) {
            for (char& c : key) {
                state = state * 1103515245u + 12345u;
                c = static_cast<char>('a' + (state >> 16) % 26);
            }
        }
        reply += "\\" + key + "\\v";
    }
    return reply;
}

void BM_ParseHostileKeys(benchmark::State& state) {
    const std::string reply = HostileReply(state.range(0) == 1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(parse::ParseReply(reply));
    }
    state.SetLabel(state.range(0) == 1 ? "crafted keys" : "random keys");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * reply.size()));
}

// The largest set of parts that is held: 64 datagrams of 65,467 backslashes each (bar their
// queryid), joined and parsed. Run alone to read the peak memory it needs.
void BM_ParseSixtyFourPartsOfBackslashes(benchmark::State& state) {
    for (auto _ : state) {
        ReplyAssembler assembler;
        std::optional<std::string> reply;
        for (int part = 1; part <= ReplyAssembler::kMaxParts; ++part) {
            const std::string trailer = std::string(part == ReplyAssembler::kMaxParts ? "\\final\\" : "") +
                                        "\\queryid\\1." + std::to_string(part);
            std::string datagram(65467 - trailer.size(), '\\');
            reply = assembler.Add(datagram + trailer, ReplyAssembler::Clock::time_point{});
        }
        benchmark::DoNotOptimize(parse::ParseReply(reply.value_or("")));
    }
}

BENCHMARK(BM_ParseServerReply)->Arg(32)->Arg(201);
BENCHMARK(BM_ParseHostileKeys)->Arg(1)->Arg(0);
BENCHMARK(BM_ParseSixtyFourPartsOfBackslashes)->Iterations(1);
BENCHMARK(BM_ParseByKeySearch)->Arg(32)->Arg(201);

}  // namespace
}  // namespace vantorel
