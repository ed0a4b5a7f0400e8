#include "engine.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <queue>
#include <system_error>
#include <thread>
#include <unordered_map>

#include "datagram_sockets.h"

namespace vantorel::bfvQuery {
namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

// A socket's receive buffer holds a few hundred replies; more sockets give the bursts of a
// long list more room. The handles are few either way, so any file limit leaves enough.
constexpr int kServersPerSocket = 256;
constexpr int kMostSockets = 8;
constexpr int kSpareHandles = 8;  // for the lookups and whatever the C library opens
// Queries go out in runs of this many, with the replies that came meanwhile taken between
// runs, so a long list never piles its answers up in the receive buffers.
constexpr int kSendRun = 64;
constexpr int kLookupThreads = 4;
// The parts of split replies held at once, all servers together. A server under its share
// of it (the budget over the servers in flight) is never refused a part; one past its share
// is refused parts while the budget is spent. So held parts never pass twice the budget,
// however many servers send a reply of 64 parts of 64 KB; a whole reply of this game (some
// 25 KB) is never refused while fewer than 600 servers are asked at once, nor at any time
// the budget is not spent.
constexpr std::size_t kHeldPartsBudget = 16 << 20;

std::uint64_t Key(Endpoint endpoint) {
    return (static_cast<std::uint64_t>(endpoint.address) << 16) | endpoint.port;
}

// Host names resolve on worker threads; the results come back through a queue that the
// loop empties, with a Wake so that it need not poll. The state outlives the run: a lookup
// that hangs past the run's bound is left to the process exit.
struct Lookups {
    std::mutex mutex;
    std::deque<std::string> names;
    std::vector<std::pair<std::string, std::optional<std::uint32_t>>> done;
    DatagramSockets* waker = nullptr;  // null once the run is over

    static void Work(const std::shared_ptr<Lookups>& self) {
        for (;;) {
            std::string name;
            {
                const std::lock_guard<std::mutex> lock(self->mutex);
                if (self->names.empty() || self->waker == nullptr) {
                    return;
                }
                name = std::move(self->names.front());
                self->names.pop_front();
            }
            const std::optional<std::uint32_t> address = LookUpHost(name);
            const std::lock_guard<std::mutex> lock(self->mutex);
            self->done.emplace_back(std::move(name), address);
            if (self->waker != nullptr) {
                self->waker->Wake();
            }
        }
    }
};

class Engine {
  public:
    Engine(std::vector<Target> targets, const RunOptions& options) : options_(options) {
        servers_.reserve(targets.size());
        for (Target& target : targets) {
            servers_.emplace_back(std::move(target));
        }
    }

    bool Open(std::string* error) {
        const int wanted = std::clamp(
            (std::min<int>(options_.maxSimultaneous, static_cast<int>(servers_.size())) + kServersPerSocket - 1) /
                kServersPerSocket,
            1, kMostSockets);
        const int allowed = std::max(1, std::min(wanted, SocketsAvailable() - kSpareHandles));
        sockets_ = DatagramSockets::Open(allowed, error);
        return sockets_ != nullptr;
    }

    void Use(std::unique_ptr<DatagramSockets> sockets) { sockets_ = std::move(sockets); }

    void Run() {
        const Clock::time_point start = Clock::now();
        remaining_ = servers_.size();
        std::map<std::string, std::vector<std::size_t>> names;
        for (std::size_t i = 0; i < servers_.size(); ++i) {
            const std::optional<std::uint32_t> address = DottedAddress(servers_[i].result.target.host);
            if (address) {
                Resolved(i, *address);
            } else {
                names[servers_[i].result.target.host].push_back(i);
            }
        }
        StartLookups(names);
        const Clock::time_point lookupDeadline = start + Milliseconds(options_.lookupWaitMs);
        const DatagramSockets::Handlers handlers{
            [this](Endpoint from, std::string_view bytes) { OnDatagram(from, bytes); },
            [this](Endpoint to) { OnUnreachable(to); }};
        while (remaining_ > 0) {
            SendSome();
            TakeLookups();
            const Clock::time_point now = Clock::now();
            RunDue(now);
            if (!waitingNames_.empty() && now >= lookupDeadline) {
                GiveUpLookups();
            }
            if (remaining_ == 0) {
                break;
            }
            sockets_->Wait(WaitMs(now, lookupDeadline), handlers);
        }
        EndLookups();
    }

