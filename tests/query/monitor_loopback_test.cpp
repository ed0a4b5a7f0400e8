// The stats window's logic over real loopback sockets, against the sample server's
// responder in the same process.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "fakes/fake_services.h"
#include "fakes/launch_game.h"
#include "fakes/pump.h"
#include "fakes/udp_peer.h"
#include "launcher/mod_main.h"
#include "net/byte_order.h"
#include "platform/socket_library.h"
#include "query/frm_query.h"
#include "query/monitor_fixture.h"
#include "sample_responder.h"

namespace vantorel {
namespace {

using testing::PumpUntil;

class MonitorLoopbackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::Current().registry = &registry;
        platform::Current().shell = &shell;
        registry.SetString(platform::kLocalMachine, modMain::kGameKey, "GAMEDIR", "C:\\BFV");
        modMain::ReadGameDir();
        profiles.SetText("Alice");
        mods.SetText("BfVietnam");
        txtIP.SetText("10.0.0.1");
        txtPort.SetText("15567");
    }
    std::unique_ptr<frmQuery> Monitor(int queryPort) {
        frmQuery::Options options;
        options.queryPort = queryPort;
        auto monitor = std::make_unique<frmQuery>(view, &launcher, options);
        monitor->Start();
        return monitor;
    }
    // A sample server on a port of the system's choice, answering in this process.
    static std::unique_ptr<SampleResponder> OpenResponder() {
        SampleResponder::Settings settings;
        settings.firstPort = settings.lastPort = 0;
        auto responder = std::make_unique<SampleResponder>(settings);
        std::string error;
        EXPECT_TRUE(responder->Open(&error)) << error;
        return responder;
    }

    platform::ScopedPlatform restore;
    platform::MemoryRegistry registry;
    testing::FakeShell shell;
    testing::RecordingStatsView view;
    ComboBox profiles, mods;
    TextBox txtIP, txtPort;
    LauncherControls launcher{txtIP, txtPort, profiles, mods, testing::LaunchGame};
};

TEST_F(MonitorLoopbackTest, WaitsForAFreeSlotAndJoinsTheServerWhoseSlotItSaw) {
    SampleResponder::Clock::time_point responderNow{};
    SampleResponder::Settings settings;
    settings.firstPort = settings.lastPort = 0;
    settings.freeAfterSeconds = 20;
    SampleResponder responder(settings, [&] { return responderNow; });
    std::string error;
    ASSERT_TRUE(responder.Open(&error)) << error;

    auto monitor = Monitor(responder.BoundPort(0));
    monitor->SendQuery("127.0.0.1");
    ASSERT_TRUE(PumpUntil([&] { return monitor->lblTitle.Caption() == "Server Stats"; }));
    EXPECT_TRUE(monitor->tmrRefresh.Enabled());
    EXPECT_EQ(monitor->lblServerTitle.Caption(), "Vantorel Sample Server");
    EXPECT_EQ(monitor->lblPlayers.Caption(), "Players:  30 / 32 (2 reserved)");
    EXPECT_EQ(monitor->lstPlayers.ListCount(), 30);
    EXPECT_EQ(monitor->lstPlayers.Items()[0], "us   Jérôme            00/00/00     30");
    ASSERT_TRUE(monitor->chkWaitForSlot.Visible());
    monitor->chkWaitForSlot.UserClicked(1);

    monitor->tmrRefresh_Timer();  // still full: nothing happens, and the title says what is awaited
    ASSERT_TRUE(PumpUntil([&] { return monitor->lblTitle.Caption() == "Waiting for a free slot..."; }));
    EXPECT_TRUE(shell.starts.empty());
    EXPECT_EQ(monitor->chkWaitForSlot.Value(), 1);

    responderNow += std::chrono::seconds(21);
    monitor->tmrRefresh_Timer();
    ASSERT_TRUE(PumpUntil([&] { return !shell.starts.empty(); }));
    EXPECT_EQ(shell.starts[0].parameters, "+restart 1 +game BfVietnam +joinServer 127.0.0.1:15567");
    EXPECT_EQ(shell.starts[0].program, "C:\\BFV\\bfvietnam.exe");
    EXPECT_EQ(monitor->chkWaitForSlot.Value(), 0);
    EXPECT_EQ(monitor->lblPlayers.Caption(), "Players:  29 / 32 (2 reserved)");
}

