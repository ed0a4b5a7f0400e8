#include "browse/fetch_masters.h"

#include <algorithm>
#include <chrono>

#include "browse/master_connections.h"
#include "browse/master_fetch.h"
#include "platform/clock.h"
#include "query/host_lookups.h"

namespace vantorel::browse {
namespace {

int WaitMs(std::optional<MasterFetch::Clock::time_point> next, MasterFetch::Clock::time_point now) {
    if (!next) {
        return -1;
    }
    // Rounded up, so that the loop does not wake a moment early and go round idle.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - now).count();
    return static_cast<int>(std::clamp<long long>(wait, 0, 600000));
}

}  // namespace

std::optional<ListMerge> FetchMasters(std::vector<MasterAddress> masters, const MasterSession::Settings& settings,
                                      std::string* error) {
    const std::unique_ptr<platform::StreamSockets> sockets = platform::OpenStreamSockets(error);
    if (!sockets) {
        return std::nullopt;
    }
    return FetchMasters(std::move(masters), settings, *sockets);
}

ListMerge FetchMasters(std::vector<MasterAddress> masters, const MasterSession::Settings& settings,
                       platform::StreamSockets& sockets) {
    MasterFetch fetch(std::move(masters), settings, platform::Now());
    HostLookups lookups([&sockets] { sockets.Wake(); }, platform::LookUpHost);
    if (!lookups.Start(fetch.TakeLookups())) {
        fetch.FailLookups("no thread to look the host name up");
    }
    MasterConnections connections(fetch, sockets);
    while (!fetch.Done()) {
        const MasterFetch::Clock::time_point now = platform::Now();
        for (const auto& [name, address] : lookups.TakeDone()) {
            fetch.OnLookup(name, address, now);
        }
        fetch.OnTime(now);
        connections.Act();
        if (fetch.Done()) {
            break;
        }
        // The actions a report leads to go out before the next wait.
        sockets.Wait(WaitMs(fetch.NextWake(), now), connections.Handlers());
        connections.Act();
    }
    return fetch.Merged();
}

}  // namespace vantorel::browse
