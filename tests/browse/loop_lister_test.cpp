// The window's lister against sample masters on the same event loop: the masters' lists
// and failures come from the loop alone, one report per master, none inside List and none
// after a cancel.

#include <gtest/gtest.h>

#include <chrono>
#include <map>

#include "address_list.h"
#include "browse/loop_master_lister.h"
#include "platform/event_loop.h"
#include "platform/platform.h"
#include "sample_master.h"

namespace vantorel::sampleMaster {
namespace {

using namespace std::chrono_literals;
using browse::ListProtocol;
using browse::MasterAddress;

std::optional<std::uint32_t> NoName(const std::string&) {
    return std::nullopt;
}

struct Reports {
    std::map<std::size_t, browse::MasterList> lists;
    int count = 0;
};

browse::LoopMasterLister::Done Collect(Reports& reports) {
    return [&reports](std::size_t master, browse::MasterList list) {
        ++reports.count;
        reports.lists[master] = std::move(list);
    };
}

// Runs the loop until `count` reports have come, at most ten seconds.
void RunUntil(const Reports& reports, int count) {
    const auto limit = std::chrono::steady_clock::now() + 10s;
    while (reports.count < count && std::chrono::steady_clock::now() < limit) {
        platform::Current().events->RunOnce(50);
    }
}

std::unique_ptr<SampleMaster> OpenMaster(ListProtocol protocol, const std::vector<browse::ServerAddress>& servers) {
    SampleMaster::Settings settings;
    settings.port = 0;
    settings.servers = servers;
    settings.conversation.protocol = protocol;
    settings.conversation.enctype = protocol == ListProtocol::kLegacy ? 2 : 0;
    auto master = std::make_unique<SampleMaster>(settings);
    std::string why;
    EXPECT_TRUE(master->Open(&why)) << why;
    return master;
}

int RefusingPort() {
    SampleMaster::Settings settings;
    settings.port = 0;
    SampleMaster closed(settings);
    std::string why;
    return closed.Open(&why) ? closed.BoundPort() : 0;
}

TEST(LoopMasterLister, EveryMasterAtOnceEachWithItsOutcome) {
    std::vector<browse::ServerAddress> servers;
    std::string why;
    ASSERT_TRUE(AddServers("127.0.0.1:23000-23299", servers, &why));
    const auto newer = OpenMaster(ListProtocol::kNewer, servers);
    const auto legacy = OpenMaster(ListProtocol::kLegacy, {servers.begin(), servers.begin() + 7});
    const std::vector<MasterAddress> masters{
        {"127.0.0.1", static_cast<std::uint16_t>(newer->BoundPort()), ListProtocol::kDetect},
        {"127.0.0.1", static_cast<std::uint16_t>(legacy->BoundPort()), ListProtocol::kDetect},
        {"127.0.0.1", static_cast<std::uint16_t>(RefusingPort()), ListProtocol::kDetect},
        {"no-such-master.invalid", 28910, ListProtocol::kDetect},
    };
    browse::LoopMasterLister::Options options;
    options.resolve = NoName;
    options.settings.greetingWait = 100ms;
    browse::LoopMasterLister lister(*platform::Current().events, options);
    Reports reports;
    lister.List(masters, Collect(reports));
    EXPECT_EQ(reports.count, 0) << "a report inside List";
    RunUntil(reports, 4);
    ASSERT_EQ(reports.count, 4);
    EXPECT_TRUE(reports.lists[0].Complete());
    ASSERT_EQ(reports.lists[0].Servers().size(), servers.size());
    EXPECT_EQ(reports.lists[0].Servers()[299].address.Text(), "127.0.0.1:23299");
    EXPECT_TRUE(reports.lists[1].Complete());
    EXPECT_EQ(reports.lists[1].Servers().size(), 7u);
    const struct {
        std::size_t master;
        browse::MasterFault::Kind kind;
    } failures[] = {{2, browse::MasterFault::Kind::kUnreachable}, {3, browse::MasterFault::Kind::kUnreachable}};
    for (const auto& failure : failures) {
        const browse::MasterList& list = reports.lists[failure.master];
        ASSERT_TRUE(list.Fault().has_value()) << failure.master;
        EXPECT_EQ(list.Fault()->kind, failure.kind) << list.Fault()->Reason();
        EXPECT_TRUE(list.Servers().empty());
    }
    EXPECT_NE(reports.lists[2].Fault()->Reason().find("refused"), std::string::npos)
        << reports.lists[2].Fault()->Reason();

    // Asked again, the same lister lists again.
    Reports again;
    lister.List({masters[0]}, Collect(again));
    RunUntil(again, 1);
    ASSERT_EQ(again.count, 1);
    EXPECT_EQ(again.lists[0].Servers().size(), servers.size());
}

// A cancel drops the lists under way, whether it comes from outside or from a report; a
// list asked for afterwards is not disturbed by what the cancelled one left behind.
TEST(LoopMasterLister, NothingComesAfterACancel) {
    std::vector<browse::ServerAddress> servers;
    std::string why;
    ASSERT_TRUE(AddServers("127.0.0.1:23000-23009", servers, &why));
    const auto master = OpenMaster(ListProtocol::kNewer, servers);
    const MasterAddress address{"127.0.0.1", static_cast<std::uint16_t>(master->BoundPort()), ListProtocol::kNewer};
    browse::LoopMasterLister lister(*platform::Current().events);

    Reports cancelled;
    lister.List({address, address}, Collect(cancelled));
    lister.Cancel();
    Reports fresh;
    lister.List({address}, Collect(fresh));
    RunUntil(fresh, 1);
    EXPECT_EQ(fresh.count, 1);
    EXPECT_EQ(fresh.lists[0].Servers().size(), servers.size());

    // Two masters, and the first report cancels the rest.
    int reportsSeen = 0;
    lister.List({address, address}, [&](std::size_t, browse::MasterList) {
        ++reportsSeen;
        lister.Cancel();
    });
    const auto limit = std::chrono::steady_clock::now() + 1s;
    while (std::chrono::steady_clock::now() < limit) {
        platform::Current().events->RunOnce(50);
    }
    EXPECT_EQ(reportsSeen, 1);
    EXPECT_EQ(cancelled.count, 0);
}

}  // namespace
}  // namespace vantorel::sampleMaster
