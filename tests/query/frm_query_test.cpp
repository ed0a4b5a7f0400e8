#include "query/frm_query.h"

#include <gtest/gtest.h>

#include "query/monitor_fixture.h"
#include "query/mod_bfv_query_parse.h"

namespace vantorel {
namespace {

using testing::MonitorTest;

std::string Players(int count, int from = 0) {
    std::string text;
    for (int i = from; i < from + count; ++i) {
        const std::string n = std::to_string(i);
        text += "\\player_" + n + "\\P" + n + "\\team_" + n + "\\1\\score_" + n + "\\1\\kills_" + n + "\\2\\deaths_" +
                n + "\\3\\ping_" + n + "\\40";
    }
    return text;
}

std::string Server(const std::string& counts) {
    return "\\hostname\\Alpha\\mapname\\Delta" + counts;
}

TEST_F(MonitorTest, AQueryShowsUpdatingAndSendsTheRequestToPort23000) {
    monitor->SendQuery("10.0.0.1");
    EXPECT_EQ(monitor->lblTitle.Caption(), "Updating Stats...");
    EXPECT_EQ(LastSent(), "\\basic\\");
    ASSERT_TRUE(sockets.sockets.sent.back().to.has_value());
    EXPECT_EQ(sockets.sockets.sent.back().to->address, testing::Dotted("10.0.0.1"));
    EXPECT_EQ(sockets.sockets.sent.back().to->port, 0xD859);
    EXPECT_EQ(monitor->Sock()->LocalPort(), 1000);
    EXPECT_TRUE(monitor->tmrTimeout.Enabled());
    EXPECT_FALSE(monitor->tmrRefresh.Enabled());
}

TEST_F(MonitorTest, AReplyIsShownAndStartsTheRefresh) {
    monitor->SendQuery("10.0.0.1");
    Reply("\\hostname\\  Alpha  \\mapname\\Delta\\numplayers\\3\\maxplayers\\32\\reservedslots\\0" + Players(3));
    EXPECT_EQ(monitor->lblTitle.Caption(), "Server Stats");
    EXPECT_EQ(monitor->lblServerTitle.Caption(), "Alpha");
    EXPECT_EQ(monitor->lblMap.Caption(), " - Delta - ");
    EXPECT_EQ(monitor->lblPlayers.Caption(), "Players:  3 / 32");
    EXPECT_EQ(monitor->lstPlayers.ListCount(), 3);
    EXPECT_FALSE(monitor->chkWaitForSlot.Visible());
    EXPECT_TRUE(monitor->tmrRefresh.Enabled());
    EXPECT_FALSE(monitor->tmrTimeout.Enabled());
    EXPECT_EQ(view.freezes, 1);
    EXPECT_EQ(view.depth, 0);
}

TEST_F(MonitorTest, AFullServerShowsTheBoxAndAFreeSlotLaunchesTheTickedBox) {
    monitor->SendQuery("10.0.0.1");
    Reply(Server("\\numplayers\\30\\maxplayers\\32\\reservedslots\\2"));
    EXPECT_EQ(monitor->lblPlayers.Caption(), "Players:  30 / 32 (2 reserved)");
    EXPECT_TRUE(monitor->chkWaitForSlot.Visible());
    monitor->chkWaitForSlot.UserClicked(1);

    monitor->tmrRefresh_Timer();
    EXPECT_TRUE(monitor->chkWaitForSlot.Visible());  // ticked: in sight while the request is out
    Reply(Server("\\numplayers\\30\\maxplayers\\32\\reservedslots\\2"));
    EXPECT_TRUE(services.shell.starts.empty());
    EXPECT_EQ(monitor->chkWaitForSlot.Value(), 1);
    EXPECT_TRUE(monitor->chkWaitForSlot.Visible());

    // The boxes now name another server; the game still joins the one whose slot was seen,
    // with the profile and mod the launcher holds now.
    txtIP.SetText("10.9.9.9");
    txtPort.SetText(" 15568 ");
    mods.SetText("DC_Final");
    monitor->tmrRefresh_Timer();
    Reply(Server("\\numplayers\\29\\maxplayers\\32\\reservedslots\\2"));
    ASSERT_EQ(services.shell.starts.size(), 1u);
    EXPECT_EQ(services.shell.starts[0].parameters, "+restart 1 +game DC_Final +joinServer 10.0.0.1:15567");
    EXPECT_EQ(monitor->chkWaitForSlot.Value(), 0);
    EXPECT_FALSE(monitor->chkWaitForSlot.Visible());
}

// A server picked in the Servers window is asked at its own query port, and its slot wait
// joins its game port whatever the launcher's boxes hold; one picked before its game port
// was known joins the port its reply names. A pick in the launcher asks port 23000 again.
TEST_F(MonitorTest, AListedServerIsAskedAtItsQueryPortAndJoinedAtItsGamePort) {
    const auto wire = [](std::uint16_t port) { return static_cast<std::uint16_t>(port >> 8 | port << 8); };
    for (const auto& [gamePort, joined] : {std::pair{"15570", "10.0.0.1:15570"}, std::pair{"", "10.0.0.1:15999"}}) {
        services.shell.starts.clear();
        monitor->WaitForSlot("10.0.0.1", 23456, gamePort);
        EXPECT_EQ(sockets.sockets.sent.back().to->port, wire(23456));
        EXPECT_TRUE(monitor->chkWaitForSlot.Visible());
        Reply(Server("\\numplayers\\29\\maxplayers\\32\\hostport\\15999"));
        ASSERT_EQ(services.shell.starts.size(), 1u);
        EXPECT_EQ(services.shell.starts[0].parameters, "+restart 1 +game BfVietnam +joinServer " + std::string(joined));
    }
    monitor->ShowServer("10.0.0.1", 23456, "15570");
    monitor->SendQuery("10.0.0.1");
    EXPECT_EQ(sockets.sockets.sent.back().to->port, wire(23000));
}

TEST_F(MonitorTest, AGameThatCannotStartIsReportedAndTheBoxUnticked) {
    monitor->SendQuery("10.0.0.1");
    monitor->chkWaitForSlot.UserClicked(1);
    services.shell.failure = "Access is denied.";
    Reply(Server("\\numplayers\\1\\maxplayers\\32"));
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].title, "Error");
    EXPECT_EQ(view.messages[0].text, "The game could not be started (C:\\BFV\\bfvietnam.exe): Access is denied.");
    EXPECT_EQ(view.messages[0].frozen, 0);  // the box shows over a window that draws
    EXPECT_EQ(monitor->chkWaitForSlot.Value(), 0);
}

