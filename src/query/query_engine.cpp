#include "query/query_engine.h"

#include <algorithm>
#include <utility>

namespace vantorel {
namespace {

std::uint64_t Key(platform::Endpoint endpoint) {
    return (static_cast<std::uint64_t>(endpoint.address) << 16) | endpoint.port;
}

}  // namespace

QueryEngine::QueryEngine(std::vector<QueryTarget> targets, const Options& options, Clock::time_point now)
    : options_(options), now_(now), lookupDeadline_(now + std::chrono::milliseconds(options.lookupWaitMs)) {
    options_.maxSimultaneous = std::max(options_.maxSimultaneous, 1);
    servers_.reserve(targets.size());
    for (QueryTarget& target : targets) {
        servers_.emplace_back(std::move(target));
    }
    remaining_ = servers_.size();
    for (std::size_t i = 0; i < servers_.size(); ++i) {
        const std::string& host = servers_[i].result.target.host;
        if (const std::optional<std::uint32_t> address = DottedAddress(host)) {
            Resolved(i, *address);
            continue;
        }
        std::vector<std::size_t>& waiting = waitingNames_[host];
        if (waiting.empty()) {
            lookupsToTake_.push_back(host);
        }
        waiting.push_back(i);
    }
}

std::vector<std::string> QueryEngine::TakeLookups() {
    return std::exchange(lookupsToTake_, {});
}

void QueryEngine::OnLookup(const std::string& name, std::optional<std::uint32_t> address, Clock::time_point now) {
    now_ = now;
    const auto waiting = waitingNames_.find(name);
    if (waiting == waitingNames_.end()) {
        return;
    }
    const std::vector<std::size_t> servers = std::move(waiting->second);
    waitingNames_.erase(waiting);
    for (const std::size_t i : servers) {
        if (servers_[i].done) {
            continue;
        }
        if (address) {
            Resolved(i, *address);
        } else {
            Fail(i, QueryResult::Status::kError, "Host not found.");
        }
    }
}

void QueryEngine::FailLookups(const std::string& reason) {
    const std::map<std::string, std::vector<std::size_t>> waiting = std::move(waitingNames_);
    waitingNames_.clear();
    for (const auto& [name, servers] : waiting) {
        for (const std::size_t i : servers) {
            Fail(i, QueryResult::Status::kError, reason);
        }
    }
}

void QueryEngine::Resolved(std::size_t i, std::uint32_t address) {
    Server& server = servers_[i];
    server.endpoint = {address, static_cast<std::uint16_t>(server.result.target.port)};
    server.result.ip = AddressText(address);
    const auto [first, isNew] = firstAt_.emplace(Key(server.endpoint), i);
    if (isNew) {
        ready_.push_back(i);
        return;
    }
    // Asked once, reported for each time it is listed.
    Server& asked = servers_[first->second];
    server.aliasOf = first->second;
    if (!asked.done) {
        asked.aliases.push_back(i);
        return;
    }
    QueryTarget target = std::move(server.result.target);
    server.result = asked.result;
    server.result.target = std::move(target);
    server.done = true;
    Finished(i);
}

void QueryEngine::StartSome(Clock::time_point now) {
    for (int started = 0; started < kStartRun && !ready_.empty() && inFlight_ < MostInFlight();) {
        const std::size_t i = ready_.front();
        ready_.pop_front();
        Server& server = servers_[i];
        if (server.done) {
            continue;  // cancelled while it waited
        }
        ++started;
        byEndpoint_[Key(server.endpoint)] = i;
        Host& host = hosts_[server.endpoint.address];
        ++host.count;
        host.sum += i;
        // "\status\" first: every text server answers it in full, where "\basic\" would cost
        // a standard server a second request.
        server.session =
            std::make_unique<QuerySession>(std::string(), options_.protocol, nullptr, static_cast<std::uint32_t>(i),
                                           now, std::chrono::milliseconds(options_.timeoutMs), Dialect::kStatus);
        server.inFlight = true;
        ++inFlight_;
        Queue(i, {server.session->Request()}, true);
        Schedule(i);
    }
}

void QueryEngine::Queue(std::size_t i, const std::vector<std::string>& requests, bool first) {
    for (const std::string& request : requests) {
        outgoing_.push_back({i, servers_[i].endpoint, request, first});
    }
}

void QueryEngine::OnSendRefused(std::size_t server) {
    if (server < servers_.size() && servers_[server].inFlight) {
        Fail(server, QueryResult::Status::kError, "The query could not be sent.");
    }
}

std::optional<std::size_t> QueryEngine::Sender(Endpoint from) const {
    // Replies are the queried server's when they come from its address and port. Some
    // servers answer from another port: a reply from an address with one server in flight
    // is that server's.
    const auto exact = byEndpoint_.find(Key(from));
    if (exact != byEndpoint_.end()) {
        return exact->second;
    }
    const auto host = hosts_.find(from.address);
    if (host == hosts_.end() || host->second.count != 1) {
        return std::nullopt;
    }
    return host->second.sum;
}

void QueryEngine::OnDatagram(Endpoint from, std::string_view bytes, Clock::time_point now) {
    now_ = now;
    const auto host = hosts_.find(from.address);
    if (host != hosts_.end()) {
        host->second.heard = now;
    }
    const std::optional<std::size_t> i = Sender(from);
    if (!i || !MayHold(*i, bytes.size())) {
        return;
    }
    Server& server = servers_[*i];
    QuerySession::Action action = server.session->OnDatagram(bytes, now);
    if (!server.heard) {
        // From the request that this answer is to, which need not be the first sent.
        if (const std::optional<Clock::duration> roundTrip = server.session->RoundTrip()) {
            server.heard = true;
            server.result.pingMs = std::chrono::duration<double, std::milli>(*roundTrip).count();
        }
    }
    // Moved on, not copied: a reply joined from its parts may be some megabytes.
    Follow(*i, std::move(action));
    if (server.inFlight && server.session->HoldsParts()) {
        server.held += bytes.size();
        heldParts_ += bytes.size();
    }
}

bool QueryEngine::MayHold(std::size_t i, std::size_t bytes) {
    Server& server = servers_[i];
    if (!server.session->HoldsParts()) {
        ReleaseHeld(server);  // it holds no parts now, whatever it held before
    }
    const std::size_t share = kHeldPartsBudget / static_cast<std::size_t>(std::max(inFlight_, 1));
    return heldParts_ + bytes <= kHeldPartsBudget || server.held + bytes <= share;
}

void QueryEngine::ReleaseHeld(Server& server) {
    heldParts_ -= server.held;
    server.held = 0;
}

void QueryEngine::OnUnreachable(Endpoint to) {
    const auto exact = byEndpoint_.find(Key(to));
    if (exact != byEndpoint_.end()) {
        Finish(exact->second, QueryResult::Status::kDown);
    }
}

void QueryEngine::Follow(std::size_t i, QuerySession::Action action) {
    switch (action.kind) {
        case QuerySession::Action::Kind::kShow: {
            QueryResult& result = servers_[i].result;
            result.dialect = action.reply->dialect;
            result.report = SummarizeReply(*action.reply);
            Finish(i, QueryResult::Status::kOk);
            break;
        }
        case QuerySession::Action::Kind::kSend:
            Queue(i, action.requests, false);
            Schedule(i);
            break;
        case QuerySession::Action::Kind::kGiveUp: Finish(i, QueryResult::Status::kTimeout); break;
        case QuerySession::Action::Kind::kNothing: Schedule(i); break;
    }
}

void QueryEngine::Schedule(std::size_t i) {
    Server& server = servers_[i];
    const std::optional<Clock::time_point> deadline = server.session->Deadline();
    if (!deadline || *deadline == server.scheduledFor) {
        return;  // nothing ahead, or a further part of the same set: its entry stands
    }
    server.scheduledFor = *deadline;
    timers_.push({*deadline, i, ++server.generation});
}

void QueryEngine::RunDue(Clock::time_point now) {
    while (!timers_.empty() && timers_.top().when <= now) {
        const Due due = timers_.top();
        timers_.pop();
        Server& server = servers_[due.server];
        if (server.done || due.generation != server.generation) {
            continue;
        }
        server.scheduledFor = {};
        const auto host = hosts_.find(server.endpoint.address);
        if (host != hosts_.end() && host->second.heard && now - *host->second.heard < kBusyHostQuiet) {
            server.session->HoldRequests(*host->second.heard + kBusyHostQuiet);
        }
        Follow(due.server, server.session->OnDeadline(now));
    }
}

void QueryEngine::OnTime(Clock::time_point now) {
    now_ = now;
    RunDue(now);
    if (!waitingNames_.empty() && now >= lookupDeadline_) {
        FailLookups("Host lookup took too long.");
    }
    StartSome(now);
}

std::vector<QueryEngine::Outgoing> QueryEngine::TakeOutgoing() {
    return std::exchange(outgoing_, {});
}

std::vector<QueryEngine::Endpoint> QueryEngine::TakeReleased() {
    return std::exchange(released_, {});
}

std::vector<std::size_t> QueryEngine::TakeFinished() {
    return std::exchange(finished_, {});
}

std::optional<QueryEngine::Clock::time_point> QueryEngine::NextWake() const {
    if (Done()) {
        return std::nullopt;
    }
    if (!ready_.empty() && inFlight_ < MostInFlight()) {
        return now_;
    }
    std::optional<Clock::time_point> next;
    if (!timers_.empty()) {
        next = timers_.top().when;
    }
    if (!waitingNames_.empty() && (!next || lookupDeadline_ < *next)) {
        next = lookupDeadline_;
    }
    return next;
}

std::vector<QueryResult> QueryEngine::TakeResults() {
    std::vector<QueryResult> results;
    results.reserve(servers_.size());
    for (Server& server : servers_) {
        results.push_back(std::move(server.result));
    }
    servers_.clear();
    return results;
}

void QueryEngine::Cancel(std::size_t server) {
    if (server < servers_.size()) {
        Finish(server, QueryResult::Status::kCancelled);
    }
}

void QueryEngine::CancelAll() {
    for (std::size_t i = 0; i < servers_.size(); ++i) {
        Cancel(i);
    }
}

void QueryEngine::Fail(std::size_t i, QueryResult::Status status, const std::string& reason) {
    if (!servers_[i].done) {
        servers_[i].result.error = reason;
        Finish(i, status);
    }
}

void QueryEngine::Finish(std::size_t i, QueryResult::Status status) {
    Server& server = servers_[i];
    if (server.done) {
        return;
    }
    server.done = true;
    server.result.status = status;
    ++server.generation;
    if (server.inFlight) {
        ReleaseHeld(server);
        server.session.reset();
        released_.push_back(server.endpoint);
        server.inFlight = false;
        --inFlight_;
        byEndpoint_.erase(Key(server.endpoint));
        Host& host = hosts_[server.endpoint.address];
        host.sum -= i;
        if (--host.count == 0) {
            hosts_.erase(server.endpoint.address);
        }
    }
    Finished(i);
}

void QueryEngine::Finished(std::size_t i) {
    --remaining_;
    finished_.push_back(i);
    for (const std::size_t alias : std::exchange(servers_[i].aliases, {})) {
        Server& copy = servers_[alias];
        if (copy.done) {
            continue;  // cancelled on its own
        }
        QueryTarget target = std::move(copy.result.target);
        copy.result = servers_[i].result;
        copy.result.target = std::move(target);
        copy.done = true;
        Finished(alias);
    }
}

}  // namespace vantorel
