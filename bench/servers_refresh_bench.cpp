// A refresh of the Servers window over loopback: 2,000 sample servers, from the kept list or
// from a sample master that lists them, asked through the many-server engine on the
// program's own event loop, until every one has answered and its row is in the list. Besides
// the time of the whole refresh it counts the longest turn of the loop, the most that any one
// handler kept the window from the user.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "browse/engine_server_source.h"
#include "browse/frm_servers.h"
#include "browse/kept_list.h"
#include "browse/loop_master_lister.h"
#include "fakes/fake_servers_window.h"
#include "fakes/fake_services.h"
#include "platform/platform.h"
#include "sample_master.h"
#include "sample_responder.h"

namespace vantorel::browse {
namespace {

constexpr int kServers = 2000;
// A range of ports for the sample servers; the benchmark says so when one of them is taken.
constexpr int kFirstPort = 41000;
constexpr const char* kKept = "C:\\Game\\VantorelServers.txt";
constexpr const char* kMasters = "C:\\Vantorel\\Vantorel.ini";

// state.range(0): 0 asks the kept list's servers, 1 a sample master's list.
void RefreshOf2000SampleServers(benchmark::State& state) {
    const bool throughMaster = state.range(0) == 1;
    platform::EventLoop& loop = *platform::Current().events;
    SampleResponder::Settings settings;
    settings.firstPort = kFirstPort;
    settings.lastPort = kFirstPort + kServers - 1;
    SampleResponder responder(settings);
    std::string error;
    if (!responder.Open(&error)) {
        state.SkipWithError(("the sample servers' ports: " + error).c_str());
        return;
    }
    std::vector<KeptServer> kept;
    sampleMaster::SampleMaster::Settings listing;
    listing.port = 0;
    for (int i = 0; i < kServers; ++i) {
        kept.push_back({{"127.0.0.1", static_cast<std::uint16_t>(kFirstPort + i)}, {}});
        listing.servers.push_back({0x7F000001, static_cast<std::uint16_t>(kFirstPort + i)});
    }
    sampleMaster::SampleMaster master(listing);
    if (!master.Open(&error)) {
        state.SkipWithError(("the sample master's port: " + error).c_str());
        return;
    }
    double longest = 0;
    for (auto _ : state) {
        state.PauseTiming();
        testing::FakePlatform platform;  // the files and the clock's texts; the loop is the real one
        // Without the master, the kept list, and a master on this host that refuses: as when
        // the masters are down.
        const int masterPort = throughMaster ? master.BoundPort() : 1;
        platform.files.files[kMasters] = "[Masters]\r\n127.0.0.1:" + std::to_string(masterPort) + "\r\n";
        if (!throughMaster) {
            platform.files.files[kKept] = KeptListText("15.08.2004  18:02:11", kept);
        }
        testing::FakeServersView view;
        testing::FakeServersLink link;
        LoopMasterLister lister(loop);
        EngineServerSource source(loop, &lister);
        frmServers::Options options;
        options.keptListPath = kKept;
        options.mastersPath = kMasters;
        options.mostAtOnce = 256;
        frmServers window(view, link, source, options);
        state.ResumeTiming();
        window.Form_Load();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (window.List().Answered() < static_cast<std::size_t>(kServers) &&
               std::chrono::steady_clock::now() < deadline) {
            // Each turn looks without waiting, so that its time is the handlers' alone.
            const auto start = std::chrono::steady_clock::now();
            loop.RunOnce(0);
            longest = std::max(
                longest, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        if (window.List().Answered() < static_cast<std::size_t>(kServers)) {
            state.SkipWithError(("only " + std::to_string(window.List().Answered()) + " answered").c_str());
            return;
        }
    }
    state.counters["longest_turn_ms"] = longest;
}
BENCHMARK(RefreshOf2000SampleServers)
    ->ArgName("through_master")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace
}  // namespace vantorel::browse