    // Moved out, not copied: a long list's results are the most the run holds.
    std::vector<Result> TakeResults() {
        // From the last: a server listed again copies its first listing, which comes earlier.
        std::vector<Result> results(servers_.size());
        for (std::size_t i = servers_.size(); i-- > 0;) {
            Server& server = servers_[i];
            if (server.aliasOf) {
                results[i] = servers_[*server.aliasOf].result;
                results[i].target = std::move(server.result.target);
            } else {
                results[i] = std::move(server.result);
            }
        }
        servers_.clear();
        return results;
    }

  private:
    struct Server {
        explicit Server(Target target) { result.target = std::move(target); }
        Result result;
        std::unique_ptr<QueryProtocol> protocol;  // while the query runs
        Endpoint endpoint;
        int socket = 0;
        bool inFlight = false;
        bool done = false;
        bool sent = false;                   // a first request went out
        bool heard = false;                  // a first datagram of its answer came
        Clock::time_point scheduledFor{};    // when its live timer entry is due
        unsigned generation = 0;             // of its entry in the timer queue
        std::optional<std::size_t> aliasOf;  // the same address and port listed earlier
        std::size_t held = 0;                // bytes given to the session since it last held no parts
    };

    struct Due {
        Clock::time_point when;
        std::size_t server;
        unsigned generation;
        bool operator>(const Due& other) const { return when > other.when; }
    };

    void Resolved(std::size_t i, std::uint32_t address) {
        Server& server = servers_[i];
        server.endpoint = {address, static_cast<std::uint16_t>(server.result.target.port)};
        server.result.ip = AddressText(address);
        const auto [first, isNew] = firstAt_.emplace(Key(server.endpoint), i);
        if (!isNew) {
            // Asked once, reported for each time it is listed.
            server.aliasOf = first->second;
            server.done = true;
            --remaining_;
            return;
        }
        ready_.push_back(i);
    }

    void StartLookups(const std::map<std::string, std::vector<std::size_t>>& names) {
        if (names.empty()) {
            return;
        }
        lookups_ = std::make_shared<Lookups>();
        lookups_->waker = sockets_.get();
        for (const auto& [name, servers] : names) {
            lookups_->names.push_back(name);
            waitingNames_[name] = servers;
        }
        const int threads = std::min<int>(kLookupThreads, static_cast<int>(names.size()));
        int started = 0;
        for (int i = 0; i < threads; ++i) {
            try {
                std::thread(Lookups::Work, lookups_).detach();
                ++started;
            } catch (const std::system_error&) {
                break;  // the threads already running take the names
            }
        }
        if (started == 0) {
            for (const auto& [name, servers] : waitingNames_) {
                for (const std::size_t server : servers) {
                    Fail(server, Result::Status::kError, "No thread to look the host name up.");
                }
            }
            waitingNames_.clear();
        }
    }

    void TakeLookups() {
        if (!lookups_) {
            return;
        }
        std::vector<std::pair<std::string, std::optional<std::uint32_t>>> done;
        {
            const std::lock_guard<std::mutex> lock(lookups_->mutex);
            done.swap(lookups_->done);
        }
        for (const auto& [name, address] : done) {
            const auto waiting = waitingNames_.find(name);
            if (waiting == waitingNames_.end()) {
                continue;
            }
            for (const std::size_t i : waiting->second) {
                if (address) {
                    Resolved(i, *address);
                } else {
                    Fail(i, Result::Status::kError, "Host not found.");
                }
            }
            waitingNames_.erase(waiting);
        }
    }

    void GiveUpLookups() {
        for (const auto& [name, servers] : waitingNames_) {
            for (const std::size_t i : servers) {
                Fail(i, Result::Status::kError, "Host lookup took too long.");
            }
        }
        waitingNames_.clear();
    }

