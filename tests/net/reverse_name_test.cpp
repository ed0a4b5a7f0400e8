// Reverse names of senders: looked up without waiting, bounded in number, cached for a
// while, and shown only while they still name the last sender.

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "fakes/fake_sockets.h"
#include "net/csocket.h"
#include "net/reverse_name_cache.h"
#include "net/socket_support.h"
#include "platform/quiet_event_loop.h"
#include "platform/winsock_numbers.h"

namespace vantorel {
namespace {

namespace support = MSocketSupport;

class ReverseNameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        socket = CSocket::Create();
        socket->SetProtocol(CSocket::kUdp);
        socket->SetRemoteHost("10.0.0.1");
    }
    void DatagramFrom(std::uint32_t address) {
        platform::SockaddrIn from;
        from.address = address;
        fakes.sockets.incoming[socket->SocketHandle()].push_back({{'x'}, from});
        fakes.windows.Send(support::NotifyWindow(), support::WinsockMessage(),
                           static_cast<std::uintptr_t>(socket->SocketHandle()), winsock::kFdRead);
    }
    // The reverse lookups started so far, request -> address.
    std::map<std::int32_t, std::uint32_t> ReverseLookups() const {
        std::map<std::int32_t, std::uint32_t> found;
        for (const auto& [request, lookup] : fakes.sockets.lookups) {
            if (lookup.address) {
                found[request] = *lookup.address;
            }
        }
        return found;
    }
    void Answer(std::int32_t request, const std::string& name) {
        std::int32_t error = 0;
        if (name.empty()) {
            error = 11001;
        } else {
            fakes.sockets.FillLookup(request, name, *fakes.sockets.lookups.at(request).address);
        }
        fakes.windows.Send(support::NotifyWindow(), support::ResolveMessage(), static_cast<std::uintptr_t>(request),
                           error << 16);
    }

    testing::FakeSocketPlatform fakes;
    std::shared_ptr<CSocket> socket;
};

// The one thread's loop on a clock of the test's: each step runs the window messages that
// wait, then the timers that are due, as a message loop does.
class SteppedLoop : public platform::QuietEventLoop {
  public:
    explicit SteppedLoop(testing::FakeWindowSystem& windows) : windows_(windows) {}
    platform::TimerId SetTimer(unsigned intervalMs, std::function<void()> tick) override {
        interval_ = static_cast<int>(intervalMs);
        due_ = now_ + interval_;
        tick_ = std::move(tick);
        return 1;
    }
    void StepTo(int ms) {
        now_ = ms;
        windows_.DeliverPosted();
        while (tick_ && due_ <= now_) {
            due_ += interval_;
            tick_();
        }
    }

  private:
    testing::FakeWindowSystem& windows_;
    std::function<void()> tick_;
    int interval_ = 0;
    int due_ = 0;
    int now_ = 0;
};

TEST_F(ReverseNameTest, ANameReplacesTheAddressOnlyWhileItsSenderIsTheLastOne) {
    const std::uint32_t two = testing::Dotted("10.0.0.2");
    const std::uint32_t three = testing::Dotted("10.0.0.3");
    DatagramFrom(two);
    EXPECT_EQ(socket->RemoteHost(), "10.0.0.2");
    DatagramFrom(three);
    EXPECT_EQ(socket->RemoteHost(), "10.0.0.3");
    const auto lookups = ReverseLookups();
    ASSERT_EQ(lookups.size(), 2u);
    Answer(lookups.begin()->first, "two.example");
    EXPECT_EQ(socket->RemoteHost(), "10.0.0.3");
    Answer(lookups.rbegin()->first, "three.example");
    EXPECT_EQ(socket->RemoteHost(), "three.example");
    EXPECT_EQ(socket->RemoteHostIP(), "10.0.0.3");

    DatagramFrom(two);  // known by now: no new lookup, no waiting
    EXPECT_EQ(socket->RemoteHost(), "two.example");
    EXPECT_EQ(ReverseLookups().size(), 2u);
    EXPECT_EQ(fakes.memory.live, 0);
}