TEST_F(MonitorTest, CountsThatAreNoNumbersNeitherShowTheBoxNorLaunch) {
    monitor->SendQuery("10.0.0.1");
    monitor->chkWaitForSlot.UserClicked(1);
    Reply(Server("\\numplayers\\3\\maxplayers\\32"));  // reserved slots absent: none reserved
    EXPECT_EQ(monitor->lblPlayers.Caption(), "Players:  3 / 32");
    EXPECT_FALSE(monitor->chkWaitForSlot.Visible());
    ASSERT_EQ(services.shell.starts.size(), 1u);

    monitor->chkWaitForSlot.UserClicked(1);
    for (const std::string counts : {"\\numplayers\\many\\maxplayers\\32", "\\numplayers\\3\\maxplayers\\",
                                     "\\maxplayers\\32\\reservedslots\\x"}) {
        monitor->tmrRefresh_Timer();
        Reply(Server(counts));
        EXPECT_EQ(monitor->chkWaitForSlot.Value(), 1) << counts;  // still armed, and in sight for that alone
        EXPECT_TRUE(monitor->chkWaitForSlot.Visible()) << counts;
        EXPECT_EQ(services.shell.starts.size(), 1u) << counts;
    }
    EXPECT_EQ(monitor->lstPlayers.ListCount(), 0);
}

