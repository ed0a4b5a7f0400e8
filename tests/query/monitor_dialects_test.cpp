// The stats window's logic against servers of each dialect, and against datagrams that
// nobody asked for, on faked sockets.

#include <gtest/gtest.h>

#include "net/byte_order.h"
#include "net/socket_support.h"
#include "query/frm_query.h"
#include "query/monitor_fixture.h"

namespace vantorel {
namespace {

using testing::Dotted;
using testing::MonitorTest;

const std::string kServer = "\\hostname\\Alpha\\mapname\\Delta\\numplayers\\2\\maxplayers\\32\\reservedslots\\0";
const std::string kPlayers =
    "\\player_0\\Ann\\team_0\\1\\score_0\\7\\kills_0\\12\\deaths_0\\3\\ping_0\\45"
    "\\player_1\\Bob\\team_1\\2\\score_1\\1\\kills_1\\2\\deaths_1\\3\\ping_1\\60";

std::string Part(const std::string& text, const std::string& id, bool final = false) {
    return text + (final ? "\\final\\" : "") + "\\queryid\\" + id;
}

// A GameSpy 2 reply to the request `request` (its id is bytes 3 to 6).
std::string GameSpy2Reply(const std::string& request) {
    std::string reply(1, '\0');
    reply += request.substr(3, 4);
    for (const char* pair :
         {"hostname", "Alpha", "mapname", "Delta", "numplayers", "2", "maxplayers", "32", "reservedslots", "0"}) {
        reply += std::string(pair) + '\0';
    }
    reply += '\0';
    reply += std::string("\0\2", 2);
    for (const char* name : {"player_", "score_", "deaths_", "ping_", "team_", "kills_"}) {
        reply += std::string(name) + '\0';
    }
    reply += '\0';
    for (const char* value : {"Ann", "7", "3", "45", "1", "12", "Bob", "1", "3", "60", "2", "2"}) {
        reply += std::string(value) + '\0';
    }
    reply += '\0';  // no teams
    return reply;
}

class MonitorDialectTest : public MonitorTest {
  protected:
    void ExpectAlphaShown() {
        EXPECT_EQ(monitor->lblTitle.Caption(), "Server Stats");
        EXPECT_EQ(monitor->lblServerTitle.Caption(), "Alpha");
        EXPECT_EQ(monitor->lblMap.Caption(), " - Delta - ");
        EXPECT_EQ(monitor->lblPlayers.Caption(), "Players:  2 / 32");
        EXPECT_EQ(monitor->lstPlayers.Items(), (std::vector<std::string>{"us   Ann               07/12/03     45",
                                                                         "nva  Bob               01/02/03     60"}));
    }
    // Raw bytes as they come from the network (the fixture's Reply converts text).
    void ReplyBytes(const std::string& bytes, const std::string& from = "10.0.0.1") {
        platform::SockaddrIn sender;
        sender.address = Dotted(from);
        sender.port = 0xD859;
        sockets.sockets.incoming[monitor->Sock()->SocketHandle()].push_back(
            {std::vector<std::uint8_t>(bytes.begin(), bytes.end()), sender});
        monitor->Sock()->PostSocketEvent(winsock::kFdRead, 0);
    }
};

TEST_F(MonitorDialectTest, AShortBasicAnswerAsksForStatusAndRemembersIt) {
    monitor->SendQuery("10.0.0.1");
    Reply(Part("\\gamename\\bfvietnam\\gamever\\v1.21\\location\\0", "3.1", true));
    EXPECT_EQ(LastSent(), "\\status\\");
    EXPECT_EQ(monitor->lblTitle.Caption(), "Updating Stats...");  // the short answer is not shown

    Reply(Part(kPlayers, "4.2", true));  // parts out of order
    Reply(Part(kServer, "4.1"));
    ExpectAlphaShown();

    monitor->tmrRefresh_Timer();
    EXPECT_EQ(LastSent(), "\\status\\");

    // A server that answers "\basic\" fully keeps getting "\basic\".
    monitor->SendQuery("10.0.0.2");
    Reply(kServer + kPlayers, "10.0.0.2");
    ExpectAlphaShown();
    monitor->tmrRefresh_Timer();
    EXPECT_EQ(LastSent(), "\\basic\\");
}

TEST_F(MonitorDialectTest, AGameSpy2ServerIsAskedAMomentAfterTheFirstRequestAndShownTheSame) {
    monitor->SendQuery("10.0.0.1");
    now += std::chrono::milliseconds(300);
    monitor->tmrParts_Timer();
    const std::string request = LastSent();
    ASSERT_EQ(request.size(), 10u);
    EXPECT_EQ(request.substr(0, 3), std::string("\xFE\xFD\x00", 3));
    EXPECT_EQ(request.substr(7), "\xFF\xFF\xFF");

    std::string otherId = GameSpy2Reply(request);
    otherId[4] = static_cast<char>(otherId[4] ^ 1);
    ReplyBytes(otherId);
    EXPECT_EQ(monitor->lblTitle.Caption(), "Updating Stats...");

    ReplyBytes(GameSpy2Reply(request));
    ExpectAlphaShown();
    EXPECT_FALSE(monitor->tmrTimeout.Enabled());
    EXPECT_TRUE(monitor->tmrRefresh.Enabled());

    monitor->tmrRefresh_Timer();
    const std::string refresh = LastSent();
    EXPECT_EQ(refresh.substr(0, 3), std::string("\xFE\xFD\x00", 3));
    EXPECT_NE(refresh, request);  // a new id for each query
    ReplyBytes(GameSpy2Reply(refresh));
    ExpectAlphaShown();
}

TEST_F(MonitorDialectTest, ASenderNamedLikeTheFavouriteCannotRedirectTheQuery) {
    // The sender's reverse name is the very text of the user's address.
    sockets.sockets.reverseNames[Dotted("10.6.6.6")] = "10.0.0.1";
    monitor->SendQuery("10.0.0.1");
    Reply("\\hostname\\Mallory\\numplayers\\0\\maxplayers\\32", "10.6.6.6");
    EXPECT_EQ(monitor->lblTitle.Caption(), "Updating Stats...");
    Reply(kServer + kPlayers);
    Reply("\\hostname\\Mallory\\numplayers\\0\\maxplayers\\32", "10.6.6.6");
    ExpectAlphaShown();

    monitor->tmrRefresh_Timer();
    EXPECT_EQ(sockets.sockets.sent.back().to->address, Dotted("10.0.0.1"));
    monitor->SendQuery("10.0.0.1");
    EXPECT_EQ(sockets.sockets.sent.back().to->address, Dotted("10.0.0.1"));
}

// A stray datagram rewrites the socket's remote side; the follow-up requests (the status
// query after a short answer, the GameSpy 2 query after a timeout) still go to the server's
// query port.
TEST_F(MonitorDialectTest, FollowUpRequestsGoToTheServerNotToTheLastSender) {
    monitor->SendQuery("10.0.0.1");
    Reply("\\hostname\\Mallory\\numplayers\\0\\maxplayers\\32", "10.6.6.6");
    now += std::chrono::milliseconds(300);
    monitor->tmrParts_Timer();
    ASSERT_EQ(LastSent().substr(0, 3), std::string("\xFE\xFD\x00", 3));
    EXPECT_EQ(sockets.sockets.sent.back().to->address, Dotted("10.0.0.1"));
    EXPECT_EQ(sockets.sockets.sent.back().to->port, HostToNetwork16(23000));

    monitor->SendQuery("10.0.0.2");
    Reply(Part("\\gamename\\bfvietnam\\gamever\\v1.21\\location\\0", "3.1", true), "10.0.0.2");
    ASSERT_EQ(LastSent(), "\\status\\");
    EXPECT_EQ(sockets.sockets.sent.back().to->address, Dotted("10.0.0.2"));
    EXPECT_EQ(sockets.sockets.sent.back().to->port, HostToNetwork16(23000));
}

TEST_F(MonitorDialectTest, AServerNameIsLookedUpAgainRatherThanLeftToTheLastSender) {
    // The senders' reverse lookups share the fake's list with the lookups of the name.
    const auto nameLookups = [&] {
        std::vector<std::int32_t> requests;
        for (const auto& [request, lookup] : sockets.sockets.lookups) {
            if (!lookup.address) {
                requests.push_back(request);
            }
        }
        return requests;
    };
    const auto answerLookup = [&] {
        const std::int32_t request = nameLookups().back();
        sockets.sockets.FillLookup(request, "game.example", Dotted("10.0.0.1"));
        MSocketSupport::NotifyWindowProc(MSocketSupport::NotifyWindow(), MSocketSupport::ResolveMessage(),
                                         static_cast<std::uintptr_t>(request), 0);
    };
    sockets.sockets.reverseNames[Dotted("10.6.6.6")] = "game.example";
    monitor->SendQuery("game.example");
    answerLookup();
    EXPECT_EQ(sockets.sockets.sent.back().to->address, Dotted("10.0.0.1"));
    Reply(kServer + kPlayers);
    Reply("\\hostname\\Mallory\\numplayers\\0\\maxplayers\\32", "10.6.6.6");
    sockets.windows.DeliverPosted();  // the sender's reverse name: "game.example"
    ExpectAlphaShown();

    monitor->tmrRefresh_Timer();
    ASSERT_EQ(nameLookups().size(), 2u);
    EXPECT_EQ(sockets.sockets.sent.size(), 1u);  // nothing went to the last sender
    answerLookup();
    ASSERT_EQ(sockets.sockets.sent.size(), 2u);
    EXPECT_EQ(sockets.sockets.sent.back().to->address, Dotted("10.0.0.1"));
    Reply("\\hostname\\Mallory\\numplayers\\0\\maxplayers\\32", "10.6.6.6");
    Reply(kServer + kPlayers);
    ExpectAlphaShown();
}

TEST_F(MonitorDialectTest, PartsNeverShowUnderAnotherPick) {
    monitor->SendQuery("10.0.0.1");
    Reply(Part("\\hostname\\Alpha\\numplayers\\0", "7.1"));
    monitor->SendQuery("10.0.0.2");
    // The rest of the first server's set, and a part of the same id from the new server.
    Reply(Part("\\mapname\\Delta", "7.2", true));
    Reply(Part("\\mapname\\Hue\\numplayers\\0", "7.2", true), "10.0.0.2");
    EXPECT_EQ(monitor->lblTitle.Caption(), "Updating Stats...");
    now += std::chrono::milliseconds(1000);
    monitor->tmrParts_Timer();
    EXPECT_EQ(monitor->lblServerTitle.Caption(), "");
    EXPECT_EQ(monitor->lblMap.Caption(), " - Hue - ");
}

TEST_F(MonitorDialectTest, TheTimeoutWaitsForHeldPartsAndTheRefreshGoesOn) {
    monitor->SendQuery("10.0.0.1");
    Reply(Part(kServer, "8.1"));  // part 2 is lost
    monitor->tmrTimeout_Timer();
    EXPECT_EQ(sockets.sockets.sent.size(), 1u);  // no GameSpy 2 query while parts are held
    EXPECT_EQ(monitor->lblTitle.Caption(), "Updating Stats...");
    EXPECT_TRUE(monitor->tmrParts.Enabled());
    monitor->tmrParts_Timer();  // a tick ahead of the clock keeps waiting
    EXPECT_TRUE(monitor->tmrParts.Enabled());

    now += std::chrono::milliseconds(1000);
    monitor->tmrParts_Timer();
    EXPECT_EQ(monitor->lblServerTitle.Caption(), "Alpha");
    EXPECT_EQ(monitor->lblPlayers.Caption(), "Players:  2 / 32");
    EXPECT_TRUE(monitor->tmrRefresh.Enabled());
}

TEST_F(MonitorDialectTest, ASetDroppedForTooManyPartsStillEndsInTheTimeout) {
    monitor->SendQuery("10.0.0.1");
    Reply(Part(kServer, "9.1"));
    monitor->tmrTimeout_Timer();
    Reply(Part(kServer, "9.65"));
    EXPECT_FALSE(monitor->tmrParts.Enabled());
    EXPECT_EQ(sockets.sockets.sent.size(), 1u);  // a server that answers is asked no other form
    monitor->tmrTimeout_Timer();
    EXPECT_EQ(monitor->lblTitle.Caption(), "No response from server");
    EXPECT_EQ(monitor->lblServerTitle.Caption(), "");
}

TEST_F(MonitorDialectTest, APickOfAnotherServerEndsTheSlotWait) {
    const std::string full = "\\hostname\\Alpha\\numplayers\\32\\maxplayers\\32\\reservedslots\\0";
    const std::string free = "\\hostname\\Beta\\numplayers\\3\\maxplayers\\32\\reservedslots\\0";
    monitor->SendQuery("10.0.0.1");
    Reply(full);
    monitor->chkWaitForSlot.UserClicked(1);
    monitor->SendQuery("10.0.0.1");  // the same favourite again keeps waiting
    EXPECT_EQ(monitor->chkWaitForSlot.Value(), 1);

    monitor->SendQuery("10.0.0.2");
    EXPECT_EQ(monitor->chkWaitForSlot.Value(), 0);
    Reply(free, "10.0.0.2");
    EXPECT_TRUE(services.shell.starts.empty());
}

TEST_F(MonitorDialectTest, AnOversizedDatagramIsDroppedAndTheQueryGoesOn) {
    monitor->SendQuery("10.0.0.1");
    sockets.sockets.receiveFailure = winsock::kWsaEmsgsize;
    // The socket refuses it as Winsock does; the window procedure lets nothing through.
    EXPECT_THROW(Reply("\\hostname\\Huge"), SocketError);
    EXPECT_EQ(monitor->lblTitle.Caption(), "Updating Stats...");
    EXPECT_TRUE(monitor->tmrTimeout.Enabled());
    sockets.sockets.receiveFailure = 0;
    sockets.sockets.incoming.clear();
    Reply(kServer + kPlayers);
    ExpectAlphaShown();
}

}  // namespace
}  // namespace vantorel
