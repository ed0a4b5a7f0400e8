// The stand-in's notifications follow Winsock's rules for WSAAsyncSelect.

#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/posix/socket_library_posix.h"
#include "platform/winsock_numbers.h"

namespace vantorel::platform {
namespace {

struct Notification {
    std::uintptr_t socket;
    long event;
    int error;
    bool operator==(const Notification&) const = default;
};

std::vector<Notification>& Seen() {
    static std::vector<Notification> seen;
    return seen;
}

std::intptr_t Record(WindowHandle, std::uint32_t, std::uintptr_t wParam, std::intptr_t lParam) {
    Seen().push_back({wParam, lParam & 0xFFFF, static_cast<int>((lParam >> 16) & 0xFFFF)});
    return 0;
}

constexpr long kAll =
    winsock::kFdRead | winsock::kFdWrite | winsock::kFdAccept | winsock::kFdConnect | winsock::kFdClose;

class StandInTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Seen().clear();
        WsaData data;
        ASSERT_EQ(sockets.Startup(0x0101, &data), 0);
        window = loop.CreateWindow(Record);
    }
    void TearDown() override { sockets.Cleanup(); }

    // Runs the loop a few times without waiting, then briefly, so that what is ready shows.
    std::vector<Notification> Settle() {
        for (int i = 0; i < 5; ++i) {
            loop.RunOnce(i < 3 ? 0 : 20);
        }
        std::vector<Notification> seen = Seen();
        Seen().clear();
        return seen;
    }
    SocketHandle Udp(std::uint16_t* port) {
        const SocketHandle s = sockets.Socket(winsock::kAfInet, winsock::kSockDgram, winsock::kIpProtoUdp);
        SockaddrIn address;
        address.address = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(sockets.Bind(s, address), 0);
        EXPECT_EQ(sockets.GetSockName(s, &address), 0);
        *port = address.port;
        return s;
    }
    // A plain datagram sender, outside the library.
    void SendDatagram(std::uint16_t port, const std::string& text) {
        const int fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = port;
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        sendto(fd, text.data(), text.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        close(fd);
    }

    PosixEventLoop loop;
    PosixSocketLibrary sockets{loop};
    WindowHandle window = 0;
};

TEST_F(StandInTest, UdpCanWriteAtOnceAndReadsOnceUntilReenabled) {
    std::uint16_t port;
    const SocketHandle s = Udp(&port);
    ASSERT_EQ(sockets.AsyncSelect(s, window, 0xC000, kAll), 0);
    const auto handle = static_cast<std::uintptr_t>(s);
    EXPECT_EQ(Settle(), (std::vector<Notification>{{handle, winsock::kFdWrite, 0}}));

    SendDatagram(port, "one");
    SendDatagram(port, "two");
    EXPECT_EQ(Settle(), (std::vector<Notification>{{handle, winsock::kFdRead, 0}}));  // one until the read
    std::uint8_t buffer[64];
    SockaddrIn from;
    EXPECT_EQ(sockets.RecvFrom(s, buffer, sizeof buffer, 0, &from), 3);
    EXPECT_EQ(Settle(), (std::vector<Notification>{{handle, winsock::kFdRead, 0}}));  // the second still waits
    EXPECT_EQ(sockets.RecvFrom(s, buffer, sizeof buffer, 0, &from), 3);
    EXPECT_TRUE(Settle().empty());
    EXPECT_EQ(sockets.RecvFrom(s, buffer, sizeof buffer, 0, &from), -1);
    EXPECT_EQ(sockets.LastError(), winsock::kWsaEwouldblock);
}

TEST_F(StandInTest, UdpConnectsAtOnceAndRefusesToSendToTheNullAddress) {
    std::uint16_t port;
    const SocketHandle s = Udp(&port);
    ASSERT_EQ(sockets.AsyncSelect(s, window, 0xC000, kAll), 0);
    Settle();
    SockaddrIn peer;
    peer.address = htonl(INADDR_LOOPBACK);
    peer.port = port;
    EXPECT_EQ(sockets.Connect(s, peer), 0);
    EXPECT_TRUE(Settle().empty());  // no FD_CONNECT for a datagram socket
    SockaddrIn nowhere;
    nowhere.port = port;
    const std::uint8_t byte = 'x';
    EXPECT_EQ(sockets.SendTo(s, &byte, 1, 0, nowhere), -1);
    EXPECT_EQ(sockets.LastError(), winsock::kWsaEaddrnotavail);
}

TEST_F(StandInTest, NothingComesAfterClosesocket) {
    std::uint16_t port;
    const SocketHandle s = Udp(&port);
    sockets.AsyncSelect(s, window, 0xC000, winsock::kFdRead);
    SendDatagram(port, "late");
    EXPECT_EQ(sockets.CloseSocket(s), 0);
    EXPECT_TRUE(Settle().empty());
    EXPECT_EQ(sockets.CloseSocket(s), -1);
    EXPECT_EQ(sockets.LastError(), winsock::kWsaEnotsock);
}

TEST_F(StandInTest, StreamsConnectAcceptReadAndCloseOnceAllIsRead) {
    const SocketHandle server = sockets.Socket(winsock::kAfInet, winsock::kSockStream, winsock::kIpProtoTcp);
    SockaddrIn address;
    address.address = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(sockets.Bind(server, address), 0);
    ASSERT_EQ(sockets.Listen(server, 5), 0);
    sockets.GetSockName(server, &address);
    sockets.AsyncSelect(server, window, 0xC000, kAll);

    const SocketHandle client = sockets.Socket(winsock::kAfInet, winsock::kSockStream, winsock::kIpProtoTcp);
    sockets.AsyncSelect(client, window, 0xC000, kAll);
    EXPECT_EQ(sockets.Connect(client, address), -1);
    EXPECT_EQ(sockets.LastError(), winsock::kWsaEwouldblock);
    const auto c = static_cast<std::uintptr_t>(client);
    const auto l = static_cast<std::uintptr_t>(server);
    std::vector<Notification> seen = Settle();
    EXPECT_NE(std::find(seen.begin(), seen.end(), Notification{c, winsock::kFdConnect, 0}), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), Notification{c, winsock::kFdWrite, 0}), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), Notification{l, winsock::kFdAccept, 0}), seen.end());

    SockaddrIn peer;
    const SocketHandle accepted = sockets.Accept(server, &peer);
    ASSERT_NE(accepted, kInvalidSocket);
    const auto a = static_cast<std::uintptr_t>(accepted);
    EXPECT_EQ(Settle(), (std::vector<Notification>{{a, winsock::kFdWrite, 0}}));  // it has the listener's events

    const std::uint8_t data[] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(sockets.Send(client, data, 4, 0), 4);
    EXPECT_EQ(sockets.Shutdown(client, winsock::kSdSend), 0);
    EXPECT_EQ(Settle(), (std::vector<Notification>{{a, winsock::kFdRead, 0}}));
    std::uint8_t buffer[2];
    EXPECT_EQ(sockets.Recv(accepted, buffer, 2, 0), 2);
    EXPECT_EQ(Settle(), (std::vector<Notification>{{a, winsock::kFdRead, 0}}));
    EXPECT_EQ(sockets.Recv(accepted, buffer, 2, 0), 2);
    EXPECT_EQ(Settle(), (std::vector<Notification>{{a, winsock::kFdClose, 0}}));
    EXPECT_EQ(sockets.Recv(accepted, buffer, 2, 0), 0);
    EXPECT_TRUE(Settle().empty());  // the close comes once
}

