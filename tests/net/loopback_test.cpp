// The socket layer over real loopback sockets: the platform's own library and message
// loop (Winsock under Wine, the stand-in natively).

#include <gtest/gtest.h>

#include <chrono>

#include "net/byte_order.h"
#include "net/csocket.h"
#include "fakes/pump.h"
#include "net/event_log.h"
#include "platform/event_loop.h"
#include "platform/global_memory.h"
#include "platform/platform.h"
#include "platform/socket_library.h"

namespace vantorel {
namespace {

using testing::PumpUntil;

// The port the system chose for a socket bound to port 0.
std::int32_t BoundPort(const CSocket& socket) {
    platform::SockaddrIn address;
    platform::Current().sockets->GetSockName(socket.SocketHandle(), &address);
    return NetworkToHost16(address.port);
}

bool Has(const testing::EventLog& log, const std::string& event) {
    return std::find(log.events.begin(), log.events.end(), event) != log.events.end();
}

std::string Text(CSocket& socket) {
    Variant data;
    socket.GetData(data);
    return data.Type() == VarType::kString ? data.AsString() : "";
}

TEST(Loopback, AUdpQueryAndItsReply) {
    auto server = CSocket::Create();
    testing::EventLog serverLog;
    server->SetListener(&serverLog);
    server->SetProtocol(CSocket::kUdp);
    server->Bind(0, "127.0.0.1");
    const std::int32_t port = BoundPort(*server);
    std::string request;
    serverLog.onData = [&] {
        request = Text(*server);
        server->SendData(Variant::String("\\hostname\\Jérôme's server"));  // back to the sender
    };

    auto client = CSocket::Create();
    testing::EventLog clientLog;
    client->SetListener(&clientLog);
    client->SetProtocol(CSocket::kUdp);
    client->SetRemoteHost("127.0.0.1");
    client->SetRemotePort(port);
    std::string reply;
    clientLog.onData = [&] { reply = Text(*client); };
    client->SendData(Variant::String("\\basic\\"));
    EXPECT_EQ(clientLog.events, (std::vector<std::string>{"SendProgress 7 0"}));

    ASSERT_TRUE(PumpUntil([&] { return !reply.empty(); }));
    EXPECT_EQ(request, "\\basic\\");
    EXPECT_EQ(reply, "\\hostname\\Jérôme's server");
    EXPECT_EQ(std::count(clientLog.events.begin(), clientLog.events.end(), "SendComplete"), 1);
    EXPECT_EQ(clientLog.events[1], "SendComplete");
    EXPECT_EQ(client->RemoteHostIP(), "127.0.0.1");
    EXPECT_EQ(client->RemotePort(), port);
    // The sender's name is looked up without blocking and replaces its address when it comes.
    EXPECT_TRUE(PumpUntil([&] { return client->RemoteHost() == "localhost"; })) << client->RemoteHost();
    EXPECT_EQ(client->State(), CSocket::kClosed);
}

// The platform's own lookup buffers, counted.
class CountingMemory : public platform::GlobalMemory {
  public:
    explicit CountingMemory(platform::GlobalMemory& real) : real_(real) {}
    std::intptr_t Alloc(unsigned flags, std::size_t bytes) override {
        const std::intptr_t handle = real_.Alloc(flags, bytes);
        live += handle != 0 ? 1 : 0;
        return handle;
    }
    void* Lock(std::intptr_t handle) override { return real_.Lock(handle); }
    bool Unlock(std::intptr_t handle) override { return real_.Unlock(handle); }
    std::intptr_t Free(std::intptr_t handle) override {
        const std::intptr_t result = real_.Free(handle);
        live -= result == 0 ? 1 : 0;
        return result;
    }
    int live = 0;

  private:
    platform::GlobalMemory& real_;
};

// Wine's WSACancelAsyncRequest answers success and still writes the result: the buffer
// must outlive the cancel until the completion arrives (or the library is cleaned up).
TEST(Loopback, ALookupCancelledByTheObjectsEndMayStillComplete) {
    platform::ScopedPlatform restore;
    CountingMemory memory(*platform::Current().memory);
    platform::Current().memory = &memory;
    {
        auto keeper = CSocket::Create();  // keeps the window, so that a late completion arrives
        keeper->SetProtocol(CSocket::kUdp);
        keeper->Bind(0, "127.0.0.1");
        auto client = CSocket::Create();
        client->Connect(Variant::String("localhost"), Variant::Long(9));
        ASSERT_EQ(client->State(), CSocket::kResolvingHost);
        client.reset();
        EXPECT_EQ(memory.live, 1);
        PumpUntil([&] { return memory.live == 0; }, std::chrono::seconds(2));
    }
    EXPECT_EQ(memory.live, 0);
}

// A listening object, the client that connects to it, and the object that accepts.
class TcpPair : public ::testing::Test {
  protected:
    void SetUp() override {
        listener = CSocket::Create();
        listener->SetListener(&listenerLog);
        listener->Bind(0, "127.0.0.1");
        listener->Listen();
        port = BoundPort(*listener);
        listenerLog.onConnectionRequest = [&](std::int32_t id) {
            accepted = CSocket::Create();
            accepted->SetListener(&acceptedLog);
            accepted->Accept(id);
        };
        client = CSocket::Create();
        client->SetListener(&clientLog);
    }

