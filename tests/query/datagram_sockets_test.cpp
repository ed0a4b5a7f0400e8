// The system's datagram sockets that the engine's driver uses, over loopback.

#include "platform/datagram_sockets.h"

#include <gtest/gtest.h>

#include "fakes/udp_peer.h"
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
