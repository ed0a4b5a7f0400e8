// One master's exchange driven by hand: which protocol, when the session wants time, what
// it sends, and how it ends.

#include <gtest/gtest.h>

#include <string>

#include "answer_bytes.h"
#include "browse/master_session.h"

namespace vantorel::browse {
namespace {

using namespace std::chrono_literals;
using testing::B;
using Clock = MasterSession::Clock;

const Clock::time_point kStart{};

MasterSession::Settings Detecting() {
    MasterSession::Settings settings;
    settings.clientChallenge = std::string(testing::kChallenge);
    return settings;
}

TEST(MasterSession, AGreetingMeansLegacySilenceMeansNewer) {
    MasterSession legacy(Detecting(), kStart);
    EXPECT_TRUE(legacy.OnConnected(kStart + 40ms).send.empty());
    EXPECT_EQ(legacy.Deadline(), kStart + 40ms + 160ms);  // four round trips of the connection
    const MasterSession::Step answer = legacy.OnBytes("\\basic\\\\secure\\ABCDEF", kStart + 60ms);
    EXPECT_EQ(answer.send.rfind("\\gamename\\bfvietnam\\", 0), 0u) << answer.send;
    EXPECT_NE(answer.send.find("\\validate\\nFA8v/lN\\enctype\\2\\"), std::string::npos);
    EXPECT_EQ(legacy.Spoken(), ListProtocol::kLegacy);
    EXPECT_EQ(legacy.Deadline(), kStart + 5s);

    MasterSession newer(Detecting(), kStart);
    newer.OnConnected(kStart + 40ms);
    EXPECT_TRUE(newer.OnTime(kStart + 100ms).send.empty());  // woken early: nothing yet
    const MasterSession::Step request = newer.OnTime(kStart + 40ms + 160ms);
    EXPECT_EQ(request.send.size(), 216u);
    EXPECT_EQ(newer.Spoken(), ListProtocol::kNewer);

    // A legacy master slower than the wait still gets its answer.
    const MasterSession::Step late = newer.OnBytes("\\basic\\\\secure\\ABCDEF", kStart + 700ms);
    EXPECT_EQ(late.send.rfind("\\gamename\\bfvietnam\\", 0), 0u);
    EXPECT_EQ(newer.Spoken(), ListProtocol::kLegacy);
}

// The wait for a greeting follows the connection's round trip, within a floor for a busy
// host and the longest wait.
TEST(MasterSession, TheGreetingWaitFollowsTheRoundTrip) {
    const struct {
        std::chrono::milliseconds roundTrip, wait;
    } cases[] = {{0ms, kShortestGreetingWait}, {5ms, kShortestGreetingWait}, {40ms, 160ms}, {300ms, kGreetingWait}};
    for (const auto& c : cases) {
        MasterSession session(Detecting(), kStart);
        session.OnConnecting(kStart + 1s);  // after a name's lookup
        session.OnConnected(kStart + 1s + c.roundTrip);
        EXPECT_EQ(session.Deadline(), kStart + 1s + c.roundTrip + c.wait) << c.roundTrip.count();
    }
}

TEST(MasterSession, ANamedProtocolIsSpokenWithoutWaiting) {
    MasterSession::Settings settings = Detecting();
    settings.protocol = ListProtocol::kNewer;
    settings.filter = "numplayers>0";
    MasterSession session(settings, kStart);
    const MasterSession::Step request = session.OnConnected(kStart);
    EXPECT_NE(request.send.find(std::string("uQL).'JS") + "numplayers>0" + '\0'), std::string::npos);
    const MasterSession::Step end = session.OnBytes(
        testing::NewerAnswerBytes(testing::kPrelude + B("\x00\x00\x00\x0A\x00\x00\x01") + testing::kEndMarker),
        kStart + 20ms);
    EXPECT_TRUE(end.close);
    EXPECT_TRUE(session.Done());
    EXPECT_TRUE(session.List().Complete());
    EXPECT_EQ(session.List().Servers().size(), 1u);
    EXPECT_FALSE(session.Deadline());
}

TEST(MasterSession, EveryWayToFailIsNamed) {
    struct Case {
        const char* what;
        std::function<void(MasterSession&)> run;
        std::size_t kept;
        const char* reason;
    };
    const auto connectLegacy = [](MasterSession& session) {
        session.OnConnected(kStart);
        session.OnBytes("\\basic\\\\secure\\ABCDEF", kStart);
    };
    const Case cases[] = {
        {"refused", [](MasterSession& s) { s.OnConnectFailed("refused"); }, 0, "refused"},
        {"no connection in time", [](MasterSession& s) { s.OnTime(kStart + 5s); }, 0, "timed out"},
        {"never closes, never ends its list",
         [&](MasterSession& s) {
             connectLegacy(s);
             s.OnBytes(testing::LegacyEnciphered(B("\x01\x02\x03\x04\x59\xD8")), kStart + 1s);
             s.OnTime(kStart + 5s);
         },
         1, "timed out"},
        {"closes at once",
         [](MasterSession& s) {
             s.OnConnected(kStart);
             s.OnClosed();
         },
         0, "closed before the end of its list"},
        {"refuses in its greeting",
         [](MasterSession& s) {
             s.OnConnected(kStart);
             s.OnBytes("\\error\\Banned\\", kStart);
         },
         0, "its error: Banned"},
        {"speaks first, but no greeting",
         [](MasterSession& s) {
             s.OnConnected(kStart);
             s.OnBytes("SSH-2.0-OpenSSH", kStart);
         },
         0, "malformed answer: it spoke first, but not a greeting: SSH-2.0-OpenSSH"},
    };
    for (const Case& c : cases) {
        MasterSession session(Detecting(), kStart);
        c.run(session);
        EXPECT_TRUE(session.Done()) << c.what;
        EXPECT_EQ(session.List().Servers().size(), c.kept) << c.what;
        ASSERT_TRUE(session.List().Fault()) << c.what;
        EXPECT_EQ(session.List().Fault()->Reason(), c.reason) << c.what;
    }
}

TEST(MasterSession, APushedListLivesOnAndEchoesKeepalives) {
    MasterSession::Settings settings = Detecting();
    settings.protocol = ListProtocol::kNewer;
    settings.pushUpdates = true;
    MasterSession session(settings, kStart);
    const MasterSession::Step request = session.OnConnected(kStart);
    EXPECT_EQ(request.send.substr(request.send.size() - 4), B("\x00\x00\x00\x05"));  // fields and push updates
    const MasterSession::Step step = session.OnBytes(
        testing::NewerAnswerBytes(testing::kPrelude + B("\x00\x00") + testing::kEndMarker + B("\x00\x03\x03")),
        kStart + 1s);
    EXPECT_EQ(step.send, B("\x00\x03\x03"));
    EXPECT_FALSE(step.close);
    EXPECT_TRUE(session.List().Complete());
    EXPECT_FALSE(session.Deadline());
    EXPECT_TRUE(session.OnTime(kStart + 1h).send.empty());
    EXPECT_FALSE(session.Done());
    session.OnClosed();
    EXPECT_TRUE(session.Done());
    EXPECT_FALSE(session.List().Fault());
}

}  // namespace
}  // namespace vantorel::browse