TEST_F(StandInTest, ARefusedConnectComesAsFdConnectWithTheErrorAndNoClose) {
    const SocketHandle probe = sockets.Socket(winsock::kAfInet, winsock::kSockStream, winsock::kIpProtoTcp);
    SockaddrIn address;
    address.address = htonl(INADDR_LOOPBACK);
    sockets.Bind(probe, address);
    sockets.GetSockName(probe, &address);
    sockets.CloseSocket(probe);

    const SocketHandle client = sockets.Socket(winsock::kAfInet, winsock::kSockStream, winsock::kIpProtoTcp);
    sockets.AsyncSelect(client, window, 0xC000, kAll);
    EXPECT_EQ(sockets.Connect(client, address), -1);
    EXPECT_EQ(sockets.LastError(), winsock::kWsaEwouldblock);
    EXPECT_EQ(Settle(), (std::vector<Notification>{
                            {static_cast<std::uintptr_t>(client), winsock::kFdConnect, winsock::kWsaEconnrefused}}));
    EXPECT_TRUE(Settle().empty());
}

TEST_F(StandInTest, AnIdleSocketLeavesTheLoopAsleep) {
    std::uint16_t port;
    const SocketHandle s = Udp(&port);
    sockets.AsyncSelect(s, window, 0xC000, winsock::kFdRead);
    Settle();
    const std::uint64_t before = loop.WakeUps();
    loop.RunOnce(300);
    EXPECT_EQ(loop.WakeUps() - before, 1u);  // one return from poll, at the timeout
}

TEST_F(StandInTest, CallsBeforeStartUpAreRefused) {
    sockets.Cleanup();
    EXPECT_EQ(sockets.Socket(winsock::kAfInet, winsock::kSockDgram, winsock::kIpProtoUdp), kInvalidSocket);
    EXPECT_EQ(sockets.LastError(), winsock::kWsaNotinitialised);
    WsaData data;
    sockets.Startup(0x0101, &data);
    EXPECT_EQ(data.maxUdpDatagram, 65467);
}

}  // namespace
}  // namespace vantorel::platform
