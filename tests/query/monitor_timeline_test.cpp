// The stats window through a query's life: a closed port, a new pick while a reply is on
// its way to the screen, a server that never finishes its reply, and the refresh after each.

#include <gtest/gtest.h>

#include "net/socket_support.h"
#include "query/frm_query.h"
#include "query/monitor_fixture.h"

namespace vantorel {
namespace {

using testing::MonitorTest;

const std::string kAlpha = "\\hostname\\Alpha\\mapname\\Delta\\numplayers\\0\\maxplayers\\32";

TEST_F(MonitorTest, AClosedPortIsToldAtOnceAndTheRefreshGoesOnAsking) {
    monitor->SendQuery("10.0.0.1");
    // Winsock's "port unreachable": a reset on the next receive, through the window procedure.
    sockets.sockets.receiveFailure = winsock::kWsaEconnreset;
    MSocketSupport::NotifyWindowProc(MSocketSupport::NotifyWindow(), MSocketSupport::WinsockMessage(),
                                     static_cast<std::uintptr_t>(monitor->Sock()->SocketHandle()), winsock::kFdRead);
    EXPECT_EQ(monitor->lblTitle.Caption(), "Server is not running (port closed)");
    EXPECT_FALSE(monitor->tmrTimeout.Enabled());
    EXPECT_FALSE(monitor->tmrParts.Enabled());
    ASSERT_TRUE(monitor->tmrRefresh.Enabled());

    sockets.sockets.receiveFailure = 0;
    monitor->tmrRefresh_Timer();
    EXPECT_EQ(monitor->lblTitle.Caption(), "Updating Stats...");
    Reply(kAlpha);
    EXPECT_EQ(monitor->lblServerTitle.Caption(), "Alpha");
}

TEST_F(MonitorTest, ANewPickDropsTheOldServersRepliesOnTheirWayToTheScreen) {
    std::vector<std::string> shown;
    monitor->SetOnReplyShown([&](int) { shown.push_back(monitor->lblServerTitle.Caption()); });
    monitor->SendQuery("10.0.0.1");
    services.events.onYield = [&] {
        services.events.onYield = nullptr;
        // While the first reply fills the list, the old server answers again and the user
        // picks another server.
        Reply("\\hostname\\Again\\numplayers\\0\\maxplayers\\32");
        monitor->SendQuery("10.0.0.2");
    };
    Reply("\\hostname\\First\\numplayers\\3\\maxplayers\\32\\player_0\\A\\player_1\\B\\player_2\\C");
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(monitor->lblTitle.Caption(), "Updating Stats...");
    EXPECT_EQ(monitor->lblServerTitle.Caption(), "");
    EXPECT_EQ(monitor->lstPlayers.ListCount(), 0);
    ASSERT_TRUE(monitor->tmrTimeout.Enabled());
    monitor->tmrTimeout_Timer();
    EXPECT_EQ(monitor->lblTitle.Caption(), "No response from server");
}

TEST_F(MonitorTest, AServerThatKeepsStartingNewPartSetsIsGivenUpOnAsBfvQueryDoes) {
    monitor->SendQuery("10.0.0.1");
    for (int set = 1; set <= 10 && monitor->lblTitle.Caption() == "Updating Stats..."; ++set) {
        now += std::chrono::milliseconds(300);
        Reply(kAlpha + "\\queryid\\" + std::to_string(set) + ".1");
        monitor->tmrParts_Timer();
        if (set == 5) {
            monitor->tmrTimeout_Timer();  // 1.5 s: parts are on their way
        }
        EXPECT_EQ(monitor->lblTitle.Caption(), set * 300 < 2500 ? "Updating Stats..." : "No response from server")
            << set * 300 << " ms";
    }
    EXPECT_TRUE(monitor->tmrRefresh.Enabled());
}

}  // namespace
}  // namespace vantorel
