#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/fake_sockets.h"
#include "net/event_log.h"
#include "net/csocket.h"
#include "net/socket_support.h"
#include "platform/winsock_numbers.h"

namespace vantorel {
namespace {

platform::SockaddrIn Address(const std::string& dotted, std::uint16_t port) {
    platform::SockaddrIn address;
    address.address = testing::Dotted(dotted);
    address.port = static_cast<std::uint16_t>((port << 8) | (port >> 8));
    return address;
}

class CSocketTest : public ::testing::Test {
  protected:
    void SetUp() override {
        socket = CSocket::Create();
        socket->SetListener(&log);
    }
    void Notify(std::int32_t event, std::int32_t error = 0) { socket->PostSocketEvent(event, error); }
    // A connected TCP object, as Connect and FD_CONNECT leave it.
    void Connect() {
        socket->Connect(Variant::String("10.0.0.1"), Variant::Long(80));
        Notify(winsock::kFdConnect);
        log.events.clear();
    }
    void Incoming(const std::string& text, const std::string& from = "10.0.0.9", std::uint16_t port = 23000) {
        fakes.sockets.incoming[socket->SocketHandle()].push_back(
            {std::vector<std::uint8_t>(text.begin(), text.end()), Address(from, port)});
    }

    testing::FakeSocketPlatform fakes;
    testing::EventLog log;
    std::shared_ptr<CSocket> socket;
};

TEST_F(CSocketTest, ANewObjectHasNoSocketAndEmptyProperties) {
    EXPECT_EQ(socket->SocketHandle(), -1);
    EXPECT_EQ(socket->State(), 0);
    EXPECT_EQ(socket->Protocol(), 0);
    EXPECT_EQ(socket->RemoteHost(), "");
    EXPECT_EQ(socket->RemoteHostIP(), "");
    EXPECT_EQ(socket->LocalIP(), "");
    EXPECT_EQ(socket->LocalHostName(), "");
    EXPECT_EQ(socket->BytesReceived(), 0);
    EXPECT_TRUE(fakes.sockets.created.empty());
}

TEST_F(CSocketTest, ProtocolChangesOnlyWithoutASocketAndOnlyToTcpOrUdp) {
    socket->SetProtocol(1);
    EXPECT_EQ(socket->Protocol(), 1);
    socket->SetProtocol(2);
    EXPECT_EQ(socket->Protocol(), 1);
    socket->SetRemoteHost("10.0.0.1");  // makes the UDP socket
    ASSERT_NE(socket->SocketHandle(), -1);
    socket->SetProtocol(0);
    EXPECT_EQ(socket->Protocol(), 1);
}

TEST_F(CSocketTest, ASocketThatCannotBeRegisteredIsClosedAndForgotten) {
    fakes.sockets.asyncSelectFailure = 10022;
    socket->SetProtocol(1);
    socket->SendData(Variant::String("x"));  // UDP: fails silently
    EXPECT_EQ(socket->SocketHandle(), -1);
    EXPECT_EQ(fakes.sockets.closed, fakes.sockets.created);
    EXPECT_FALSE(MSocketSupport::SocketRegistry().has_value());
}

TEST_F(CSocketTest, CloseSocketDependsOnTheState) {
    socket->CloseSocket();  // no socket: nothing
    EXPECT_TRUE(fakes.sockets.closed.empty());

    Connect();
    socket->CloseSocket();
    EXPECT_EQ(socket->State(), CSocket::kClosing);
    EXPECT_TRUE(fakes.sockets.closed.empty());
    EXPECT_TRUE(log.events.empty());
    Notify(winsock::kFdClose);
    EXPECT_EQ(socket->State(), CSocket::kClosed);
    EXPECT_EQ(log.events, (std::vector<std::string>{"Close"}));

    socket->SetProtocol(1);
    socket->SetRemoteHost("10.0.0.1");
    socket->CloseSocket();
    EXPECT_EQ(socket->State(), CSocket::kClosed);
    EXPECT_EQ(socket->SocketHandle(), -1);
    EXPECT_EQ(log.events.size(), 1u);
}

TEST_F(CSocketTest, ANotificationWithAnErrorDestroysTheSocketAndRaisesOnError) {
    Connect();
    const std::int32_t handle = socket->SocketHandle();
    Notify(winsock::kFdConnect, 10061);
    EXPECT_EQ(socket->State(), CSocket::kError);
    EXPECT_EQ(socket->SocketHandle(), -1);
    EXPECT_EQ(fakes.sockets.closed, (std::vector<platform::SocketHandle>{handle}));
    EXPECT_EQ(log.events, (std::vector<std::string>{"Error 10061 Connection refused. [] 00"}));
}

TEST_F(CSocketTest, ReadNotificationsReportEverythingWaiting) {
    socket->SetProtocol(1);
    socket->SetRemoteHost("10.0.0.1");
    Incoming("12345");
    Incoming("1234567");
    Notify(winsock::kFdRead);
    Notify(winsock::kFdRead);
    EXPECT_EQ(log.events, (std::vector<std::string>{"DataArrival 5", "DataArrival 12"}));
    EXPECT_EQ(socket->BytesReceived(), 12);
    Notify(winsock::kFdRead);  // nothing came: no event
    EXPECT_EQ(log.events.size(), 2u);
}

TEST_F(CSocketTest, AReceiveFailureIsRaisedFromTheNotification) {
    socket->SetProtocol(1);
    socket->SetRemoteHost("10.0.0.1");
    fakes.sockets.receiveFailure = 10054;
    try {
        Notify(winsock::kFdRead);
        FAIL();
    } catch (const SocketError& error) {
        EXPECT_EQ(error.Number(), 10054);
        EXPECT_EQ(error.Description(), "Connection reset by peer.");
        EXPECT_EQ(error.Source(), "CSocket.PostSocketEvent");
    }
}

TEST_F(CSocketTest, CloseReadsWhatIsLeftThenEndsTheSocket) {
    Connect();
    fakes.sockets.incoming[socket->SocketHandle()].push_back({{'a', 'b', 'c'}, {}});
    fakes.sockets.incoming[socket->SocketHandle()].push_back({{'d', 'e'}, {}});
    Notify(winsock::kFdClose);
    EXPECT_EQ(log.events, (std::vector<std::string>{"DataArrival 3", "DataArrival 5", "Close"}));
    EXPECT_EQ(socket->State(), CSocket::kClosed);
    Variant data = Variant::String("untouched");
    socket->GetData(data);
    EXPECT_EQ(data, Variant::String("untouched"));  // what no handler took is gone
}

TEST_F(CSocketTest, AFailedLastFlushAtCloseStopsTheClose) {
    Connect();
    fakes.sockets.sendLimit = 0;
    fakes.sockets.sendFailure = 0;
    socket->SendData(Variant::String("late"));
    ASSERT_FALSE(socket->PendingSendBytes().empty());
    fakes.sockets.sendFailure = 10054;
    EXPECT_THROW(Notify(winsock::kFdClose), SocketError);
    EXPECT_EQ(socket->State(), CSocket::kClosing);
    EXPECT_NE(socket->SocketHandle(), -1);
    EXPECT_EQ(std::count(log.events.begin(), log.events.end(), "Close"), 0);
}

TEST_F(CSocketTest, ConnectFillsTheLocalSide) {
    fakes.sockets.localAddress = Address("192.168.0.2", 4321);
    fakes.sockets.reverseNames[testing::Dotted("192.168.0.2")] = "workstation";
    socket->Connect(Variant::String("10.0.0.1"), Variant::Long(80));
    EXPECT_EQ(socket->State(), CSocket::kConnecting);
    Notify(winsock::kFdConnect);
    EXPECT_EQ(socket->State(), CSocket::kConnected);
    EXPECT_EQ(socket->LocalPort(), 4321);
    EXPECT_EQ(socket->LocalIP(), "192.168.0.2");
    EXPECT_EQ(socket->LocalHostName(), "192.168.0.2");  // the name is looked up without waiting
    fakes.windows.DeliverPosted();
    EXPECT_EQ(socket->LocalHostName(), "workstation");
    EXPECT_EQ(socket->RemoteHostIP(), "");
    EXPECT_EQ(log.events, (std::vector<std::string>{"Connect"}));
}

TEST_F(CSocketTest, WithoutAReverseNameTheLocalNameIsTheAddress) {
    fakes.sockets.localAddress = Address("192.168.0.2", 4321);
    Connect();
    EXPECT_EQ(socket->LocalHostName(), "192.168.0.2");
}

TEST_F(CSocketTest, AcceptNotificationsCarryTheNewHandleOrMinusOne) {
    socket->Listen();
    ASSERT_EQ(socket->State(), CSocket::kListening);
    Notify(winsock::kFdAccept);
    fakes.sockets.acceptResult = -1;
    Notify(winsock::kFdAccept);
    EXPECT_EQ(log.events, (std::vector<std::string>{"ConnectionRequest 2000", "ConnectionRequest -1"}));
    EXPECT_EQ(socket->State(), CSocket::kListening);
}

TEST_F(CSocketTest, AnAcceptedConnectionThatNobodyTakesOverIsClosed) {
    socket->Listen();
    Notify(winsock::kFdAccept);  // the handler does not accept
    EXPECT_EQ(fakes.sockets.closed, (std::vector<platform::SocketHandle>{2000}));

    auto taker = CSocket::Create();
    log.onConnectionRequest = [&](std::int32_t requestID) { taker->Accept(requestID); };
    fakes.sockets.acceptResult = 2001;
    Notify(winsock::kFdAccept);
    EXPECT_EQ(fakes.sockets.closed, (std::vector<platform::SocketHandle>{2000}));
    EXPECT_EQ(taker->SocketHandle(), 2001);
}

TEST_F(CSocketTest, AcceptOnAnObjectWithASocketEndsTheOldOne) {
    socket->SetProtocol(CSocket::kUdp);
    socket->SetRemoteHost("10.0.0.1");
    const std::int32_t old = socket->SocketHandle();
    socket->Accept(2000);
    EXPECT_EQ(fakes.sockets.closed, (std::vector<platform::SocketHandle>{old}));
    EXPECT_FALSE(MSocketSupport::SocketRegistry()->Contains(MSocketSupport::SocketKey(old)));
    EXPECT_EQ(socket->SocketHandle(), 2000);
    EXPECT_EQ(socket->State(), CSocket::kConnected);
}

TEST_F(CSocketTest, TheObjectEndsItsSocketAndTheLibrary) {
    Connect();
    const std::int32_t handle = socket->SocketHandle();
    socket.reset();
    EXPECT_EQ(fakes.sockets.closed, (std::vector<platform::SocketHandle>{handle}));
    EXPECT_EQ(fakes.sockets.cleanups, 1);
    EXPECT_FALSE(MSocketSupport::WinsockStarted());
}

TEST_F(CSocketTest, AReferenceFromTheServiceOutlivesTheApplicationsRelease) {
    socket->SetProtocol(1);
    socket->SetRemoteHost("10.0.0.1");
    Incoming("x");
    const std::int32_t handle = socket->SocketHandle();
    log.onData = [&] { socket.reset(); };  // the application lets go inside its handler
    MSocketSupport::NotifyWindowProc(MSocketSupport::NotifyWindow(), MSocketSupport::WinsockMessage(),
                                     static_cast<std::uintptr_t>(handle), winsock::kFdRead);
    EXPECT_EQ(log.events, (std::vector<std::string>{"DataArrival 1"}));
    EXPECT_EQ(fakes.sockets.closed, (std::vector<platform::SocketHandle>{handle}));  // ended after the routine
}

}  // namespace
}  // namespace vantorel