TEST_F(MonitorTest, PlayerLinesHaveFixedColumnsAndNoValueFromAnotherPlayer) {
    monitor->SendQuery("10.0.0.1");
    Reply(Server("\\numplayers\\6\\maxplayers\\32") +
          "\\player_0\\Ann\\team_0\\1\\score_0\\7\\kills_0\\12\\deaths_0\\3\\ping_0\\45"
          "\\player_1\\A name of twenty chars\\team_1\\2\\score_1\\123\\kills_1\\-5\\deaths_1\\0\\ping_1\\0"
          "\\player_2\\Bob\\team_2\\0"
          "\\player_3\\Carl\\team_3\\\\score_3\\2.5"
          "\\player_4\\Jérôme\\team_4\\x\\ping_4\\n/a"
          "\\player_5\\Dave\\team_5\\1\\score_5\\99999");
    const std::vector<std::string> expected = {
        "us   Ann               07/12/03     45", "nva  A name of twent   123/-05/00     0",
        "nva  Bob               --/--/--     --", "     Carl              02/--/--     --",
        "     Jérôme            --/--/--     --", "us   Dave              --/--/--     --",
    };
    EXPECT_EQ(monitor->lstPlayers.Items(), expected);
}

TEST_F(MonitorTest, AtMost201LinesAndNoneForACountThatIsNoNumber) {
    monitor->SendQuery("10.0.0.1");
    Reply(Server("\\numplayers\\300\\maxplayers\\400") + Players(300));
    EXPECT_EQ(monitor->lstPlayers.ListCount(), 201);
    monitor->tmrRefresh_Timer();
    Reply(Server("\\numplayers\\2.5\\maxplayers\\32") + Players(3));
    EXPECT_EQ(monitor->lstPlayers.ListCount(), 2);
    monitor->tmrRefresh_Timer();
    Reply(Server("\\numplayers\\40000\\maxplayers\\32"));
    EXPECT_EQ(monitor->lstPlayers.ListCount(), 0);
}

TEST_F(MonitorTest, RepliesFromAnotherAddressAreDroppedUnseen) {
    monitor->SendQuery("10.0.0.1");
    Reply(Server("\\numplayers\\3\\maxplayers\\32"), "10.6.6.6");
    EXPECT_EQ(monitor->lblTitle.Caption(), "Updating Stats...");
    EXPECT_EQ(monitor->lblServerTitle.Caption(), "");
    EXPECT_FALSE(monitor->tmrRefresh.Enabled());
}

// A silent server: the other forms a moment after the first request, everything once more
// halfway, and one timeout in all; the refresh goes on asking.
TEST_F(MonitorTest, AnUnansweredQueryAsksEveryFormTwiceWithinOneTimeout) {
    monitor->SendQuery("10.0.0.1");
    EXPECT_EQ(sockets.sockets.sent.size(), 1u);
    EXPECT_FALSE(monitor->tmrRefresh.Enabled());
    ASSERT_TRUE(monitor->tmrParts.Enabled());
    now += std::chrono::milliseconds(300);
    monitor->tmrParts_Timer();
    ASSERT_EQ(sockets.sockets.sent.size(), 3u);
    EXPECT_EQ(LastSent().substr(0, 3), std::string("\xFE\xFD\x00", 3));
    now += std::chrono::milliseconds(300);
    monitor->tmrParts_Timer();  // not yet halfway
    EXPECT_EQ(sockets.sockets.sent.size(), 3u);
    now += std::chrono::milliseconds(300);
    monitor->tmrParts_Timer();
    EXPECT_EQ(sockets.sockets.sent.size(), 6u);
    EXPECT_EQ(monitor->lblTitle.Caption(), "Updating Stats...");
    EXPECT_TRUE(monitor->tmrTimeout.Enabled());
    monitor->tmrTimeout_Timer();
    EXPECT_EQ(sockets.sockets.sent.size(), 6u);
    EXPECT_EQ(monitor->lblTitle.Caption(), "No response from server");
    EXPECT_FALSE(monitor->tmrTimeout.Enabled());
    EXPECT_FALSE(monitor->tmrParts.Enabled());
    EXPECT_TRUE(monitor->tmrRefresh.Enabled());
}

