// The Servers window's network over real loopback sockets, on the program's own event loop,
// against sample servers answering in this process.

#include "browse/engine_server_source.h"

#include <gtest/gtest.h>

#include <map>

#include "fakes/pump.h"
#include "fakes/udp_peer.h"
#include "query/server_report.h"
#include "sample_responder.h"

namespace vantorel::browse {
namespace {

// What the window would be told, one line per report.
class RecordingEvents : public ServerSourceEvents {
  public:
    void OnMasterList(std::size_t master, const MasterList& list) override {
        lines.push_back("master " + std::to_string(master) + ": " + std::to_string(list.Servers().size()) + " " +
                        (list.Fault() ? list.Fault()->Reason() : "whole"));
    }
    void OnServerAnswer(const ServerKey& server, const ServerAnswer& answer) override {
        answers[server.Text()] = answer;
    }
    void OnServerFailed(const ServerKey& server, const std::string& reason) override {
        failures[server.Text()] = reason;
    }
    std::size_t Reports() const { return answers.size() + failures.size(); }

    std::vector<std::string> lines;
    std::map<std::string, ServerAnswer> answers;
    std::map<std::string, std::string> failures;
};

std::unique_ptr<SampleResponder> Responder(const std::string& hostname, int players) {
    SampleResponder::Settings settings;
    settings.firstPort = settings.lastPort = 0;
    settings.hostname = hostname;
    settings.players = players;
    auto responder = std::make_unique<SampleResponder>(settings);
    std::string error;
    EXPECT_TRUE(responder->Open(&error)) << error;
    return responder;
}

#ifdef _WIN32
// Wine passes no "port unreachable" on to its programs: there a closed port is silent.
constexpr const char* kClosedPort = "no answer";
#else
constexpr const char* kClosedPort = "port closed";
#endif

ServerKey At(int port, const std::string& host = "127.0.0.1") {
    return {host, static_cast<std::uint16_t>(port)};
}

class EngineSourceTest : public ::testing::Test {
  protected:
    EngineServerSource::Options Quick() {
        EngineServerSource::Options options;
        options.timeoutMs = 400;
        return options;
    }
    RecordingEvents events;
};

// Every server asked is reported once, with its answer or why none came, however few may be
// asked at a time; the answers carry what the list shows.
TEST_F(EngineSourceTest, EveryServerIsReportedOnceAndNoMoreAreAskedAtATimeThanAllowed) {
    const auto alpha = Responder("Alpha", 3);
    const auto bravo = Responder("Bravo", 12);
    const auto charlie = Responder("Charlie", 30);
    const testing::UdpPeer silent;
    int closedPort = 0;
    {
        const testing::UdpPeer gone;
        closedPort = gone.Port();
    }
    EngineServerSource source(*platform::Current().events, nullptr, Quick());
    source.SetEvents(&events);
    const std::vector<ServerKey> servers{At(alpha->BoundPort(0)), At(bravo->BoundPort(0)),
                                         At(charlie->BoundPort(0), "localhost"), At(silent.Port()), At(closedPort)};
    source.QueryServers(servers, 2);
    EXPECT_EQ(events.Reports(), 0u);  // reports come from the loop, never from inside the call
    ASSERT_TRUE(testing::PumpUntil([&] { return events.Reports() == servers.size(); }));
    EXPECT_LE(source.MostInFlightSeen(), 2);
    EXPECT_EQ(source.InFlight(), 0);

    const ServerAnswer& a = events.answers.at(servers[0].Text());
    EXPECT_EQ(a.title, "Alpha");
    EXPECT_EQ(a.map, "Hue");
    EXPECT_EQ(a.players, 3);
    EXPECT_EQ(a.maxPlayers, 32);
    EXPECT_EQ(a.reserved, 2);
    EXPECT_EQ(a.gamePort, 15567);
    EXPECT_EQ(a.version, "v1.21");
    EXPECT_EQ(a.playerNames, (std::vector<std::string>{"J\xC3\xA9r\xC3\xB4me", "Sgt. Baker", "Nguyen"}));
    EXPECT_TRUE(a.pingMs.has_value());
    EXPECT_EQ(events.answers.at(servers[1].Text()).playerNames.size(), 12u);
    EXPECT_EQ(events.answers.at(servers[2].Text()).title, "Charlie");  // a name, looked up off the thread
    EXPECT_EQ(events.failures.at(servers[3].Text()), "no answer");
    EXPECT_EQ(events.failures.at(servers[4].Text()), kClosedPort);
}

// A refresh cancels what is under way: nothing asked before it is reported after it.
TEST_F(EngineSourceTest, NothingAskedBeforeACancelIsReportedAfterIt) {
    const auto alpha = Responder("Alpha", 3);
    const auto bravo = Responder("Bravo", 1);
    EngineServerSource source(*platform::Current().events, nullptr, Quick());
    source.SetEvents(&events);
    bool answered = false;
    alpha->SetOnReply([&](const std::string&) { answered = true; });
    source.QueryServers({At(alpha->BoundPort(0))}, 8);
    ASSERT_TRUE(testing::PumpUntil([&] { return answered; }));
    source.Cancel();
    events = RecordingEvents();
    // Alpha's answer is on its way, ahead of Bravo's on the same socket.
    source.QueryServers({At(bravo->BoundPort(0))}, 8);
    ASSERT_TRUE(testing::PumpUntil([&] { return events.Reports() == 1; }));
    EXPECT_EQ(events.answers.count(At(alpha->BoundPort(0)).Text()), 0u);
    EXPECT_EQ(events.answers.at(At(bravo->BoundPort(0)).Text()).title, "Bravo");
}

class FakeLister : public MasterLister {
  public:
    void List(const std::vector<MasterAddress>& masters, Done report) override {
        asked = masters;
        done = std::move(report);
    }
    void Cancel() override { ++cancels; }
    std::vector<MasterAddress> asked;
    Done done;
    int cancels = 0;
};

// The masters go to the lister when there is one, and each list reaches the window until a
// cancel; without one, each master is reported as not asked, so the kept list is asked.
TEST_F(EngineSourceTest, MastersAreListedThroughTheListerOrReportedNotAsked) {
    const std::vector<MasterAddress> masters{{"127.0.0.1", 28910}, {"master.example", 28900}};
    FakeLister lister;
    EngineServerSource listed(*platform::Current().events, &lister, Quick());
    listed.SetEvents(&events);
    listed.ListMasters(masters);
    EXPECT_EQ(lister.asked, masters);
    MasterList one;
    std::string why;
    one.Add({{0x7F000001u, 23000}, {}}, &why);
    one.MarkComplete();
    lister.done(1, one);
    listed.Cancel();
    EXPECT_EQ(lister.cancels, 1);
    lister.done(0, one);  // a late report of the cancelled listing

    EngineServerSource unlisted(*platform::Current().events, nullptr, Quick());
    unlisted.SetEvents(&events);
    unlisted.ListMasters(masters);
    ASSERT_TRUE(testing::PumpUntil([&] { return events.lines.size() == 3; }));
    EXPECT_EQ(events.lines, (std::vector<std::string>{
                                "master 1: 1 whole", "master 0: 0 " + std::string(EngineServerSource::kMastersNotAsked),
                                "master 1: 0 " + std::string(EngineServerSource::kMastersNotAsked)}));
}

// What a query's result says for the list: texts trimmed and made fit, counts that are no
// numbers unknown, and the reason of each kind of failure.
TEST(AnswerOfTest, AResultBecomesTheListsValues) {
    QueryResult result;
    result.status = QueryResult::Status::kOk;
    result.pingMs = 41.6;
    result.report = SummarizeReply({Dialect::kBasic,
                                    "\\hostname\\  Rock\x01 \\mapname\\Hue\\gametype\\conquest\\numplayers\\2"
                                    "\\maxplayers\\x\\password\\1\\hostport\\15570\\player_0\\ Ann \\player_1\\Bob"
                                    "\\player_2\\Carl",
                                    {}});
    const std::optional<ServerAnswer> answer = AnswerOf(result);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->title, "Rock?");
    EXPECT_EQ(answer->gameType, "conquest");
    EXPECT_EQ(answer->players, 2);
    EXPECT_FALSE(answer->maxPlayers.has_value());
    EXPECT_EQ(answer->password, true);
    EXPECT_EQ(answer->gamePort, 15570);
    EXPECT_EQ(answer->pingMs, 42);
    EXPECT_EQ(answer->playerNames, (std::vector<std::string>{"Ann", "Bob"}));  // as many as it counts

    const std::pair<QueryResult::Status, const char*> failures[] = {{QueryResult::Status::kTimeout, "no answer"},
                                                                    {QueryResult::Status::kDown, "port closed"},
                                                                    {QueryResult::Status::kError, "no such host"}};
    for (const auto& [status, reason] : failures) {
        result.status = status;
        result.error = "no such host";
        EXPECT_FALSE(AnswerOf(result).has_value());
        EXPECT_EQ(FailureOf(result), reason);
    }
}

}  // namespace
}  // namespace vantorel::browse