    std::shared_ptr<CSocket> listener, client, accepted;
    testing::EventLog listenerLog, clientLog, acceptedLog;
    std::int32_t port = 0;
};

TEST_F(TcpPair, ConnectExchangeAndCloseFromTheClient) {
    ASSERT_EQ(listener->State(), CSocket::kListening);
    client->Connect(Variant::String("127.0.0.1"), Variant::Long(port));
    EXPECT_EQ(client->State(), CSocket::kConnecting);
    ASSERT_TRUE(PumpUntil([&] { return client->State() == CSocket::kConnected && accepted; }));
    EXPECT_EQ(accepted->State(), CSocket::kConnected);
    EXPECT_EQ(accepted->RemoteHostIP(), "127.0.0.1");
    EXPECT_EQ(accepted->RemotePort(), client->LocalPort());
    EXPECT_EQ(client->LocalIP(), "127.0.0.1");

    std::string atServer, atClient;
    acceptedLog.onData = [&] {
        atServer += Text(*accepted);
        if (atServer == "ping") {
            accepted->SendData(Variant::String("pong"));
        }
    };
    clientLog.onData = [&] { atClient += Text(*client); };
    client->SendData(Variant::String("ping"));
    ASSERT_TRUE(PumpUntil([&] { return atClient == "pong"; }));
    EXPECT_EQ(atServer, "ping");

    client->CloseSocket();
    EXPECT_EQ(client->State(), CSocket::kClosing);
    ASSERT_TRUE(PumpUntil([&] { return Has(clientLog, "Close") && Has(acceptedLog, "Close"); }));
    EXPECT_EQ(client->State(), CSocket::kClosed);
    EXPECT_EQ(accepted->State(), CSocket::kClosed);
    EXPECT_EQ(client->SocketHandle(), -1);
}

TEST_F(TcpPair, CloseFromTheAcceptingSide) {
    client->Connect(Variant::String("127.0.0.1"), Variant::Long(port));
    ASSERT_TRUE(PumpUntil([&] { return client->State() == CSocket::kConnected && accepted; }));
    accepted->SendData(Variant::String("bye"));
    accepted->CloseSocket();
    std::string atClient;
    clientLog.onData = [&] { atClient += Text(*client); };
    ASSERT_TRUE(PumpUntil([&] { return Has(clientLog, "Close") && Has(acceptedLog, "Close"); }));
    EXPECT_EQ(atClient, "bye");  // read before the close was reported
    EXPECT_EQ(client->State(), CSocket::kClosed);
    EXPECT_EQ(accepted->State(), CSocket::kClosed);
}

TEST_F(TcpPair, ConnectByNameLooksTheHostUpFirst) {
    client->Connect(Variant::String("localhost"), Variant::Long(port));
    EXPECT_EQ(client->State(), CSocket::kResolvingHost);
    ASSERT_TRUE(PumpUntil([&] { return client->State() == CSocket::kConnected; }));
    EXPECT_EQ(client->RemoteHostIP(), "127.0.0.1");
    EXPECT_EQ(clientLog.events, (std::vector<std::string>{"Connect"}));
}

TEST(Loopback, ARefusedConnectReportsTheErrorAndState9) {
    // A port that nothing listens on: bound, then let go.
    std::int32_t port = 0;
    {
        auto probe = CSocket::Create();
        probe->Bind(0, "127.0.0.1");
        port = BoundPort(*probe);
    }
    auto client = CSocket::Create();
    testing::EventLog log;
    client->SetListener(&log);
    client->Connect(Variant::String("127.0.0.1"), Variant::Long(port));
    ASSERT_TRUE(PumpUntil([&] { return client->State() == CSocket::kError; }));
    EXPECT_EQ(log.events, (std::vector<std::string>{"Error 10061 Connection refused. [] 00"}));
    EXPECT_EQ(client->SocketHandle(), -1);
}

TEST(Loopback, ANameThatCannotResolve) {
    auto client = CSocket::Create();
    testing::EventLog log;
    client->SetListener(&log);
    client->Connect(Variant::String("no-such-host.invalid"), Variant::Long(80));
    ASSERT_TRUE(PumpUntil([&] { return client->State() == CSocket::kError; }));
    EXPECT_EQ(log.events, (std::vector<std::string>{"Error 11001 Host not found. [] 00"}));
}

TEST(Loopback, AUdpSendToANameGoesOutOnceTheLookupIsDone) {
    auto server = CSocket::Create();
    testing::EventLog serverLog;
    server->SetListener(&serverLog);
    server->SetProtocol(CSocket::kUdp);
    server->Bind(0, "127.0.0.1");
    std::string request;
    serverLog.onData = [&] { request = Text(*server); };

    auto client = CSocket::Create();
    testing::EventLog clientLog;
    client->SetListener(&clientLog);
    client->SetProtocol(CSocket::kUdp);
    client->SetRemoteHost("localhost");
    client->SetRemotePort(BoundPort(*server));
    client->SendData(Variant::String("\\basic\\"));
    ASSERT_TRUE(PumpUntil([&] { return !request.empty(); }));
    EXPECT_EQ(request, "\\basic\\");
    EXPECT_EQ(client->State(), CSocket::kHostResolved);
    EXPECT_EQ(client->RemoteHostIP(), "127.0.0.1");
}

}  // namespace
}  // namespace vantorel