TEST_F(MonitorTest, RefreshTicksQueryTheSameAddressAndWaitOneTimeoutEach) {
    monitor->SendQuery("10.0.0.1");
    Reply(Server("\\numplayers\\3\\maxplayers\\32"));
    monitor->tmrRefresh_Timer();
    EXPECT_EQ(sockets.sockets.sent.size(), 2u);
    EXPECT_EQ(monitor->lblTitle.Caption(), "Updating Stats...");
    EXPECT_TRUE(monitor->tmrTimeout.Enabled());
}

TEST_F(MonitorTest, TheAddressIsSetFromTheUsersTextForEveryQuery) {
    sockets.sockets.reverseNames[testing::Dotted("10.0.0.1")] = "game.example";
    monitor->SendQuery("10.0.0.1");
    monitor->SendQuery("10.0.0.1");
    Reply(Server("\\numplayers\\3\\maxplayers\\32"));
    sockets.windows.DeliverPosted();  // the sender's reverse name
    EXPECT_EQ(monitor->Sock()->RemoteHost(), "game.example");
    monitor->SendQuery("10.0.0.1");
    EXPECT_EQ(monitor->Sock()->RemoteHost(), "10.0.0.1");
    EXPECT_EQ(sockets.sockets.sent.back().to->address, testing::Dotted("10.0.0.1"));
}

TEST_F(MonitorTest, ASocketErrorGivesInvalidServerResponse) {
    monitor->SendQuery("10.0.0.1");
    Reply(Server("\\numplayers\\3\\maxplayers\\32"));
    sockets.sockets.sendFailure = 10051;
    monitor->SendQuery("10.0.0.2");
    EXPECT_EQ(monitor->lblTitle.Caption(), "Invalid Server Response");
    EXPECT_EQ(monitor->lblServerTitle.Caption(), "");
    EXPECT_EQ(monitor->lstPlayers.ListCount(), 0);
    EXPECT_FALSE(monitor->tmrTimeout.Enabled());
}

TEST_F(MonitorTest, AnEmptyAddressNeverQueriesThePreviousServer) {
    monitor->SendQuery("10.0.0.1");
    monitor->SendQuery("");
    EXPECT_EQ(monitor->lblTitle.Caption(), "Invalid Server Response");
    EXPECT_EQ(sockets.sockets.sent.size(), 1u);
}

TEST_F(MonitorTest, ANameThatDoesNotResolveGivesInvalidServerResponse) {
    std::string reason;
    monitor->SetOnQueryFailed([&](const std::string& why) { reason = why; });
    monitor->SendQuery("Default");
    ASSERT_EQ(sockets.sockets.lookups.size(), 1u);
    MSocketSupport::NotifyWindowProc(MSocketSupport::NotifyWindow(), MSocketSupport::ResolveMessage(),
                                     static_cast<std::uintptr_t>(sockets.sockets.lookups.begin()->first), 11001 << 16);
    EXPECT_EQ(monitor->lblTitle.Caption(), "Invalid Server Response");
    EXPECT_EQ(reason, "Host not found.");
}

