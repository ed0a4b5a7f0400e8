#include "browse/fetch_masters.h"

#include <algorithm>
#include <chrono>
#include <map>

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
    // Connections by master and back: the transport names its own.
    std::map<platform::StreamSockets::Connection, std::size_t> masterOf;
    std::vector<platform::StreamSockets::Connection> connectionOf(fetch.Count(), 0);
    const auto forget = [&](platform::StreamSockets::Connection connection) {
        const auto found = masterOf.find(connection);
        const std::size_t master = found->second;
        masterOf.erase(found);
        return master;
    };
    const platform::StreamSockets::Handlers handlers{
        [&](platform::StreamSockets::Connection c) { fetch.OnConnected(masterOf.at(c), platform::Now()); },
        [&](platform::StreamSockets::Connection c, const std::string& reason) {
            fetch.OnConnectFailed(forget(c), reason);
        },
        [&](platform::StreamSockets::Connection c, std::string_view bytes) {
            fetch.OnBytes(masterOf.at(c), bytes, platform::Now());
        },
        [&](platform::StreamSockets::Connection c) { fetch.OnClosed(forget(c)); },
    };
    const auto act = [&] {
        for (MasterFetch::Action& action : fetch.TakeActions()) {
            switch (action.kind) {
                case MasterFetch::Action::Kind::kConnect: {
                    const platform::StreamSockets::Connection c = sockets.Connect(action.to);
                    masterOf[c] = action.master;
                    connectionOf[action.master] = c;
                    break;
                }
                case MasterFetch::Action::Kind::kSend: sockets.Send(connectionOf[action.master], action.bytes); break;
                case MasterFetch::Action::Kind::kClose:
                    sockets.Close(connectionOf[action.master]);
                    masterOf.erase(connectionOf[action.master]);
                    break;
            }
        }
    };
    while (!fetch.Done()) {
        const MasterFetch::Clock::time_point now = platform::Now();
        for (const auto& [name, address] : lookups.TakeDone()) {
            fetch.OnLookup(name, address, now);
        }
        fetch.OnTime(now);
        act();
        if (fetch.Done()) {
            break;
        }
        // The actions a report leads to go out before the next wait.
        sockets.Wait(WaitMs(fetch.NextWake(), now), handlers);
        act();
    }
    return fetch.Merged();
}

}  // namespace vantorel::browse