std::string FloodReply(const std::string& title) {
    std::string reply = "\\hostname\\" + title + "\\numplayers\\5\\maxplayers\\32";
    for (int i = 0; i < 5; ++i) {
        const std::string n = std::to_string(i);
        reply += "\\player_" + n + "\\P" + n + "\\team_" + n + "\\1\\score_" + n + "\\1\\kills_" + n + "\\1\\deaths_" +
                 n + "\\1\\ping_" + n + "\\50";
    }
    return reply;
}

TEST_F(MonitorLoopbackTest, AFloodOfRepliesIsShownOneAtATimeNewestLast) {
    testing::UdpPeer flooder;
    auto monitor = Monitor(flooder.Port());
    monitor->SendQuery("127.0.0.1");
    platform::SockaddrIn local;
    ASSERT_EQ(platform::Current().sockets->GetSockName(monitor->Sock()->SocketHandle(), &local), 0);
    const int monitorPort = NetworkToHost16(local.port);

    std::vector<int> shown;
    monitor->SetOnReplyShown([&](int) {
        const std::string title = monitor->lblServerTitle.Caption();
        shown.push_back(title == "Last" ? 1 << 30 : std::stoi(title.substr(6)));
    });
    std::atomic<bool> stop{false};
    std::thread sender([&] {
        for (int i = 0; i < 100000; ++i) {
            flooder.SendTo("127.0.0.1", monitorPort, FloodReply("Flood " + std::to_string(i)));
        }
        // Datagrams may be dropped when the receiver falls behind; the last one is sent
        // again, at a pace that leaves the receiver the machine, until it has been seen.
        while (!stop) {
            flooder.SendTo("127.0.0.1", monitorPort, FloodReply("Last"));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const bool sawLast =
        PumpUntil([&] { return !shown.empty() && shown.back() == 1 << 30; }, std::chrono::seconds(120));
    stop = true;
    sender.join();
    ASSERT_TRUE(sawLast);
    EXPECT_EQ(view.deepest, 1);  // never a display inside another
    // Each flood reply is shown at most once, and never after a newer one.
    const std::vector<int> flood(shown.begin(), std::find(shown.begin(), shown.end(), 1 << 30));
    EXPECT_GT(flood.size(), 1u);
    EXPECT_EQ(std::adjacent_find(flood.begin(), flood.end(), std::greater_equal<int>()), flood.end());
}

// Each dialect of the sample server, and the address written in the forms inet_addr reads
// as 127.0.0.1: the window shows the same server.
TEST_F(MonitorLoopbackTest, ShowsTheSampleServerInEveryDialect) {
    const struct {
        SampleResponder::Dialect dialect;
        const char* address;
    } cases[] = {
        {SampleResponder::Dialect::kFull, "127.0.0.1"},
        {SampleResponder::Dialect::kStandard, "127.0.0.01"},
        {SampleResponder::Dialect::kGameSpy2, "127.1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        SampleResponder::Settings settings;
        settings.firstPort = settings.lastPort = 0;
        settings.dialect = c.dialect;
        settings.players = 120;  // the standard dialect's status reply takes several parts
        settings.maxPlayers = 128;
        SampleResponder responder(settings);
        std::string error;
        ASSERT_TRUE(responder.Open(&error)) << error;
        auto monitor = Monitor(responder.BoundPort(0));
        monitor->SendQuery(c.address);
        if (c.dialect == SampleResponder::Dialect::kGameSpy2) {
            // It stays silent to the text query until the session asks in its protocol, at
            // the first tick of tmrParts (whose real timer this test has not got).
            PumpUntil([] { return false; }, QuerySession::kNextFormDelay);
            EXPECT_EQ(monitor->lblTitle.Caption(), "Updating Stats...");
            monitor->tmrParts_Timer();
        }
        ASSERT_TRUE(PumpUntil([&] { return monitor->lblTitle.Caption() == "Server Stats"; }));
        EXPECT_EQ(monitor->lblServerTitle.Caption(), "Vantorel Sample Server");
        EXPECT_EQ(monitor->lblMap.Caption(), " - Hue - ");
        EXPECT_EQ(monitor->lblPlayers.Caption(), "Players:  120 / 128 (2 reserved)");
        ASSERT_EQ(monitor->lstPlayers.ListCount(), 120);
        EXPECT_EQ(monitor->lstPlayers.Items()[0], "us   Jérôme            00/00/00     30");
        EXPECT_EQ(monitor->lstPlayers.Items()[119], "nva  Jérôme 17         33/20/12     79");
    }
}

// The address a datagram from `sender` arrives from. Wine hands a socket bound to another
// loopback address the source 127.0.0.1, so there the senders cannot be told apart.
std::string ArrivesFrom(CSocket& sender) {
    struct Listener : CSocketEvents {
        void OnDataArrival(std::int32_t) override { arrived = true; }
        bool arrived = false;
    } listener;
    auto probe = CSocket::Create();
    probe->SetProtocol(CSocket::kUdp);
    probe->Bind(0, "127.0.0.1");
    probe->SetListener(&listener);
    platform::SockaddrIn local;
    platform::Current().sockets->GetSockName(probe->SocketHandle(), &local);
    const std::int32_t port = sender.RemotePort();
    sender.SetRemotePort(NetworkToHost16(local.port));
    sender.SendData(Variant::String("probe"));
    sender.SetRemotePort(port);
    PumpUntil([&] { return listener.arrived; });
    probe->SetListener(nullptr);
    return listener.arrived ? probe->RemoteHostIP() : "";
}

// Replies from many other senders, as fast as they can, while the server answers: the
// window shows the server alone, and its next query goes to the server.
TEST_F(MonitorLoopbackTest, AFloodFromManySendersNeitherRedirectsNorStalls) {
    const auto responder = OpenResponder();
    auto monitor = Monitor(responder->BoundPort(0));
    platform::SockaddrIn local;
    monitor->SendQuery("127.0.0.1");
    ASSERT_EQ(platform::Current().sockets->GetSockName(monitor->Sock()->SocketHandle(), &local), 0);
    const int monitorPort = NetworkToHost16(local.port);

    std::vector<std::shared_ptr<CSocket>> senders;
    for (int i = 2; i < 10; ++i) {
        auto sender = CSocket::Create();
        sender->SetProtocol(CSocket::kUdp);
        sender->Bind(0, "127.0.0." + std::to_string(i));
        sender->SetRemoteHost("127.0.0.1");
        sender->SetRemotePort(monitorPort);
        senders.push_back(sender);
    }
    if (ArrivesFrom(*senders[0]) != "127.0.0.2") {
        GTEST_SKIP() << "this system does not keep the source address of another loopback address";
    }
    std::vector<std::string> titles;
    monitor->SetOnReplyShown([&](int) { titles.push_back(monitor->lblServerTitle.Caption()); });
    ASSERT_TRUE(PumpUntil([&] { return titles.size() == 1u; }));
    // Each round the flood is ahead of the query in the window's queue; the bursts stay
    // small enough for the socket's receive buffer, so that the server's answer is not lost
    // to a full buffer (which would be the network's loss, not the window's).
    for (int round = 0; round < 5; ++round) {
        for (int burst = 0; burst < 4; ++burst) {
            for (const auto& sender : senders) {
                sender->SendData(Variant::String(FloodReply("Flood")));
            }
        }
        monitor->tmrRefresh_Timer();
        ASSERT_TRUE(PumpUntil([&] { return titles.size() >= static_cast<std::size_t>(round + 2); }));
    }
    EXPECT_EQ(titles, std::vector<std::string>(6, "Vantorel Sample Server"));
}

// Datagrams of 65,468 to 65,507 bytes are more than Winsock hands over: both builds drop
// them without a word, and the query goes on to the server's answer.
TEST_F(MonitorLoopbackTest, OversizedDatagramsAreDroppedWithoutAWord) {
    const auto responder = OpenResponder();
    auto monitor = Monitor(responder->BoundPort(0));
    std::vector<std::string> failures;
    std::vector<std::string> titles;
    monitor->SetOnQueryFailed([&](const std::string& reason) { failures.push_back(reason); });
    monitor->SetOnReplyShown([&](int) { titles.push_back(monitor->lblServerTitle.Caption().substr(0, 30)); });
    monitor->SendQuery("127.0.0.1");
    platform::SockaddrIn local;
    ASSERT_EQ(platform::Current().sockets->GetSockName(monitor->Sock()->SocketHandle(), &local), 0);
    // From the server's own address, and queued ahead of its answer: the server answers only
    // once the loop runs.
    testing::UdpPeer sender;
    for (const std::size_t size : {65468u, 65507u}) {
        ASSERT_TRUE(
            sender.SendTo("127.0.0.1", NetworkToHost16(local.port), "\\hostname\\Huge" + std::string(size - 14, 'x')));
    }
    ASSERT_TRUE(PumpUntil([&] { return monitor->lblTitle.Caption() == "Server Stats"; }));
    EXPECT_EQ(titles, std::vector<std::string>{"Vantorel Sample Server"});
    EXPECT_TRUE(failures.empty());
}

}  // namespace
}  // namespace vantorel
