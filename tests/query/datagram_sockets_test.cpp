// The system's datagram sockets that the engine's driver uses, over loopback.

#include "platform/datagram_sockets.h"

#include <gtest/gtest.h>

#include <thread>

#include "fakes/pump.h"
#include "fakes/udp_peer.h"
#include "platform/platform.h"
#include "query/query_target.h"

namespace vantorel {
namespace {

using platform::Endpoint;

Endpoint Loopback(int port, const char* address = "127.0.0.1") {
    return {*DottedAddress(address), static_cast<std::uint16_t>(port)};
}

// A query sent to one of our own ports (a range over this host) arrives at that socket, from
// itself: it is no server's answer.
TEST(DatagramSocketsTest, OwnSocketsAreNeverTakenForServers) {
    std::string error;
    const auto sockets = platform::OpenDatagramSockets(1, &error);
    ASSERT_NE(sockets, nullptr) << error;
    testing::UdpPeer peer;
    const Endpoint to = Loopback(peer.Port());
    ASSERT_TRUE(sockets->Send(0, to, "hello"));
    const auto hello = peer.Receive(5000);
    ASSERT_TRUE(hello);
    EXPECT_TRUE(sockets->IsOwn(Loopback(hello->fromPort)));
    EXPECT_TRUE(sockets->IsOwn(Loopback(hello->fromPort, "127.0.0.2")));
    EXPECT_FALSE(sockets->IsOwn(to));
    EXPECT_FALSE(sockets->IsOwn(Loopback(hello->fromPort, "192.0.2.1")));  // no address of this host
}

// A window's loop learns of a reply, and of a wake from another thread, from its watch of
// the sockets alone; what a Wait(0) then hands over is the reply.
TEST(DatagramSocketsTest, TheLoopIsToldWhenSomethingArrives) {
    std::string error;
    const auto sockets = platform::OpenDatagramSockets(2, &error);
    ASSERT_NE(sockets, nullptr) << error;
    int ready = 0;
    ASSERT_TRUE(sockets->WatchOn(*platform::Current().events, [&] { ++ready; }));
    testing::UdpPeer server;
    ASSERT_TRUE(sockets->Send(1, Loopback(server.Port()), "\\basic\\"));
    const auto request = server.Receive(5000);
    ASSERT_TRUE(request);
    ASSERT_TRUE(server.SendTo("127.0.0.1", request->fromPort, "\\hostname\\Alpha"));
    ASSERT_TRUE(testing::PumpUntil([&] { return ready > 0; }));
    std::vector<std::string> got;
    const platform::DatagramSockets::Handlers keep{[&](Endpoint, std::string_view bytes) { got.emplace_back(bytes); },
                                                   [](Endpoint) {}};
    sockets->Wait(0, keep);
    EXPECT_EQ(got, (std::vector<std::string>{"\\hostname\\Alpha"}));

    const int before = ready;
    std::thread waker([&] { sockets->Wake(); });
    waker.join();
    EXPECT_TRUE(testing::PumpUntil([&] { return ready > before; }));
    sockets->Wait(0, keep);
}

#ifndef _WIN32
// A sender that never stops must not keep the engine's timers from running: one wait hands
// over a bounded number of datagrams, and the rest wait for the next.
TEST(DatagramSocketsTest, OneWaitReadsABoundedRunOfDatagrams) {
    std::string error;
    const auto sockets = platform::OpenDatagramSockets(1, &error);
    ASSERT_NE(sockets, nullptr) << error;
    testing::UdpPeer flooder;
    ASSERT_TRUE(sockets->Send(0, Loopback(flooder.Port()), "hello"));
    const auto hello = flooder.Receive(5000);
    ASSERT_TRUE(hello);
    const int queued = platform::DatagramSockets::kMostDatagramsPerWait + 36;
    for (int i = 0; i < queued; ++i) {
        ASSERT_TRUE(flooder.SendTo("127.0.0.1", hello->fromPort, "junk"));
    }
    int delivered = 0;
    const platform::DatagramSockets::Handlers count{[&](Endpoint, std::string_view) { ++delivered; }, [](Endpoint) {}};
    sockets->Wait(1000, count);
    EXPECT_EQ(delivered, platform::DatagramSockets::kMostDatagramsPerWait);
    sockets->Wait(1000, count);
    EXPECT_EQ(delivered, queued);
}
#endif

}  // namespace
}  // namespace vantorel
