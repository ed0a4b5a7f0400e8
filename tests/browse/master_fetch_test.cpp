// Several masters asked at once through a fake transport and a fake clock: the sample
// master's conversations answer on the far side, and time moves only when the fetch asks.

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "browse/master_fetch.h"
#include "master_conversation.h"

namespace vantorel::browse {
namespace {

using namespace std::chrono_literals;
using Clock = MasterFetch::Clock;
using Kind = MasterFetch::Action::Kind;

const Clock::time_point kStart{};

std::uint32_t Network(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    const unsigned char bytes[4] = {static_cast<unsigned char>(a), static_cast<unsigned char>(b),
                                    static_cast<unsigned char>(c), static_cast<unsigned char>(d)};
    std::uint32_t address;
    std::memcpy(&address, bytes, 4);
    return address;
}

// The far side of the connections: what listens at each address and port.
class FarSide {
  public:
    enum class Behaviour { kLists, kRefuses, kSilent };
    struct Listener {
        Behaviour behaviour = Behaviour::kLists;
        sampleMaster::MasterConversation::Settings settings;
        std::vector<ServerAddress> servers;
    };

    void Listen(MasterFetch::Endpoint at, Listener listener) { listeners_[Key(at)] = std::move(listener); }

    // Carries out what the fetch asked, and what that leads to, until it asks nothing more.
    void Serve(MasterFetch& fetch, Clock::time_point now) {
        for (std::vector<MasterFetch::Action> actions; !(actions = fetch.TakeActions()).empty();) {
            for (const MasterFetch::Action& action : actions) {
                log.push_back(action);
                Carry(fetch, action, now);
            }
        }
    }

    std::vector<MasterFetch::Action> log;

  private:
    static std::uint64_t Key(MasterFetch::Endpoint at) { return std::uint64_t{at.address} << 16 | at.port; }

    void Carry(MasterFetch& fetch, const MasterFetch::Action& action, Clock::time_point now) {
        const std::size_t m = action.master;
        switch (action.kind) {
            case Kind::kConnect: {
                const auto found = listeners_.find(Key(action.to));
                if (found == listeners_.end() || found->second.behaviour == Behaviour::kRefuses) {
                    fetch.OnConnectFailed(m, "refused");
                    return;
                }
                fetch.OnConnected(m, now);
                if (found->second.behaviour == Behaviour::kLists) {
                    open_[m] = std::make_unique<sampleMaster::MasterConversation>(
                        found->second.settings, found->second.servers, Network(127, 0, 0, 1), 7);
                    const std::string greeting = open_[m]->Greeting();
                    if (!greeting.empty()) {
                        fetch.OnBytes(m, greeting, now);
                    }
                }
                return;
            }
            case Kind::kSend: {
                const auto found = open_.find(m);
                if (found == open_.end()) {
                    return;
                }
                const auto reply = found->second->OnBytes(action.bytes);
                fetch.OnBytes(m, reply.send, now);
                if (reply.close) {
                    open_.erase(m);
                    fetch.OnClosed(m);
                }
                return;
            }
            case Kind::kClose: open_.erase(m); return;
        }
    }

    std::map<std::uint64_t, Listener> listeners_;
    std::map<std::size_t, std::unique_ptr<sampleMaster::MasterConversation>> open_;
};

// Runs the fetch to its end on the fake clock; the names resolve at `lookedUpAt`, late or not.
void RunToEnd(MasterFetch& fetch, FarSide& far, const std::map<std::string, std::optional<std::uint32_t>>& names,
              Clock::time_point lookedUpAt) {
    Clock::time_point now = kStart;
    far.Serve(fetch, now);
    bool looked = false;
    for (int turn = 0; (!fetch.Done() || !looked) && turn < 100; ++turn) {
        const std::optional<Clock::time_point> wake = fetch.NextWake();
        if (!looked && (!wake || lookedUpAt <= *wake)) {
            now = std::max(now, lookedUpAt);
            for (const auto& [name, address] : names) {
                fetch.OnLookup(name, address, now);
            }
            looked = true;
        } else {
            now = wake.value();
            fetch.OnTime(now);
        }
        far.Serve(fetch, now);
    }
}

MasterAddress At(const std::string& host, std::uint16_t port, ListProtocol protocol = ListProtocol::kDetect) {
    return {host, port, protocol};
}

FarSide::Listener Lists(ListProtocol protocol, std::vector<ServerAddress> servers) {
    FarSide::Listener listener;
    listener.settings.protocol = protocol;
    listener.servers = std::move(servers);
    return listener;
}

std::vector<std::string> Addresses(const ListMerge& merge) {
    std::vector<std::string> texts;
    for (const ListMerge::Entry& entry : merge.Entries()) {
        std::string masters;
        for (const std::uint16_t m : entry.masters) {
            masters += " " + merge.Masters()[m];
        }
        texts.push_back(entry.address.Text() + masters);
    }
    return texts;
}

TEST(MasterFetch, AsksEveryMasterAtOnceAndNamesThoseThatFail) {
    const ServerAddress a{0x01020304, 23000}, b{0x05060708, 23000}, c{0x05060708, 23001};
    FarSide far;
    far.Listen({Network(10, 0, 0, 1), 28910}, Lists(ListProtocol::kNewer, {a, b}));
    far.Listen({Network(10, 0, 0, 2), 28900}, Lists(ListProtocol::kLegacy, {b, c}));
    far.Listen({Network(10, 0, 0, 2), 28910}, Lists(ListProtocol::kNewer, {c}));
    far.Listen({Network(10, 0, 0, 5), 28910}, {FarSide::Behaviour::kSilent, {}, {}});
    MasterSession::Settings settings;
    settings.timeout = 3s;
    MasterFetch fetch(
        {At("10.0.0.1", 28910), At("legacy.example", 28900), At("10.0.0.3", 28910), At("gone.example", 28910),
         At("10.0.0.5", 28910, ListProtocol::kNewer), At("legacy.example", 28910)},
        settings, kStart);
    // The dotted addresses are asked for at once; each name is looked up once.
    EXPECT_EQ(fetch.TakeLookups(), (std::vector<std::string>{"legacy.example", "gone.example"}));
    far.Serve(fetch, kStart);
    ASSERT_EQ(far.log.size(), 4u);  // three connects, and the request of the master named newer
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(far.log[i].kind, Kind::kConnect);
    }
    EXPECT_EQ(far.log[3].kind, Kind::kSend);
    EXPECT_EQ(far.log[3].master, 4u);
    EXPECT_EQ(fetch.TakeFinished(), std::vector<std::size_t>{2});  // refused, at once
    // The silent newer master bounds the run; the others wait for their greetings first, a
    // moment since their connections came at once.
    EXPECT_EQ(fetch.NextWake(), kStart + kShortestGreetingWait);

