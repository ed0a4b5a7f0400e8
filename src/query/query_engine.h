#pragma once
// Asks many servers at once. The engine has no socket, no thread and no clock of its own: its
// caller hands in what arrives (datagrams, closed-port reports, host names looked up) and the
// time, sends the datagrams the engine gives it, and calls again when the engine asks to be
// woken. So one thread can run it beside anything else, a window's message loop as well as
// bfv-query's wait on its sockets (query_all.h).
//
// Each server is one QuerySession, found by the sender of its replies. At most a set number
// are asked at a time; the others wait their turn. A host that is still answering other
// servers of the run is busy, not deaf: the further requests of its servers wait until it has
// been quiet a moment, so that a slow host is not asked again what it is about to answer.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <queue>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/datagram_sockets.h"
#include "query/query_result.h"
#include "query/query_session.h"
#include "query/query_target.h"

namespace vantorel {

class QueryEngine {
  public:
    using Clock = QuerySession::Clock;
    using Endpoint = platform::Endpoint;

    struct Options {
        static constexpr int kDefaultSimultaneous = 1024;
        unsigned timeoutMs = 1500;
        QueryProtocol protocol = QueryProtocol::kAuto;
        // At most this many servers wait for an answer at a time; the others wait their turn.
        int maxSimultaneous = kDefaultSimultaneous;
        // How long host names may take to resolve, from the start of the run.
        unsigned lookupWaitMs = 5000;
    };

    // The held parts of split replies, all servers together. A server under its share of it
    // (the budget over the servers in flight) is never refused a part; one past its share is
    // refused parts while the budget is spent. So held parts never pass twice the budget,
    // however many servers send a reply of 64 parts of 64 KB; a whole reply of this game
    // (some 25 KB) is never refused while fewer than 600 servers are asked at once, nor at
    // any time the budget is not spent.
    static constexpr std::size_t kHeldPartsBudget = 16 << 20;
    // Servers started by one OnTime: the replies that came meanwhile are taken between runs,
    // so a long list never piles its answers up in the receive buffers.
    static constexpr int kStartRun = 64;
    // A host heard from within this long is still answering.
    static constexpr std::chrono::milliseconds kBusyHostQuiet{50};

    // A datagram to send to a server.
    struct Outgoing {
        std::size_t server;
        Endpoint to;
        std::string bytes;
        // The server's first request: should the system refuse it, say so (OnSendRefused),
        // since no query went out. A later one refused is left to the timeout.
        bool first = false;
    };

    // The run starts at `now`; results come in the targets' order.
    QueryEngine(std::vector<QueryTarget> targets, const Options& options, Clock::time_point now);

    std::size_t Count() const { return servers_.size(); }

    // Host names to look up, each once; the caller resolves them off its thread and hands
    // each result to OnLookup (nothing: the name has no address). Names not answered within
    // the options' wait fail.
    std::vector<std::string> TakeLookups();
    void OnLookup(const std::string& name, std::optional<std::uint32_t> address, Clock::time_point now);
    // No lookup can be made at all: every name still waiting fails with `reason`.
    void FailLookups(const std::string& reason);

    // A datagram from `from`; the caller has checked that it is not from its own sockets.
    void OnDatagram(Endpoint from, std::string_view bytes, Clock::time_point now);
    // The system reports that a datagram sent to `to` found its port closed.
    void OnUnreachable(Endpoint to);
    void OnSendRefused(std::size_t server);
    // Runs what is due at `now`: further requests, held parts shown, timeouts, lookups given
    // up, waiting servers started.
    void OnTime(Clock::time_point now);

    // What to send, in order, since the last call.
    std::vector<Outgoing> TakeOutgoing();
    // Servers whose query ended since the last call: nothing more will come from them (on
    // Windows each has a socket of its own to close).
    std::vector<Endpoint> TakeReleased();
    // When OnTime next has something to do; at the last time given when it has at once;
    // nothing while it only waits for datagrams or lookups without end (never in a run
    // that has servers left).
    std::optional<Clock::time_point> NextWake() const;

    // Servers whose result is final since the last call, in the order they ended.
    std::vector<std::size_t> TakeFinished();
    const QueryResult& Result(std::size_t server) const { return servers_[server].result; }
    // Every result, moved out: a long list's results are the most the run holds.
    std::vector<QueryResult> TakeResults();

    // Ends a server's query now, or all of them; their results say so.
    void Cancel(std::size_t server);
    void CancelAll();
    bool Done() const { return remaining_ == 0; }

  private:
    struct Server {
        explicit Server(QueryTarget target) { result.target = std::move(target); }
        QueryResult result;
        std::unique_ptr<QuerySession> session;  // while the query runs
        Endpoint endpoint;
        bool inFlight = false;
        bool done = false;
        bool heard = false;                  // a first datagram of its answer came
        Clock::time_point scheduledFor{};    // when its live timer entry is due
        unsigned generation = 0;             // of its entry in the timer queue
        std::optional<std::size_t> aliasOf;  // the same address and port listed earlier
        std::vector<std::size_t> aliases;    // those listed later, reported with this one
        std::size_t held = 0;                // bytes given to the session since it last held no parts
    };

    struct Due {
        Clock::time_point when;
        std::size_t server;
        unsigned generation;
        bool operator>(const Due& other) const { return when > other.when; }
    };

    // The servers in flight at one address. With one, the sum of their indexes is its index.
    struct Host {
        int count = 0;
        std::size_t sum = 0;
        std::optional<Clock::time_point> heard;  // the last datagram from the address
    };

    void Resolved(std::size_t i, std::uint32_t address);
    void StartSome(Clock::time_point now);
    void Queue(std::size_t i, const std::vector<std::string>& requests, bool first);
    std::optional<std::size_t> Sender(Endpoint from) const;
    bool MayHold(std::size_t i, std::size_t bytes);
    void ReleaseHeld(Server& server);
    void Follow(std::size_t i, QuerySession::Action action);
    void Schedule(std::size_t i);
    void RunDue(Clock::time_point now);
    int MostInFlight() const { return options_.maxSimultaneous; }
    void Fail(std::size_t i, QueryResult::Status status, const std::string& reason);
    void Finish(std::size_t i, QueryResult::Status status);
    void Finished(std::size_t i);

    Options options_;
    std::vector<Server> servers_;
    std::size_t remaining_ = 0;
    Clock::time_point now_;
    std::deque<std::size_t> ready_;
    int inFlight_ = 0;
    std::unordered_map<std::uint64_t, std::size_t> firstAt_;
    std::unordered_map<std::uint64_t, std::size_t> byEndpoint_;
    std::unordered_map<std::uint32_t, Host> hosts_;
    std::priority_queue<Due, std::vector<Due>, std::greater<>> timers_;
    Clock::time_point lookupDeadline_;
    std::vector<std::string> lookupsToTake_;
    std::map<std::string, std::vector<std::size_t>> waitingNames_;
    std::vector<Outgoing> outgoing_;
    std::vector<Endpoint> released_;
    std::vector<std::size_t> finished_;
    std::size_t heldParts_ = 0;  // the servers' `held`, summed
};

}  // namespace vantorel
