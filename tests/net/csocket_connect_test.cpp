#include <gtest/gtest.h>

#include "fakes/fake_sockets.h"
#include "net/csocket.h"
#include "net/event_log.h"
#include "platform/winsock_numbers.h"

namespace vantorel {
namespace {

class ConnectTest : public ::testing::Test {
  protected:
    void SetUp() override {
        socket = CSocket::Create();
        socket->SetListener(&log);
    }
    std::vector<std::int32_t> BroadcastSettings() const {
        std::vector<std::int32_t> values;
        for (const auto& option : fakes.sockets.options) {
            if (option.option == winsock::kSoBroadcast) {
                values.push_back(option.value);
            }
        }
        return values;
    }
    void CompleteLookup(std::int32_t request, std::int32_t error, const std::string& name = "",
                        const std::string& address = "") {
        if (error == 0) {
            fakes.sockets.FillLookup(request, name, testing::Dotted(address));
        }
        MSocketSupport::NotifyWindowProc(MSocketSupport::NotifyWindow(), MSocketSupport::ResolveMessage(),
                                         static_cast<std::uintptr_t>(request), error << 16);
    }
    static SocketError Raised(const std::function<void()>& action) {
        try {
            action();
        } catch (const SocketError& error) {
            return error;
        }
        return SocketError(0, "", "");
    }

