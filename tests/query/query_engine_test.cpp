// The many-server engine, driven by its blocking driver over scripted sockets and by hand,
// on a clock the tests move: every timeout runs in no real time.

#include "query/query_engine.h"

#include <gtest/gtest.h>

#include "fakes/fake_datagram_sockets.h"
#include "fakes/fake_services.h"
#include "query/gamespy2_reply.h"
#include "query/query_all.h"

namespace vantorel {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using Answer = testing::FakeDatagramSockets::Answer;
using Endpoint = platform::Endpoint;
using Status = QueryResult::Status;

Endpoint At(const std::string& address, int port = kDefaultQueryPort) {
    return {*DottedAddress(address), static_cast<std::uint16_t>(port)};
}

std::string Reply(const std::string& title, int players = 0) {
    std::string reply =
        "\\hostname\\" + title + "\\mapname\\Hue\\numplayers\\" + std::to_string(players) + "\\maxplayers\\32";
    for (int i = 0; i < players; ++i) {
        const std::string n = std::to_string(i);
        reply += "\\player_" + n + "\\P" + n + "\\team_" + n + "\\1";
    }
    return reply;
}

// A GameSpy 2 reply to `request`, whose id it takes.
std::string GameSpy2Reply(std::string_view request, const std::string& title) {
    return "\0"s + std::string(request.substr(3, 4)) + "hostname\0"s + title +
           "\0numplayers\0"
           "0\0\0"s;
}

bool IsText(std::string_view request) {
    return !request.empty() && request[0] == '\\';
}

class QueryEngineTest : public ::testing::Test {
  protected:
    std::vector<QueryResult> Run(std::vector<QueryTarget> targets, unsigned timeoutMs = 1500) {
        QueryEngine::Options options;
        options.timeoutMs = timeoutMs;
        start = now;
        return QueryAll(std::move(targets), options, sockets);
    }
    // Milliseconds since the run started.
    long long Ms(platform::MonotonicClock::time_point at) const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(at - start).count();
    }
    std::string Sent(Endpoint to) const {
        std::string list;
        for (const auto& sent : sockets.sent) {
            if (sent.to == to) {
                const std::string form = sent.bytes == "\\status\\" ? "status"
                                         : sent.bytes[0] == '\xFE'  ? "gs2"
                                                                    : sent.bytes;
                list += (list.empty() ? "" : " ") + form + "@" + std::to_string(Ms(sent.at));
            }
        }
        return list;
    }

    testing::FakePlatform services;
    platform::MonotonicClock::time_point& now = services.clock.now.emplace();
    platform::MonotonicClock::time_point start;
    testing::FakeDatagramSockets sockets{now};
};

TEST_F(QueryEngineTest, EachServerEndsAsItsAnswerSays) {
    sockets.Serve(At("10.0.0.1"), [](std::string_view request) {
        return IsText(request) ? std::vector<Answer>{{40ms, Reply("Text", 2)}} : std::vector<Answer>{};
    });
    sockets.Serve(At("10.0.0.4"), [](std::string_view request) {
        return IsText(request) ? std::vector<Answer>{} : std::vector<Answer>{{30ms, GameSpy2Reply(request, "Two")}};
    });
    sockets.Close(At("10.0.0.3"));
    const std::vector<QueryResult> results =
        Run({{"10.0.0.1"}, {"10.0.0.2"}, {"10.0.0.3"}, {"10.0.0.4"}, {"10.0.0.1", kDefaultQueryPort}, {"10.0.0.5", 7}});
    ASSERT_EQ(results.size(), 6u);
    const struct {
        Status status;
        std::string title, requests;
        double pingMs;
    } expected[] = {
        {Status::kOk, "Text", "status@0", 40},
        {Status::kTimeout, "", "status@0 gs2@300 status@750 gs2@750", 0},
        {Status::kDown, "", "status@0", 0},
        {Status::kOk, "Two", "status@0 gs2@300", 30},
        {Status::kOk, "Text", "status@0", 40},  // listed again: asked once, told twice
        {Status::kTimeout, "", "status@0 gs2@300 status@750 gs2@750", 0},
    };
    const Endpoint endpoints[] = {At("10.0.0.1"), At("10.0.0.2"), At("10.0.0.3"),
                                  At("10.0.0.4"), At("10.0.0.1"), At("10.0.0.5", 7)};
    for (std::size_t i = 0; i < results.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(results[i].status, expected[i].status);
        EXPECT_EQ(results[i].report ? ShowReport(*results[i].report).serverTitle : "", expected[i].title);
        EXPECT_EQ(Sent(endpoints[i]), expected[i].requests);
        EXPECT_EQ(results[i].pingMs, expected[i].pingMs);
    }
    EXPECT_EQ(results[0].dialect, Dialect::kStatus);
    EXPECT_EQ(results[3].dialect, Dialect::kGameSpy2);
    EXPECT_EQ(results[4].target.port, kDefaultQueryPort);
    EXPECT_EQ(results[0].report->players.size(), 2u);
    EXPECT_EQ(results[5].ip, "10.0.0.5");
    EXPECT_EQ(Ms(now), 1500);  // one timeout in all
    EXPECT_EQ(sockets.released.size(), 5u);
}

