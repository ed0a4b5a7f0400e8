// What the stats window shows of a slot wait, and its player list across refreshes.

#include <gtest/gtest.h>

#include "query/frm_query.h"
#include "query/monitor_fixture.h"
#include "query/stats_text.h"

namespace vantorel {
namespace {

using testing::MonitorTest;

std::string Reply30(int firstPlayer) {
    std::string text = "\\hostname\\Alpha\\mapname\\Hue\\numplayers\\30\\maxplayers\\40";
    for (int line = 0; line < 30; ++line) {
        const std::string n = std::to_string(line);
        text += "\\player_" + n + "\\P" + std::to_string((firstPlayer + line) % 30) + "\\team_" + n + "\\1";
    }
    return text;
}

TEST_F(MonitorTest, AnArmedSlotWaitStaysInSightAndSaysSoUntilTheGameIsJoined) {
    const std::string full = "\\hostname\\Alpha\\numplayers\\32\\maxplayers\\32";
    monitor->SendQuery("10.0.0.1");
    Reply(full);
    EXPECT_EQ(monitor->lblTitle.Caption(), "Server Stats");
    monitor->chkWaitForSlot.UserClicked(1);
    EXPECT_EQ(monitor->lblTitle.Caption(), "Waiting for a free slot...");

    monitor->tmrRefresh_Timer();
    EXPECT_EQ(monitor->lblTitle.Caption(), "Updating Stats...");
    EXPECT_TRUE(monitor->chkWaitForSlot.Visible());  // ticked: it stays in sight
    Reply(full);
    EXPECT_EQ(monitor->lblTitle.Caption(), "Waiting for a free slot...");
    monitor->chkWaitForSlot.UserClicked(0);
    EXPECT_EQ(monitor->lblTitle.Caption(), "Server Stats");
    EXPECT_TRUE(monitor->chkWaitForSlot.Visible());  // the server is still full

    monitor->chkWaitForSlot.UserClicked(1);
    monitor->tmrRefresh_Timer();
    Reply("\\hostname\\Alpha\\numplayers\\31\\maxplayers\\32");
    ASSERT_EQ(services.shell.starts.size(), 1u);
    EXPECT_EQ(monitor->lblTitle.Caption(), "Joining 10.0.0.1:15567...");
    EXPECT_EQ(monitor->chkWaitForSlot.Value(), 0);
    EXPECT_FALSE(monitor->chkWaitForSlot.Visible());
}

TEST_F(MonitorTest, RefreshesKeepThePlayerListScrolledAndThePlayerSelected) {
    monitor->SendQuery("10.0.0.1");
    Reply(Reply30(0));
    monitor->lstPlayers.UserScrolled(12);
    monitor->lstPlayers.UserSelected(15);  // P15
    // P15 moves one line down; the view stays where it was, through a refresh's empty list.
    monitor->tmrRefresh_Timer();
    EXPECT_EQ(monitor->lstPlayers.ListCount(), 0);
    Reply(Reply30(29));
    EXPECT_EQ(monitor->lstPlayers.TopIndex(), 12);
    EXPECT_EQ(monitor->lstPlayers.ListIndex(), 16);
    EXPECT_EQ(monitor->lstPlayers.Items()[16].substr(5, 3), "P15");

    // Another server starts at the top with nothing selected.
    monitor->SendQuery("10.0.0.2");
    Reply(Reply30(0), "10.0.0.2");
    EXPECT_EQ(monitor->lstPlayers.TopIndex(), 0);
    EXPECT_EQ(monitor->lstPlayers.ListIndex(), -1);
}

// The window lays each player's line out in columns under their headers: the columns come
// back whole from the line, whatever the name's letters or the numbers' width.
TEST(PlayerColumnsTest, EachLineSplitsIntoItsFourColumns) {
    using modBFVQueryParse::PlayerInfo;
    const std::pair<PlayerInfo, statsText::PlayerColumns> cases[] = {
        {{"Ann", "1", "7", "12", "3", "45"}, {"us", "Ann", "07/12/03", "45"}},
        {{"J\xC3\xA9r\xC3\xB4me de la Fontaine", "2", "123", "-5", "0", "0"},
         {"nva", "J\xC3\xA9r\xC3\xB4me de la Fo", "123/-05/00", "0"}},
        {{"Sgt. Baker", "x", "", "1", "2", "-7"}, {"", "Sgt. Baker", "--/01/02", "-7"}},
        {{"", "1", "1", "1", "1", ""}, {"us", "", "01/01/01", "--"}},
    };
    for (const auto& [player, columns] : cases) {
        EXPECT_EQ(statsText::SplitPlayerLine(statsText::PlayerLine(player)), columns) << player.player;
    }
}

}  // namespace
}  // namespace vantorel