    RunToEnd(fetch, far, {{"legacy.example", Network(10, 0, 0, 2)}, {"gone.example", std::nullopt}}, kStart + 100ms);
    ASSERT_TRUE(fetch.Done());
    const ListMerge merge = fetch.Merged();
    EXPECT_EQ(Addresses(merge), (std::vector<std::string>{"1.2.3.4:23000 10.0.0.1:28910",
                                                          "5.6.7.8:23000 10.0.0.1:28910 legacy.example:28900",
                                                          "5.6.7.8:23001 legacy.example:28900 legacy.example:28910"}));
    std::vector<std::string> failures;
    for (const ListMerge::Failure& failure : merge.Failures()) {
        failures.push_back(failure.master + ": " + failure.fault.Reason());
    }
    EXPECT_EQ(failures, (std::vector<std::string>{"10.0.0.3:28910: refused", "gone.example:28910: host not found",
                                                  "10.0.0.5:28910: timed out"}));
    EXPECT_EQ(fetch.List(1).Servers().size(), 2u);
    // The silent master's connection is closed when its time is up, and only then.
    const MasterFetch::Action& last = far.log.back();
    EXPECT_EQ(last.kind, Kind::kClose);
    EXPECT_EQ(last.master, 4u);
}

TEST(MasterFetch, TheTimeoutCoversTheNameLookup) {
    struct Case {
        const char* what;
        Clock::time_point lookedUpAt;
        const char* reason;  // empty: the whole list
    };
    const Case cases[] = {
        {"resolved in time", kStart + 900ms, ""},
        {"resolved after the master's time", kStart + 1500ms, "timed out"},
    };
    for (const Case& c : cases) {
        FarSide far;
        far.Listen({Network(10, 0, 0, 9), 28900}, Lists(ListProtocol::kLegacy, {{0x01020304, 23000}}));
        MasterSession::Settings settings;
        settings.timeout = 1s;
        MasterFetch fetch({At("slow.example", 28900)}, settings, kStart);
        EXPECT_EQ(fetch.TakeLookups(), std::vector<std::string>{"slow.example"});
        RunToEnd(fetch, far, {{"slow.example", Network(10, 0, 0, 9)}}, c.lookedUpAt);
        ASSERT_TRUE(fetch.Done()) << c.what;
        const std::optional<MasterFault>& fault = fetch.List(0).Fault();
        EXPECT_EQ(fault ? fault->Reason() : "", c.reason) << c.what;
        // No connection is begun for a master whose time is up.
        EXPECT_EQ(far.log.empty(), *c.reason != '\0') << c.what;
    }
}

TEST(MasterFetch, AShortTimeoutLeavesANewerMasterTimeToAnswer) {
    FarSide far;
    far.Listen({Network(10, 0, 0, 1), 28910}, Lists(ListProtocol::kNewer, {{0x01020304, 23000}}));
    MasterSession::Settings settings;
    settings.timeout = 300ms;  // less than the usual wait for a greeting
    MasterFetch fetch({At("10.0.0.1", 28910)}, settings, kStart);
    RunToEnd(fetch, far, {}, kStart);
    ASSERT_TRUE(fetch.Done());
    EXPECT_TRUE(fetch.List(0).Complete());
    EXPECT_EQ(far.log[1].kind, Kind::kSend);
}

TEST(MasterFetch, NoLookupAtAllFailsTheNamedMastersOnly) {
    FarSide far;
    far.Listen({Network(10, 0, 0, 1), 28900}, Lists(ListProtocol::kLegacy, {{0x01020304, 23000}}));
    MasterFetch fetch({At("a.example", 28910), At("10.0.0.1", 28900)}, {}, kStart);
    fetch.FailLookups("no thread to look the host name up");
    RunToEnd(fetch, far, {}, kStart + 1h);
    ASSERT_TRUE(fetch.Done());
    EXPECT_EQ(fetch.List(0).Fault()->Reason(), "no thread to look the host name up");
    EXPECT_TRUE(fetch.List(1).Complete());
}

}  // namespace
}  // namespace vantorel::browse