// A host that answers its servers one at a time, 20 ms each, in the order asked: while its
// answers keep coming, its servers are asked nothing more, and each answers its one request.
// A server there that speaks only GameSpy 2 is asked it once the host has gone quiet.
TEST_F(QueryEngineTest, AHostStillAnsweringIsAskedNoMoreUntilItIsQuiet) {
    auto freeAt = std::make_shared<platform::MonotonicClock::time_point>(now);
    const auto slowly = [this, freeAt](std::string reply) {
        *freeAt = std::max(*freeAt, now) + 20ms;
        return std::vector<Answer>{{std::chrono::duration_cast<std::chrono::milliseconds>(*freeAt - now), reply}};
    };
    std::vector<QueryTarget> targets;
    for (int port = 1; port <= 40; ++port) {
        targets.push_back({"10.0.0.9", port});
        sockets.Serve(At("10.0.0.9", port), [slowly](std::string_view request) {
            return IsText(request) ? slowly(Reply("Busy")) : std::vector<Answer>{};
        });
    }
    targets.push_back({"10.0.0.9", 41});
    sockets.Serve(At("10.0.0.9", 41), [slowly](std::string_view request) {
        return IsText(request) ? std::vector<Answer>{} : slowly(GameSpy2Reply(request, "Two"));
    });
    const std::vector<QueryResult> results = Run(targets);
    for (std::size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(results[i].status, Status::kOk) << i;
    }
    EXPECT_EQ(Sent(At("10.0.0.9", 40)), "status@0");
    // The last text answer came at 800 ms.
    EXPECT_EQ(Sent(At("10.0.0.9", 41)), "status@0 gs2@850");
    EXPECT_EQ(sockets.sent.size(), 42u);
    EXPECT_EQ(Ms(now), 870);
}

TEST_F(QueryEngineTest, SplitRepliesAreJoinedAndAServerStartingNewSetsIsNotWaitedForWithoutEnd) {
    // Parts out of order, the last one lost: shown after the parts timeout.
    sockets.Serve(At("10.0.0.1"), [](std::string_view) {
        return std::vector<Answer>{{10ms, "\\player_0\\Ann\\team_0\\2\\queryid\\9.2"},
                                   {20ms, "\\hostname\\Parts\\numplayers\\1\\queryid\\9.1"}};
    });
    // A first part of a new set every 200 ms, each one restarting the wait for parts.
    sockets.Serve(At("10.0.0.2"), [](std::string_view request) {
        std::vector<Answer> sets;
        for (int set = 1; IsText(request) && set <= 100; ++set) {
            sets.push_back(
                {std::chrono::milliseconds(set * 200), "\\hostname\\Never\\queryid\\" + std::to_string(set) + ".1"});
        }
        return sets;
    });
    const std::vector<QueryResult> results = Run({{"10.0.0.1"}, {"10.0.0.2"}}, 300);
    ASSERT_EQ(results[0].status, Status::kOk);
    EXPECT_EQ(ShowReport(*results[0].report).serverTitle, "Parts");
    ASSERT_EQ(results[0].report->players.size(), 1u);
    EXPECT_EQ(results[0].report->players[0].player, "Ann");
    EXPECT_EQ(results[1].status, Status::kTimeout);
    EXPECT_EQ(Ms(now), 1300);  // the timeout and a parts timeout past it
}

TEST_F(QueryEngineTest, RepliesAreTakenOnlyFromTheServerAsked) {
    // From another port of the only server asked at its address: its own. From another port
    // of an address where two servers are asked, or from one of our own sockets: nobody's.
    sockets.Serve(At("10.0.0.2"), [](std::string_view) {
        return std::vector<Answer>{{10ms, Reply("Moved"), At("10.0.0.2", 999)}};
    });
    sockets.Serve(At("10.0.0.3"), [](std::string_view) {
        return std::vector<Answer>{{10ms, Reply("Stray"), At("10.0.0.3", 999)}};
    });
    sockets.Serve(At("10.0.0.4"), [](std::string_view) { return std::vector<Answer>{{10ms, Reply("Echo")}}; });
    sockets.own.push_back(At("10.0.0.4"));
    const std::vector<QueryResult> results = Run({{"10.0.0.2"}, {"10.0.0.3"}, {"10.0.0.3", 2}, {"10.0.0.4"}}, 200);
    EXPECT_EQ(results[0].status, Status::kOk);
    EXPECT_EQ(ShowReport(*results[0].report).serverTitle, "Moved");
    EXPECT_EQ(results[1].status, Status::kTimeout);
    EXPECT_EQ(results[3].status, Status::kTimeout);
}