TEST_F(ReverseNameTest, ANameThatArrivesAfterTheApplicationSetTheHostIsNotShown) {
    DatagramFrom(testing::Dotted("10.0.0.2"));
    socket->SetRemoteHost("server.example");
    Answer(ReverseLookups().begin()->first, "two.example");
    EXPECT_EQ(socket->RemoteHost(), "server.example");
}

// Ten thousand senders, one datagram each a millisecond apart on a fake clock, and a
// resolver that takes a second for every answer: the one-second timer still ticks every
// second, at most a few lookups are ever in flight, and the last sender's name arrives.
TEST_F(ReverseNameTest, AFloodOfSendersNeverHoldsUpTheTimer) {
    constexpr int kSenders = 10000;
    std::map<std::int32_t, int> answerDue;  // request -> fake millisecond
    std::vector<int> ticks;
    int now = 0;
    SteppedLoop loop(fakes.windows);
    loop.SetTimer(1000, [&] { ticks.push_back(now); });
    std::size_t mostInFlight = 0;
    std::uint32_t last = 0;
    for (now = 1; now <= kSenders + 2000; ++now) {
        if (now <= kSenders) {
            // 10.1.x.y, in network order
            last =
                0x010Au | (static_cast<std::uint32_t>(now >> 8) << 16) | (static_cast<std::uint32_t>(now & 0xFF) << 24);
            DatagramFrom(last);
        }
        for (const auto& [request, address] : ReverseLookups()) {
            answerDue.try_emplace(request, now + 1000);
        }
        for (auto due = answerDue.begin(); due != answerDue.end(); ++due) {
            if (due->second == now) {
                Answer(due->first, "host" + std::to_string(due->first) + ".example");
            }
        }
        mostInFlight = std::max(mostInFlight, support::PendingReverseLookups());
        loop.StepTo(now);
    }
    std::vector<int> everySecond;
    for (int second = 1000; second <= kSenders + 2000; second += 1000) {
        everySecond.push_back(second);
    }
    EXPECT_EQ(ticks, everySecond);
    EXPECT_LE(mostInFlight, 4u);
    EXPECT_LE(ReverseLookups().size(), 4u * (kSenders / 1000 + 2));  // one per second per slot
    EXPECT_EQ(support::PendingReverseLookups(), 0u);
    EXPECT_EQ(fakes.memory.live, 0);
    EXPECT_NE(socket->RemoteHost(), socket->RemoteHostIP());  // the last sender got its name
    EXPECT_EQ(socket->RemoteHostIP(), fakes.sockets.InetNtoa(last));
}

TEST_F(ReverseNameTest, OneLookupPerAddressAtATime) {
    const std::uint32_t two = testing::Dotted("10.0.0.2");
    DatagramFrom(two);
    DatagramFrom(two);
    DatagramFrom(two);
    EXPECT_EQ(ReverseLookups().size(), 1u);
    Answer(ReverseLookups().begin()->first, "");  // no name: the address stays, and is remembered
    DatagramFrom(two);
    EXPECT_EQ(socket->RemoteHost(), "10.0.0.2");
    EXPECT_EQ(ReverseLookups().size(), 1u);
}

TEST(ReverseNameCacheTest, KeepsTheNewestEntriesForALimitedTime) {
    using namespace std::chrono_literals;
    ReverseNameCache cache(2, 60s);
    const ReverseNameCache::Clock::time_point start{};
    cache.Store(1, "one", start);
    cache.Store(2, "two", start + 1s);
    cache.Store(3, "three", start + 2s);  // pushes out the oldest
    EXPECT_EQ(cache.Size(), 2u);
    EXPECT_EQ(cache.Find(1, start + 2s), nullptr);
    ASSERT_NE(cache.Find(3, start + 2s), nullptr);
    EXPECT_EQ(*cache.Find(3, start + 2s), "three");
    EXPECT_NE(cache.Find(2, start + 60s), nullptr);
    EXPECT_EQ(cache.Find(2, start + 61s), nullptr);  // aged: a changed name is seen again
    EXPECT_EQ(cache.Size(), 1u);
}

}  // namespace
}  // namespace vantorel