    testing::FakeSocketPlatform fakes;
    testing::EventLog log;
    std::shared_ptr<CSocket> socket;
};

TEST_F(ConnectTest, BroadcastIsSwitchedForBroadcastAddressesOnUdpOnly) {
    socket->SetProtocol(CSocket::kUdp);
    socket->SetRemoteHost("192.168.0.255");
    socket->SetRemoteHost("192.168.0.255");
    EXPECT_EQ(BroadcastSettings(), (std::vector<std::int32_t>{1}));
    socket->SetRemoteHost("192.168.0.7");
    EXPECT_EQ(BroadcastSettings(), (std::vector<std::int32_t>{1, 0}));
    EXPECT_EQ(socket->RemoteHostIP(), "192.168.0.7");

    auto tcp = CSocket::Create();
    tcp->SetRemoteHost("192.168.0.255");
    EXPECT_EQ(tcp->SocketHandle(), -1);
    EXPECT_EQ(BroadcastSettings().size(), 2u);
}

TEST_F(ConnectTest, AFailedBroadcastSwitchIsRaisedAndChangesNothing) {
    socket->SetProtocol(CSocket::kUdp);
    fakes.sockets.setOptionFailure = 10042;
    const SocketError error = Raised([&] { socket->SetRemoteHost("10.0.0.255"); });
    EXPECT_EQ(error.Number(), 10042);
    EXPECT_EQ(error.Source(), "CSocket.RemoteHost");
    fakes.sockets.setOptionFailure = 0;
    socket->SetRemoteHost("10.0.0.255");  // still off, so it is tried again
    EXPECT_EQ(BroadcastSettings(), (std::vector<std::int32_t>{1}));
}

TEST_F(ConnectTest, TheAllOnesAddressIsNoAddress) {
    socket->SetProtocol(CSocket::kUdp);
    socket->SetRemoteHost("10.0.0.1");
    socket->SetRemoteHost("255.255.255.255");
    EXPECT_EQ(socket->RemoteHost(), "255.255.255.255");
    EXPECT_EQ(socket->RemoteHostIP(), "");  // a name of its own: looked up by the next send
    EXPECT_TRUE(BroadcastSettings().empty());
}

TEST_F(ConnectTest, ANewNameForgetsTheOldAddressSoTheNextSendLooksItUp) {
    socket->SetProtocol(CSocket::kUdp);
    socket->SetRemotePort(23000);
    socket->SetRemoteHost("10.0.0.1");
    socket->SetRemoteHost("server.example");
    EXPECT_EQ(socket->RemoteHostIP(), "");
    socket->SendData(Variant::String("\\basic\\"));
    EXPECT_TRUE(fakes.sockets.sent.empty());
    ASSERT_EQ(fakes.sockets.lookups.size(), 1u);
    EXPECT_EQ(fakes.sockets.lookups.begin()->second.name, "server.example");
}

TEST_F(ConnectTest, TheSameNameAgainKeepsTheAddressItResolvedTo) {
    socket->SetProtocol(CSocket::kUdp);
    socket->SetRemotePort(23000);
    socket->SetRemoteHost("server.example");
    socket->SendData(Variant::String("x"));
    const std::int32_t request = fakes.sockets.lookups.begin()->first;
    CompleteLookup(request, 0, "server.example", "10.3.3.3");
    ASSERT_EQ(socket->RemoteHostIP(), "10.3.3.3");
    socket->SetRemoteHost("server.example");
    EXPECT_EQ(socket->RemoteHostIP(), "10.3.3.3");
    socket->SendData(Variant::String("y"));
    EXPECT_EQ(fakes.sockets.lookups.size(), 1u);
    EXPECT_EQ(fakes.sockets.sent.size(), 2u);
}

TEST_F(ConnectTest, ConnectToADottedAddressGoesStraightToConnecting) {
    socket->Connect(Variant::String("10.0.0.1"), Variant::Long(80));
    EXPECT_EQ(socket->State(), CSocket::kConnecting);
    ASSERT_EQ(fakes.sockets.connects.size(), 1u);
    EXPECT_EQ(fakes.sockets.connects[0].address, testing::Dotted("10.0.0.1"));
    EXPECT_EQ(fakes.sockets.connects[0].port, 0x5000);  // 80 in network order
    EXPECT_EQ(socket->RemoteHostIP(), "");
}

TEST_F(ConnectTest, ConnectUsesTheStoredHostAndPortOrFailsWithoutAHost) {
    const SocketError error = Raised([&] { socket->Connect(); });
    EXPECT_EQ(error.Number(), 10049);
    EXPECT_EQ(error.Description(), "Cannot assign requested address.");
    EXPECT_EQ(error.Source(), "CSocket.Connect");

    socket->SetRemoteHost("10.0.0.2");
    socket->SetRemotePort(8080);
    socket->Connect(Variant::String(""), Variant::String("not a number"));
    ASSERT_EQ(fakes.sockets.connects.size(), 1u);
    EXPECT_EQ(fakes.sockets.connects[0].address, testing::Dotted("10.0.0.2"));
    EXPECT_EQ(socket->RemotePort(), 8080);
}

TEST_F(ConnectTest, AnImmediateConnectFailureIsRaised) {
    fakes.sockets.connectResult = 10051;
    const SocketError error = Raised([&] { socket->Connect(Variant::String("10.0.0.1"), Variant::Long(80)); });
    EXPECT_EQ(error.Number(), 10051);
    EXPECT_EQ(error.Description(), "Network is unreachable.");
    EXPECT_EQ(error.Source(), "CSocket.Connect");
    EXPECT_EQ(Raised([&] { socket->Connect(Variant::String("10.0.0.1"), Variant::Long(70000)); }).Number(), 6);
}

TEST_F(ConnectTest, ConnectToANameResolvesThenConnects) {
    socket->Connect(Variant::String("server.example"), Variant::Long(80));
    EXPECT_EQ(socket->State(), CSocket::kResolvingHost);
    const std::int32_t request = fakes.sockets.lookups.begin()->first;
    CompleteLookup(request, 0, "server.example.net", "10.4.4.4");
    EXPECT_EQ(socket->State(), CSocket::kConnecting);
    EXPECT_EQ(socket->RemoteHost(), "server.example.net");
    EXPECT_EQ(socket->RemoteHostIP(), "10.4.4.4");
    ASSERT_EQ(fakes.sockets.connects.size(), 1u);
    EXPECT_EQ(fakes.sockets.connects[0].address, testing::Dotted("10.4.4.4"));
    socket->PostSocketEvent(winsock::kFdConnect, 0);
    EXPECT_EQ(socket->State(), CSocket::kConnected);
}

TEST_F(ConnectTest, AFailedLookupReportsItsErrorAndKeepsTheSocket) {
    socket->Connect(Variant::String("nowhere.invalid"), Variant::Long(80));
    const std::int32_t request = fakes.sockets.lookups.begin()->first;
    CompleteLookup(request, 11001);
    EXPECT_EQ(socket->State(), CSocket::kError);
    EXPECT_NE(socket->SocketHandle(), -1);
    EXPECT_EQ(log.events, (std::vector<std::string>{"Error 11001 Host not found. [] 00"}));
}

TEST_F(ConnectTest, AConnectFailureAfterTheLookupArrivesAsAnEvent) {
    socket->Connect(Variant::String("server.example"), Variant::Long(80));
    fakes.sockets.connectResult = 10065;
    CompleteLookup(fakes.sockets.lookups.begin()->first, 0, "server.example", "10.4.4.4");
    EXPECT_EQ(socket->State(), CSocket::kHostResolved);
    EXPECT_EQ(log.events, (std::vector<std::string>{"Error 10065 No route to host. [CSocket.PostGetHostEvent] 00"}));
}

TEST_F(ConnectTest, AnOlderLookupsCompletionIsIgnored) {
    socket->Connect(Variant::String("first.example"), Variant::Long(80));
    const std::int32_t first = fakes.sockets.lookups.begin()->first;
    socket->Connect(Variant::String("second.example"), Variant::Long(80));
    CompleteLookup(first, 0, "first.example", "10.1.1.1");
    EXPECT_EQ(socket->State(), CSocket::kResolvingHost);
    EXPECT_TRUE(fakes.sockets.connects.empty());
}

TEST_F(ConnectTest, AnOlderLookupsFailureIsIgnoredWhileANewerOneIsPending) {
    socket->Connect(Variant::String("first.example"), Variant::Long(80));
    const std::int32_t first = fakes.sockets.lookups.begin()->first;
    socket->Connect(Variant::String("second.example"), Variant::Long(80));
    const std::int32_t second = fakes.sockets.lookups.rbegin()->first;
    CompleteLookup(first, 11001);
    EXPECT_EQ(socket->State(), CSocket::kResolvingHost);
    EXPECT_TRUE(log.events.empty());
    CompleteLookup(second, 0, "second.example", "10.2.2.2");
    EXPECT_EQ(socket->State(), CSocket::kConnecting);
}

TEST_F(ConnectTest, ALookupThatCannotStartDestroysTheSocketAndRaises) {
    fakes.sockets.lookupFailure = 10050;
    const SocketError error = Raised([&] { socket->Connect(Variant::String("server.example"), Variant::Long(80)); });
    EXPECT_EQ(error.Number(), 10050);
    EXPECT_EQ(error.Source(), "CSocket.Connect");
    EXPECT_EQ(socket->State(), CSocket::kResolvingHost);
    EXPECT_EQ(socket->SocketHandle(), -1);

    fakes.sockets.lookupFailure = 0;
    fakes.memory.allocFails = true;
    const SocketError noBuffer = Raised([&] { socket->Connect(Variant::String("server.example")); });
    EXPECT_EQ(noBuffer.Number(), 10055);
    EXPECT_EQ(noBuffer.Description(), "No buffer space available.");
}

TEST_F(ConnectTest, BindKeepsStoredValuesForZeroAndEmptyAndRefusesANonAddress) {
    socket->SetLocalPort(1000);
    socket->Bind(0, "");
    ASSERT_EQ(fakes.sockets.binds.size(), 1u);
    EXPECT_EQ(fakes.sockets.binds[0].port, 0xE803);  // 1000
    EXPECT_EQ(fakes.sockets.binds[0].address, 0u);
    socket->CloseSocket();
    socket->Bind(2000, "127.0.0.1");
    EXPECT_EQ(socket->LocalPort(), 2000);
    EXPECT_EQ(socket->LocalIP(), "127.0.0.1");
    EXPECT_EQ(fakes.sockets.binds[1].address, testing::Dotted("127.0.0.1"));

    const SocketError error = Raised([&] { socket->Bind(0, "localhost"); });
    EXPECT_EQ(error.Number(), 10049);
    EXPECT_EQ(error.Source(), "CSocket.Bind");
}

TEST_F(ConnectTest, ListenBindsOnceAndReportsItsFailures) {
    socket->Listen();
    socket->Listen();
    EXPECT_EQ(socket->State(), CSocket::kListening);
    EXPECT_EQ(fakes.sockets.binds.size(), 1u);

    auto udp = CSocket::Create();
    udp->SetProtocol(CSocket::kUdp);
    fakes.sockets.listenFailure = 10045;
    const SocketError error = Raised([&] { udp->Listen(); });
    EXPECT_EQ(error.Number(), 10045);
    EXPECT_EQ(error.Description(), "Operation not supported.");
    EXPECT_EQ(error.Source(), "CSocket.Listen");
    EXPECT_EQ(udp->State(), CSocket::kError);

    auto other = CSocket::Create();
    fakes.sockets.listenFailure = 0;
    fakes.sockets.bindFailure = 10048;
    EXPECT_EQ(Raised([&] { other->Listen(); }).Source(), "CSocket.Listen");
}

TEST_F(ConnectTest, AcceptTakesOverTheConnectionWithTheAddressesAsText) {
    platform::SockaddrIn local;
    local.address = testing::Dotted("10.0.0.5");
    local.port = 0x5000;
    platform::SockaddrIn peer;
    peer.address = testing::Dotted("10.0.0.6");
    peer.port = 0x3930;
    fakes.sockets.localAddress = local;
    fakes.sockets.peerAddress = peer;
    fakes.sockets.reverseNames[peer.address] = "peer.example";
    socket->Accept(2000);
    EXPECT_EQ(socket->SocketHandle(), 2000);
    EXPECT_EQ(socket->State(), CSocket::kConnected);
    EXPECT_EQ(socket->LocalIP(), "10.0.0.5");
    EXPECT_EQ(socket->LocalHostName(), "10.0.0.5");
    EXPECT_EQ(socket->LocalPort(), 80);
    EXPECT_EQ(socket->RemoteHost(), "10.0.0.6");
    EXPECT_EQ(socket->RemoteHostIP(), "10.0.0.6");
    EXPECT_EQ(socket->RemotePort(), 12345);
    EXPECT_EQ(socket->Protocol(), CSocket::kTcp);
    EXPECT_TRUE(MSocketSupport::SocketRegistry()->Contains("S2000"));

    auto refused = CSocket::Create();
    EXPECT_EQ(Raised([&] { refused->Accept(-1); }).Source(), "CSocket.Accept");
}

// The fake library's inet_addr, which decides what counts as a dotted address.
TEST(FakeInetAddr, AcceptsEveryFormInetAddrAccepts) {
    const std::uint32_t loopback = testing::Dotted("127.0.0.1");
    EXPECT_EQ(loopback, 0x0100007Fu);
    for (const char* form : {"127.1", "0x7f.1", "127.0.0.01", "0177.0.0.1", "2130706433", "127.0.1"}) {
        EXPECT_EQ(testing::Dotted(form), loopback) << form;
    }
    EXPECT_EQ(testing::Dotted("1.2.65535"), testing::Dotted("1.2.255.255"));
    for (const char* refused : {"", "127.0.0.08", "1.2.3.256", "1.2.3.4.5", "1.2.3.", "0x", "a.b.c.d", "1.2.65536"}) {
        EXPECT_EQ(testing::Dotted(refused), winsock::kInaddrNone) << refused;
    }
}

}  // namespace
}  // namespace vantorel