TEST_F(QueryEngineTest, ARefusedFirstRequestEndsTheQueryWithAnError) {
    sockets.refuseSends = true;
    const std::vector<QueryResult> results = Run({{"10.0.0.1"}});
    EXPECT_EQ(results[0].status, Status::kError);
    EXPECT_EQ(results[0].error, "The query could not be sent.");
    EXPECT_EQ(Ms(now), 0);
}

// The step interface as a window would drive it: names to look up handed out, results as
// they come, a wake-up time, and a cancel.
TEST(QueryEngineSteps, ResultsComeAsTheyEndAndACancelEndsTheRest) {
    const QueryEngine::Clock::time_point t0{};
    QueryEngine::Options options;
    options.maxSimultaneous = 1;
    options.lookupWaitMs = 1000;
    QueryEngine engine({{"10.0.0.1"}, {"game.example"}, {"nowhere.example"}, {"10.0.0.2"}, {"late.example"}}, options,
                       t0);
    EXPECT_EQ(engine.TakeLookups(), (std::vector<std::string>{"game.example", "nowhere.example", "late.example"}));
    EXPECT_EQ(engine.NextWake(), t0);  // servers are ready to start
    engine.OnTime(t0);
    std::vector<QueryEngine::Outgoing> out = engine.TakeOutgoing();
    ASSERT_EQ(out.size(), 1u);  // one at a time
    EXPECT_EQ(out[0].to, At("10.0.0.1"));
    EXPECT_TRUE(out[0].first);
    EXPECT_EQ(engine.NextWake(), t0 + 300ms);

    engine.OnLookup("game.example", *DottedAddress("10.0.0.1"), t0 + 5ms);  // the first one, listed again
    engine.OnLookup("nowhere.example", std::nullopt, t0 + 6ms);
    engine.OnDatagram(At("10.0.0.1"), Reply("One"), t0 + 10ms);
    EXPECT_EQ(engine.TakeFinished(), (std::vector<std::size_t>{2, 0, 1}));
    EXPECT_EQ(engine.Result(2).error, "Host not found.");
    EXPECT_EQ(engine.Result(1).target.host, "game.example");
    EXPECT_EQ(engine.Result(1).report, engine.Result(0).report);
    EXPECT_EQ(engine.TakeReleased(), (std::vector<Endpoint>{At("10.0.0.1")}));

    engine.OnTime(t0 + 10ms);
    out = engine.TakeOutgoing();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].to, At("10.0.0.2"));
    engine.OnTime(t0 + 1000ms);  // the last name never resolved
    EXPECT_EQ(engine.TakeFinished(), (std::vector<std::size_t>{4}));
    EXPECT_EQ(engine.Result(4).error, "Host lookup took too long.");
    EXPECT_FALSE(engine.Done());
    engine.Cancel(3);
    EXPECT_EQ(engine.TakeFinished(), (std::vector<std::size_t>{3}));
    EXPECT_EQ(engine.Result(3).status, Status::kCancelled);
    EXPECT_EQ(engine.TakeReleased(), (std::vector<Endpoint>{At("10.0.0.2")}));
    EXPECT_TRUE(engine.Done());
    EXPECT_FALSE(engine.NextWake());
}

// A reply built to be large leaves only a bounded summary: the first other keys, each text
// cut, nothing of the reply itself.
TEST(ServerReportTest, WhatIsKeptOfAReplyIsBounded) {
    QueryReply amplifying{Dialect::kGameSpy2, {}, {{"hostname", std::string(100000, 'h')}}};
    for (int row = 0; row < 255; ++row) {
        for (int field = 0; field < 242; ++field) {
            // Not of a player's "name_N" form, which is never listed among the other keys.
            amplifying.pairs.push_back({"abcdefghijklm" + std::to_string(field) + "r" + std::to_string(row), ""});
        }
    }
    amplifying.pairs.push_back({"numplayers", "1"});
    amplifying.pairs.push_back({"player_0", std::string(5000, '\xE9')});
    const auto gs2 = SummarizeReply(amplifying);
    EXPECT_EQ(gs2->others.size(), ServerReport::kMostOtherKeys);
    EXPECT_EQ(gs2->othersLeftOut, 255u * 242u - ServerReport::kMostOtherKeys);
    EXPECT_EQ(gs2->record.hostname.size(), ServerReport::kMostTextBytes);
    ASSERT_EQ(gs2->players.size(), 1u);
    EXPECT_EQ(gs2->players[0].player.size(), ServerReport::kMostTextBytes);  // 128 whole "é"

    const std::string backslashes(4 << 20, '\\');
    const auto split = SummarizeReply(QueryReply{Dialect::kBasic, "\\hostname\\H" + backslashes + "\\a\\1\\a\\2", {}});
    EXPECT_EQ(split->record.hostname, "H");
    EXPECT_EQ(split->others, (std::vector<std::pair<std::string, std::string>>{{"a", "1"}}));
    EXPECT_EQ(split->othersLeftOut, 0u);
}

}  // namespace
}  // namespace vantorel
