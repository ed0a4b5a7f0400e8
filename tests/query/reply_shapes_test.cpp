// The shapes of reply that other query clients read, read by the stats window's path (the
// query session, the parser, the record and table, the display texts) and by the many-server
// engine that bfv-query runs, in automatic mode and with the protocol forced: both must show
// the same three players.

#include <gtest/gtest.h>

#include "fakes/fake_datagram_sockets.h"
#include "fakes/fake_services.h"
#include "query/mod_bfv_query_parse.h"
#include "query/query_all.h"
#include "query/query_session.h"
#include "query/stats_display.h"

namespace vantorel {
namespace {

using namespace std::string_literals;

struct Player {
    const char *name, *team, *score, *kills, *deaths, *ping;
};
const Player kAnn{"Ann", "1", "7", "12", "3", "45"}, kBob{"Bob", "2", "1", "2", "3", "60"},
    kCy{"Cy", "1", "5", "6", "7", "80"};
const std::vector<std::string> kLines = {"us   Ann               07/12/03     45",
                                         "nva  Bob               01/02/03     60",
                                         "us   Cy                05/06/07     80"};

// GameSpy 1 keys of one player, numbered `n`, with the name under `nameKey`.
std::string Gs1(const Player& p, int n, const std::string& nameKey = "player_", const std::string& extra = "") {
    const std::string i = std::to_string(n);
    return "\\" + nameKey + i + "\\" + p.name + "\\team_" + i + "\\" + p.team + "\\score_" + i + "\\" + p.score +
           "\\kills_" + i + "\\" + p.kills + "\\deaths_" + i + "\\" + p.deaths + "\\ping_" + i + "\\" + p.ping + extra;
}
const std::string kServer = "\\hostname\\Alpha\\mapname\\Delta\\numplayers\\3\\maxplayers\\32";
const std::string kPlayers = Gs1(kAnn, 0) + Gs1(kBob, 1) + Gs1(kCy, 2);

// A GameSpy 2 reply (its id left 0 here): server keys, then row tables with two-byte counts.
std::string Gs2(const std::vector<Player>& players, bool teams, bool extraField) {
    std::string reply = "\0\0\0\0\0hostname\0Alpha\0mapname\0Delta\0numplayers\0"s + std::to_string(players.size()) +
                        "\0maxplayers\00032\0\0"s;
    reply += "\0"s + static_cast<char>(players.size()) + "player_\0team_\0score_\0kills_\0deaths_\0ping_\0"s +
             (extraField ? "skill_\0"s : "") + "\0"s;
    for (const Player& p : players) {
        for (const char* value : {p.name, p.team, p.score, p.kills, p.deaths, p.ping}) {
            reply += value + "\0"s;
        }
        reply += extraField ? "99\0"s : "";
    }
    return reply + (teams ? "\0\2team_t\0tickets_t\0\0US\000250\0NVA\000250\0"s : "");
}

struct Shape {
    const char* name;
    std::vector<std::string> datagrams;
    std::vector<std::string> lines = kLines;
    bool gameSpy2 = false;
};

std::vector<Shape> Shapes() {
    const std::string part1 = kServer + Gs1(kAnn, 0) + "\\queryid\\5.1";
    const std::string part2 = Gs1(kBob, 1) + "\\queryid\\5.2";
    const std::string part3 = Gs1(kCy, 2) + "\\final\\\\queryid\\5.3";
    const std::string blank(23, ' ');
    return {
        {"one datagram", {kServer + kPlayers}},
        {"one datagram with final and queryid", {kServer + kPlayers + "\\final\\\\queryid\\4.1"}},
        {"parts in order", {part1, part2, part3}},
        {"parts out of order", {part3, part1, part2}},
        {"a part twice", {part1, part2, part1, part3}},
        {"a part lost", {part1, part3}, {kLines[0], blank + "--/--/--     --", kLines[2]}},
        {"the sibling games' keys",
         {kServer + Gs1(kAnn, 0, "playername_", "\\keyhash_0\\f00d") +
          Gs1(kBob, 1, "playername_", "\\keyhash_1\\beef") + Gs1(kCy, 2, "playername_") +
          "\\teamname_0\\US\\teamname_1\\NVA"}},
        {"players numbered with gaps", {kServer + Gs1(kAnn, 0) + Gs1(kBob, 2) + Gs1(kCy, 5)}},
        {"keys in another case",
         {"\\Hostname\\Alpha\\MapName\\Delta\\NumPlayers\\3\\MAXPLAYERS\\32" + Gs1(kAnn, 0, "Player_") +
          Gs1(kBob, 1, "PLAYER_") + Gs1(kCy, 2)}},
        {"extra player fields",
         {kServer + Gs1(kAnn, 0, "player_", "\\skill_0\\3\\pid_0\\17") + Gs1(kBob, 1) + Gs1(kCy, 2)}},
        {"no players", {"\\hostname\\Alpha\\mapname\\Delta\\numplayers\\0\\maxplayers\\32\\final\\\\queryid\\2.1"}, {}},
        {"GameSpy 2, every section", {Gs2({kAnn, kBob, kCy}, true, false)}, kLines, true},
        {"GameSpy 2, no team section", {Gs2({kAnn, kBob, kCy}, false, false)}, kLines, true},
        {"GameSpy 2, extra player field", {Gs2({kAnn, kBob, kCy}, true, true)}, kLines, true},
        {"GameSpy 2, no players", {Gs2({}, true, false)}, {}, true},
    };
}

// A GameSpy 2 datagram made an answer to `request`, whose id it takes.
std::string AnswerTo(const std::string& datagram, const std::string& request) {
    return datagram[0] == '\0' ? datagram.substr(0, 1) + request.substr(3, 4) + datagram.substr(5) : datagram;
}

struct Shown {
    std::string title, players;
    std::vector<std::string> lines;
};

Shown ShownBy(const StatsDisplay& display) {
    return {display.serverTitle, display.players, display.lines};
}

// As the stats window reads a shape: its session, its parser and its texts.
Shown ShownByTheWindow(const Shape& shape) {
    const QuerySession::Clock::time_point start{};
    QuerySession session("10.0.0.1", shape.gameSpy2 ? QueryProtocol::kGameSpy2 : QueryProtocol::kAuto, nullptr, 9,
                         start);
    std::optional<QueryReply> reply;
    for (const std::string& datagram : shape.datagrams) {
        QuerySession::Action action = session.OnDatagram(AnswerTo(datagram, session.Request()), start);
        reply = action.reply ? std::move(action.reply) : std::move(reply);
    }
    if (!reply) {
        reply = session.OnDeadline(start + ReplyAssembler::kPartsTimeout).reply;
    }
    if (!reply) {
        return {};
    }
    modBFVQueryParse::StoreReply(ParseQueryReply(*reply));
    return ShownBy(ComposeStats(modBFVQueryParse::ServerInfo(), modBFVQueryParse::Players()));
}

TEST(ReplyShapes, ReadAlikeByTheStatsWindowAndByTheEngine) {
    testing::FakePlatform services;
    platform::MonotonicClock::time_point& now = services.clock.now.emplace();
    testing::FakeDatagramSockets sockets(now);
    const std::vector<Shape> shapes = Shapes();
    std::vector<QueryTarget> targets;
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        // Each answers every request of its protocol with the shape's datagrams.
        const Shape& shape = shapes[i];
        targets.push_back({"10.0.0.1", static_cast<int>(i + 1)});
        sockets.Serve(
            {*DottedAddress("10.0.0.1"), static_cast<std::uint16_t>(i + 1)}, [&shape](std::string_view request) {
                std::vector<testing::FakeDatagramSockets::Answer> answers;
                if ((request[0] == '\\') != shape.gameSpy2) {
                    for (const std::string& datagram : shape.datagrams) {
                        answers.push_back({std::chrono::milliseconds(10), AnswerTo(datagram, std::string(request))});
                    }
                }
                return answers;
            });
    }
    const auto expect = [](const Shown& shown, const Shape& shape, const std::string& by) {
        EXPECT_EQ(shown.title, "Alpha") << shape.name << ", " << by;
        EXPECT_EQ(shown.players, "Players:  " + std::to_string(shape.lines.size()) + " / 32")
            << shape.name << ", " << by;
        EXPECT_EQ(shown.lines, shape.lines) << shape.name << ", " << by;
    };
    for (const Shape& shape : shapes) {
        expect(ShownByTheWindow(shape), shape, "the stats window");
    }
    for (const QueryProtocol protocol : {QueryProtocol::kAuto, QueryProtocol::kStatus, QueryProtocol::kGameSpy2}) {
        QueryEngine::Options options;
        options.protocol = protocol;
        const std::vector<QueryResult> results = QueryAll(targets, options, sockets);
        ASSERT_EQ(results.size(), shapes.size());
        for (std::size_t i = 0; i < shapes.size(); ++i) {
            const bool asked =
                protocol == QueryProtocol::kAuto || (protocol == QueryProtocol::kGameSpy2) == shapes[i].gameSpy2;
            if (asked) {
                ASSERT_EQ(results[i].status, QueryResult::Status::kOk)
                    << shapes[i].name << ", " << ProtocolName(protocol);
                expect(ShownBy(ShowReport(*results[i].report)), shapes[i],
                       std::string("the engine, ") + ProtocolName(protocol));
            } else {
                EXPECT_EQ(results[i].status, QueryResult::Status::kTimeout) << shapes[i].name;
            }
        }
    }
}

}  // namespace
}  // namespace vantorel