    void EndLookups() {
        if (lookups_) {
            const std::lock_guard<std::mutex> lock(lookups_->mutex);
            lookups_->waker = nullptr;
            lookups_->names.clear();
        }
    }

    void SendSome() {
        const int most = std::min(options_.maxSimultaneous, sockets_->MostInFlight());
        for (int sent = 0; sent < kSendRun && !ready_.empty() && inFlight_ < most; ++sent) {
            const std::size_t i = ready_.front();
            ready_.pop_front();
            Server& server = servers_[i];
            server.socket = nextSocket_++ % sockets_->Count();
            byEndpoint_[Key(server.endpoint)] = i;
            InFlightAt& at = byAddress_[server.endpoint.address];
            ++at.count;
            at.sum += i;
            server.protocol = std::make_unique<QueryProtocol>(options_.protocol, static_cast<std::uint32_t>(i),
                                                              Clock::now(), Milliseconds(options_.timeoutMs));
            server.inFlight = true;
            ++inFlight_;
            Send(i);
        }
    }

    // Sends what the query asks for now; its steps and its one timeout are the session's.
    void Send(std::size_t i) {
        Server& server = servers_[i];
        for (const std::string& request : server.protocol->Requests()) {
            // Once a request has gone out, one refused later (Wine refuses sends on a socket
            // whose port answered "unreachable") leaves the query to its timeout.
            if (!sockets_->Send(server.socket, server.endpoint, request) && !server.sent) {
                Fail(i, Result::Status::kError, "The query could not be sent.");
                return;
            }
            server.sent = true;
        }
        Schedule(i);
    }

    // Replies are the queried server's when they come from its address and port. Some
    // servers answer from another port: a reply from an address with one server in flight
    // is that server's.
    std::optional<std::size_t> Sender(Endpoint from) const {
        const auto exact = byEndpoint_.find(Key(from));
        if (exact != byEndpoint_.end()) {
            return exact->second;
        }
        const auto address = byAddress_.find(from.address);
        if (address == byAddress_.end() || address->second.count != 1) {
            return std::nullopt;
        }
        return address->second.sum;
    }

    void OnDatagram(Endpoint from, std::string_view bytes) {
        // A query sent to one of our own ports (a range over this host) arrives at that
        // socket, from it: our own request is no server's reply.
        if (sockets_->IsOwn(from)) {
            return;
        }
        const std::optional<std::size_t> i = Sender(from);
        if (!i || !MayHold(*i, bytes.size())) {
            return;
        }
        Server& server = servers_[*i];
        const QueryProtocol::Step step = server.protocol->OnDatagram(bytes, Clock::now(), &server.result);
        if (!server.heard) {
            // From the request that this answer is to, which need not be the first sent.
            if (const std::optional<double> roundTrip = server.protocol->RoundTripMs()) {
                server.heard = true;
                server.result.pingMs = *roundTrip;
            }
        }
        Follow(*i, step);
        if (server.inFlight && server.protocol->HoldsParts()) {
            server.held += bytes.size();
            heldParts_ += bytes.size();
        }
    }

    // Whether a server's datagram may be taken, as far as the memory of held parts goes.
    bool MayHold(std::size_t i, std::size_t bytes) {
        Server& server = servers_[i];
        if (!server.protocol->HoldsParts()) {
            ReleaseHeld(server);  // it holds no parts now, whatever it held before
        }
        const std::size_t share = kHeldPartsBudget / static_cast<std::size_t>(std::max(inFlight_, 1));
        return heldParts_ + bytes <= kHeldPartsBudget || server.held + bytes <= share;
    }

    void ReleaseHeld(Server& server) {
        heldParts_ -= server.held;
        server.held = 0;
    }

    void OnUnreachable(Endpoint to) {
        const auto exact = byEndpoint_.find(Key(to));
        if (exact != byEndpoint_.end()) {
            Finish(exact->second, Result::Status::kDown);
        }
    }

    void Follow(std::size_t i, QueryProtocol::Step step) {
        switch (step) {
            case QueryProtocol::Step::kAnswered: Finish(i, Result::Status::kOk); break;
            case QueryProtocol::Step::kSend: Send(i); break;
            case QueryProtocol::Step::kNoAnswer: Finish(i, Result::Status::kTimeout); break;
            case QueryProtocol::Step::kWaiting: Schedule(i); break;
        }
    }

