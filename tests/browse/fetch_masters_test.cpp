// The blocking fetch over real loopback TCP against sample masters of every framing, all
// asked at once. The masters run on a thread of their own with the event loop, since the
// fetch holds the test's thread until every list has ended.

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <map>
#include <thread>

#include "address_list.h"
#include "browse/fetch_masters.h"
#include "platform/event_loop.h"
#include "platform/platform.h"
#include "sample_master.h"

namespace vantorel::sampleMaster {
namespace {

using namespace std::chrono_literals;
using browse::ListProtocol;

// Opens one sample master per settings on the thread, and one more that is closed again at
// once, for a port that refuses; runs them until destroyed.
class MastersThread {
  public:
    explicit MastersThread(std::vector<SampleMaster::Settings> all) {
        std::promise<std::vector<int>> bound;
        std::future<std::vector<int>> ports = bound.get_future();
        thread_ = std::thread([this, all = std::move(all), bound = std::move(bound)]() mutable {
            std::vector<std::unique_ptr<SampleMaster>> masters;
            std::vector<int> ports;
            std::string why;
            for (const SampleMaster::Settings& settings : all) {
                masters.push_back(std::make_unique<SampleMaster>(settings));
                ports.push_back(masters.back()->Open(&why) ? masters.back()->BoundPort() : 0);
            }
            SampleMaster::Settings closing;
            closing.port = 0;
            auto refusing = std::make_unique<SampleMaster>(closing);
            ports.push_back(refusing->Open(&why) ? refusing->BoundPort() : 0);
            refusing.reset();
            bound.set_value(ports);
            while (!stop_) {
                platform::Current().events->RunOnce(20);
            }
        });
        ports_ = ports.get();
    }
    ~MastersThread() {
        stop_ = true;
        thread_.join();
    }
    const std::vector<int>& Ports() const { return ports_; }

  private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::vector<int> ports_;
};

TEST(FetchMastersLoopback, EveryFramingAtOnceEachWithItsOutcome) {
    struct Case {
        const char* what;
        ListProtocol protocol;
        std::optional<int> serves;  // the one encoding a legacy master serves, or either
        bool keepOpen;
        int asked;           // the encoding the client asks a legacy master for
        const char* reason;  // empty: the whole list
    };
    const Case cases[] = {
        {"newer", ListProtocol::kNewer, std::nullopt, false, 2, ""},
        {"newer, kept open", ListProtocol::kNewer, std::nullopt, true, 2, ""},
        {"legacy, enctype 2, kept open", ListProtocol::kLegacy, std::nullopt, true, 2, ""},
        {"legacy, enctype 0 only", ListProtocol::kLegacy, 0, false, 2, "its error: Unsupported enctype"},
        {"legacy, enctype 0", ListProtocol::kLegacy, 0, false, 0, ""},
    };
    std::vector<browse::ServerAddress> servers;
    std::string why;
    ASSERT_TRUE(AddServers("127.0.0.1:23000-23099", servers, &why));
    std::vector<SampleMaster::Settings> all;
    for (const Case& c : cases) {
        SampleMaster::Settings settings;
        settings.port = 0;
        settings.servers = servers;
        settings.conversation.protocol = c.protocol;
        settings.conversation.enctype = c.serves;
        settings.conversation.keepOpen = c.keepOpen;
        all.push_back(settings);
    }
    MastersThread thread(all);
    const auto master = [&](std::size_t i) {
        return browse::MasterAddress{"127.0.0.1", static_cast<std::uint16_t>(thread.Ports()[i]), ListProtocol::kDetect};
    };
    for (const int asked : {2, 0}) {
        std::vector<browse::MasterAddress> masters;
        std::vector<const Case*> asking;
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            if (cases[i].asked == asked) {
                masters.push_back(master(i));
                asking.push_back(&cases[i]);
            }
        }
        masters.push_back(master(std::size(cases)));  // closed again: it refuses
        browse::MasterSession::Settings settings;
        settings.enctype = asked;
        settings.greetingWait = 200ms;  // loopback: a greeting comes at once or not at all
        settings.timeout = 10s;
        const std::optional<browse::ListMerge> merge = browse::FetchMasters(masters, settings, &why);
        ASSERT_TRUE(merge) << why;
        std::map<std::string, std::string> reasons;
        for (const browse::ListMerge::Failure& failure : merge->Failures()) {
            reasons[failure.master] = failure.fault.Reason();
        }
        EXPECT_EQ(reasons[masters.back().Text()], "refused");
        std::vector<std::uint16_t> whole;
        for (std::size_t i = 0; i < asking.size(); ++i) {
            EXPECT_EQ(reasons[masters[i].Text()], asking[i]->reason) << asking[i]->what;
            if (*asking[i]->reason == '\0') {
                whole.push_back(static_cast<std::uint16_t>(i));
            }
        }
        ASSERT_EQ(merge->Entries().size(), servers.size()) << asked;
        EXPECT_EQ(merge->Entries()[42].address, servers[42]);
        EXPECT_EQ(merge->Entries()[42].masters, whole);
    }
}

}  // namespace
}  // namespace vantorel::sampleMaster
