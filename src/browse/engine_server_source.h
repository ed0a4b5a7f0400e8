#pragma once
// The network behind the Servers window: the masters through a MasterLister, and the
// servers through the many-server engine on the window's own event loop. Nothing here
// waits: the loop wakes the source when its sockets have something to read, and a single
// one-shot timer brings it back when the engine has something due (a further request, a
// timeout), so an idle window costs nothing.
//
// The servers asked are run in batches, each batch an engine of its own, so that servers
// queued while others are being asked start as soon as there is room for them. At most the
// window's `mostAtOnce` servers wait for their answers at any time, all batches together.

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "browse/master_lister.h"
#include "browse/server_source.h"
#include "platform/datagram_sockets.h"
#include "platform/event_loop.h"
#include "platform/one_shot_timer.h"
#include "query/host_lookups.h"
#include "query/query_engine.h"

namespace vantorel::browse {

// What a server's query result says for the list; nothing when it brought no answer.
std::optional<ServerAnswer> AnswerOf(const QueryResult& result);
// Why a query brought no answer, as the list's Ping column and status say it.
std::string FailureOf(const QueryResult& result);

class EngineServerSource : public ServerSource {
  public:
    using Clock = QueryEngine::Clock;
    using OpenSockets = std::function<std::unique_ptr<platform::DatagramSockets>(int count, std::string* error)>;

    // Said of each master when the program has no lister for them.
    static constexpr const char* kMastersNotAsked = "not asked: this Vantorel cannot reach masters yet";

    struct Options {
        unsigned timeoutMs = 1500;
        QueryProtocol protocol = QueryProtocol::kAuto;
        OpenSockets open = platform::OpenDatagramSockets;
        HostLookups::Resolve resolve = platform::LookUpHost;
    };

    // `masters` may be null. The loop must be able to watch sockets.
    EngineServerSource(platform::EventLoop& loop, MasterLister* masters, Options options);
    EngineServerSource(platform::EventLoop& loop, MasterLister* masters)
        : EngineServerSource(loop, masters, Options{}) {}
    ~EngineServerSource() override;
    EngineServerSource(const EngineServerSource&) = delete;
    EngineServerSource& operator=(const EngineServerSource&) = delete;

    void SetEvents(ServerSourceEvents* events) override { events_ = events; }
    void ListMasters(const std::vector<MasterAddress>& masters) override;
    void QueryServers(const std::vector<ServerKey>& servers, int mostAtOnce) override;
    void Cancel() override;

    // Servers asked and not yet reported, and the most there ever were at once.
    int InFlight() const;
    int MostInFlightSeen() const { return mostSeen_; }

  private:
    struct Run {
        std::unique_ptr<QueryEngine> engine;
        std::vector<ServerKey> keys;
        std::size_t open = 0;  // servers not finished yet
    };
    // A report waits in one of these until the step that made it is over.
    struct Report {
        ServerKey key;
        std::optional<ServerAnswer> answer;
        std::string reason;
    };

    bool Open(int mostAtOnce);
    void Step();
    void Read(Clock::time_point now);
    void StartRuns(Clock::time_point now, std::vector<Report>& reports);
    void Advance(Run& run, Clock::time_point now, std::vector<Report>& reports);
    void Route(Run& run, platform::Endpoint to);
    void Unroute(Run& run, platform::Endpoint to);
    void Forget(Run& run);
    void ArmTimer(Clock::time_point now);

    platform::EventLoop& loop_;
    MasterLister* masters_;
    Options options_;
    ServerSourceEvents* events_ = nullptr;
    std::unique_ptr<platform::DatagramSockets> sockets_;
    std::string socketsProblem_;  // why no socket could be opened
    // After the sockets: its worker threads wake them.
    std::unique_ptr<HostLookups> lookups_;
    std::map<std::string, std::vector<Run*>> lookupWaiters_;

    std::deque<ServerKey> pending_;
    int mostAtOnce_ = 256;
    std::vector<std::unique_ptr<Run>> runs_;
    // The runs talking to each endpoint, and to each address (a server may answer from
    // another port than it was asked on).
    std::unordered_map<std::uint64_t, std::vector<Run*>> byEndpoint_;
    std::unordered_map<std::uint32_t, std::map<Run*, int>> byAddress_;
    std::vector<Report> failedAtOnce_;   // reported at the next step
    std::vector<std::size_t> notAsked_;  // masters reported as not asked at the next step

    platform::OneShotTimer timer_;
    // Counts the cancels, so that a report made before one is never delivered after it.
    std::uint64_t generation_ = 0;
    bool stepping_ = false;
    int mostSeen_ = 0;
};

}  // namespace vantorel::browse