TEST_F(MonitorTest, RepliesDuringADisplayAreShownAfterItTheLatestWinning) {
    monitor->SendQuery("10.0.0.1");
    std::vector<std::string> shown;
    monitor->SetOnReplyShown([&](int) { shown.push_back(monitor->lblServerTitle.Caption()); });
    int yields = 0;
    services.events.onYield = [&] {
        if (++yields == 2) {  // two more replies come while the first is on its way to the list
            Reply("\\hostname\\Second\\numplayers\\2\\maxplayers\\32" + Players(2));
            Reply("\\hostname\\Third\\numplayers\\2\\maxplayers\\32" + Players(2));
        }
    };
    Reply("\\hostname\\First\\numplayers\\5\\maxplayers\\32" + Players(5));
    EXPECT_EQ(shown, (std::vector<std::string>{"First", "Third"}));
    EXPECT_EQ(view.deepest, 1);
    EXPECT_EQ(monitor->lblServerTitle.Caption(), "Third");
    EXPECT_EQ(monitor->lstPlayers.ListCount(), 2);
}

// A reply that cannot be shown is told like a failed request, and the next one shows.
TEST_F(MonitorTest, AReplyThatCannotBeShownIsToldAndTheNextIsShown) {
    std::vector<std::string> reasons;
    monitor->SetOnQueryFailed([&](const std::string& why) { reasons.push_back(why); });
    monitor->SendQuery("10.0.0.1");
    view.failure = "out of drawing resources";
    Reply(Server("\\numplayers\\3\\maxplayers\\32"));
    EXPECT_EQ(monitor->lblTitle.Caption(), "Invalid Server Response");
    EXPECT_EQ(reasons, (std::vector<std::string>{"The reply could not be shown: out of drawing resources"}));
    EXPECT_TRUE(monitor->tmrRefresh.Enabled());

    view.failure.clear();
    monitor->tmrRefresh_Timer();
    Reply(Server("\\numplayers\\3\\maxplayers\\32"));
    EXPECT_EQ(monitor->lblTitle.Caption(), "Server Stats");
    EXPECT_EQ(monitor->lblServerTitle.Caption(), "Alpha");
}

TEST_F(MonitorTest, ASplitReplyIsShownWhenItsLastPartArrives) {
    monitor->SendQuery("10.0.0.1");
    Reply(Players(2, 2) + "\\final\\\\queryid\\7.2");
    EXPECT_EQ(monitor->lblTitle.Caption(), "Updating Stats...");
    EXPECT_TRUE(monitor->tmrParts.Enabled());
    Reply(Server("\\numplayers\\4\\maxplayers\\32") + Players(2) + "\\queryid\\7.1");
    EXPECT_EQ(monitor->lblServerTitle.Caption(), "Alpha");
    EXPECT_EQ(monitor->lstPlayers.ListCount(), 4);
    EXPECT_FALSE(monitor->tmrParts.Enabled());
}

TEST_F(MonitorTest, MissingPartsAreGivenUpAfterASecond) {
    monitor->SendQuery("10.0.0.1");
    Reply(Server("\\numplayers\\4\\maxplayers\\32") + Players(2) + "\\queryid\\8.1");
    now += std::chrono::milliseconds(999);
    monitor->tmrParts_Timer();
    EXPECT_EQ(monitor->lblServerTitle.Caption(), "");
    now += std::chrono::milliseconds(1);
    monitor->tmrParts_Timer();
    EXPECT_EQ(monitor->lblServerTitle.Caption(), "Alpha");
    EXPECT_FALSE(monitor->tmrParts.Enabled());
}

TEST_F(MonitorTest, ReleasingTheWindowEndsTheSocket) {
    monitor->SendQuery("10.0.0.1");
    const platform::SocketHandle handle = monitor->Sock()->SocketHandle();
    monitor->Release();
    EXPECT_EQ(monitor->Sock(), nullptr);
    EXPECT_EQ(sockets.sockets.closed, (std::vector<platform::SocketHandle>{handle}));
    EXPECT_FALSE(MSocketSupport::WinsockStarted());
}

}  // namespace
}  // namespace vantorel