    void Schedule(std::size_t i) {
        Server& server = servers_[i];
        const std::optional<Clock::time_point> deadline = server.protocol->Deadline();
        if (!deadline) {
            return;
        }
        const Clock::time_point when = *deadline;
        if (when == server.scheduledFor) {
            return;  // a further part of the same set: its entry stands
        }
        server.scheduledFor = when;
        timers_.push({when, i, ++server.generation});
    }

    void RunDue(Clock::time_point now) {
        while (!timers_.empty() && timers_.top().when <= now) {
            const Due due = timers_.top();
            timers_.pop();
            Server& server = servers_[due.server];
            if (server.done || due.generation != server.generation) {
                continue;
            }
            server.scheduledFor = {};
            Follow(due.server, server.protocol->OnDeadline(now, &server.result));
        }
    }

    int WaitMs(Clock::time_point now, Clock::time_point lookupDeadline) const {
        if (!ready_.empty() && inFlight_ < std::min(options_.maxSimultaneous, sockets_->MostInFlight())) {
            return 0;
        }
        std::optional<Clock::time_point> next;
        if (!timers_.empty()) {
            next = timers_.top().when;
        }
        if (!waitingNames_.empty() && (!next || lookupDeadline < *next)) {
            next = lookupDeadline;
        }
        if (!next) {
            return -1;
        }
        // Rounded up, so that the loop does not wake a moment early and go round idle.
        const auto wait = std::chrono::ceil<Milliseconds>(*next - now).count();
        return static_cast<int>(std::clamp<long long>(wait, 0, 600000));
    }

    void Fail(std::size_t i, Result::Status status, const std::string& reason) {
        servers_[i].result.error = reason;
        Finish(i, status);
    }

    void Finish(std::size_t i, Result::Status status) {
        Server& server = servers_[i];
        if (server.done) {
            return;
        }
        server.done = true;
        server.result.status = status;
        ++server.generation;
        --remaining_;
        if (server.inFlight) {
            ReleaseHeld(server);
            server.protocol.reset();
            sockets_->Release(server.endpoint);
            server.inFlight = false;
            --inFlight_;
            byEndpoint_.erase(Key(server.endpoint));
            InFlightAt& at = byAddress_[server.endpoint.address];
            at.sum -= i;
            if (--at.count == 0) {
                byAddress_.erase(server.endpoint.address);
            }
        }
    }

    RunOptions options_;
    std::vector<Server> servers_;
    std::unique_ptr<DatagramSockets> sockets_;
    std::size_t remaining_ = 0;
    std::deque<std::size_t> ready_;
    int inFlight_ = 0;
    int nextSocket_ = 0;
    std::unordered_map<std::uint64_t, std::size_t> firstAt_;
    std::unordered_map<std::uint64_t, std::size_t> byEndpoint_;
    // The servers in flight at one address: with one, the sum of their indexes is its index.
    struct InFlightAt {
        int count = 0;
        std::size_t sum = 0;
    };
    std::unordered_map<std::uint32_t, InFlightAt> byAddress_;
    std::priority_queue<Due, std::vector<Due>, std::greater<>> timers_;
    std::shared_ptr<Lookups> lookups_;
    std::map<std::string, std::vector<std::size_t>> waitingNames_;
    std::size_t heldParts_ = 0;  // the servers' `held`, summed
};

}  // namespace

std::vector<Result> QueryAll(std::vector<Target> targets, const RunOptions& options, std::string* error) {
    Engine engine(std::move(targets), options);
    if (!engine.Open(error)) {
        return {};
    }
    engine.Run();
    return engine.TakeResults();
}

std::vector<Result> QueryAll(std::vector<Target> targets, const RunOptions& options,
                             std::unique_ptr<DatagramSockets> sockets) {
    Engine engine(std::move(targets), options);
    engine.Use(std::move(sockets));
    engine.Run();
    return engine.TakeResults();
}

}  // namespace vantorel::bfvQuery
