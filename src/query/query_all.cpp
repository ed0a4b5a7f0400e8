#include "query/query_all.h"

#include <algorithm>
#include <chrono>

#include "platform/clock.h"
#include "query/host_lookups.h"

namespace vantorel {
namespace {

// A socket's receive buffer holds a few hundred replies; more sockets give the bursts of a
// long list more room. The handles are few either way, so any file limit leaves enough.
constexpr int kServersPerSocket = 256;
constexpr int kMostSockets = 8;
constexpr int kSpareHandles = 8;  // for the lookups and whatever the C library opens

int WaitMs(std::optional<QueryEngine::Clock::time_point> next, QueryEngine::Clock::time_point now) {
    if (!next) {
        return -1;
    }
    // Rounded up, so that the loop does not wake a moment early and go round idle.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - now).count();
    return static_cast<int>(std::clamp<long long>(wait, 0, 600000));
}

void Send(QueryEngine& engine, platform::DatagramSockets& sockets) {
    for (const QueryEngine::Outgoing& out : engine.TakeOutgoing()) {
        const int socket = static_cast<int>(out.server % static_cast<std::size_t>(sockets.Count()));
        if (!sockets.Send(socket, out.to, out.bytes) && out.first) {
            engine.OnSendRefused(out.server);
        }
    }
    for (const platform::Endpoint& gone : engine.TakeReleased()) {
        sockets.Release(gone);
    }
}

}  // namespace

std::vector<QueryResult> QueryAll(std::vector<QueryTarget> targets, const QueryEngine::Options& options,
                                  std::string* error) {
    const int wanted =
        std::clamp((std::min<int>(options.maxSimultaneous, static_cast<int>(targets.size())) + kServersPerSocket - 1) /
                       kServersPerSocket,
                   1, kMostSockets);
    const int allowed = std::max(1, std::min(wanted, platform::SocketsAvailable() - kSpareHandles));
    const std::unique_ptr<platform::DatagramSockets> sockets = platform::OpenDatagramSockets(allowed, error);
    if (!sockets) {
        return {};
    }
    return QueryAll(std::move(targets), options, *sockets);
}

std::vector<QueryResult> QueryAll(std::vector<QueryTarget> targets, const QueryEngine::Options& options,
                                  platform::DatagramSockets& sockets) {
    QueryEngine::Options run = options;
    run.maxSimultaneous = std::min(options.maxSimultaneous, sockets.MostInFlight());
    QueryEngine engine(std::move(targets), run, platform::Now());
    HostLookups lookups([&sockets] { sockets.Wake(); }, platform::LookUpHost);
    if (!lookups.Start(engine.TakeLookups())) {
        engine.FailLookups("No thread to look the host name up.");
    }
    const platform::DatagramSockets::Handlers handlers{[&](platform::Endpoint from, std::string_view bytes) {
                                                           // A query sent to one of our own ports (a range over this
                                                           // host) arrives at that socket, from it: our own request is
                                                           // no server's reply.
                                                           if (!sockets.IsOwn(from)) {
                                                               engine.OnDatagram(from, bytes, platform::Now());
                                                           }
                                                       },
                                                       [&](platform::Endpoint to) { engine.OnUnreachable(to); }};
    while (!engine.Done()) {
        QueryEngine::Clock::time_point now = platform::Now();
        for (const auto& [name, address] : lookups.TakeDone()) {
            engine.OnLookup(name, address, now);
        }
        engine.OnTime(now);
        Send(engine, sockets);
        if (engine.Done()) {
            break;
        }
        sockets.Wait(WaitMs(engine.NextWake(), now), handlers);
    }
    return engine.TakeResults();
}

}  // namespace vantorel
