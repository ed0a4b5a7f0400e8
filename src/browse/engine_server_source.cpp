#include "browse/engine_server_source.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "common/text.h"
#include "platform/clock.h"
#include "query/server_report.h"
#include "query/stats_text.h"

namespace vantorel::browse {
namespace {

// A socket's receive buffer holds a few hundred replies; more sockets give the bursts of a
// long list more room.
constexpr int kServersPerSocket = 256;
constexpr int kMostSockets = 8;
constexpr int kSpareHandles = 8;

std::uint64_t Key(platform::Endpoint endpoint) {
    return (static_cast<std::uint64_t>(endpoint.address) << 16) | endpoint.port;
}

}  // namespace

std::optional<ServerAnswer> AnswerOf(const QueryResult& result) {
    if (result.status != QueryResult::Status::kOk || !result.report) {
        return std::nullopt;
    }
    const ServerReport& report = *result.report;
    const modBFVQueryParse::ServerInfoRecord& record = report.record;
    const std::pair<std::string, std::string> fields[] = {
        {"hostname", Trim(record.hostname)},     {"mapname", Trim(record.mapname)}, {"gametype", Trim(record.gametype)},
        {"gamever", Trim(record.gamever)},       {"numplayers", record.numplayers}, {"maxplayers", record.maxplayers},
        {"reservedslots", record.reservedslots}, {"password", record.password},     {"hostport", record.hostport}};
    ServerAnswer answer = AnswerFromFields(fields);
    // The players the reply counts, as the stats window lists them.
    const std::size_t players = std::min({static_cast<std::size_t>(statsText::PlayerLineCount(record)),
                                          report.players.size(), ServerAnswer::kMostPlayerNames});
    for (std::size_t i = 0; i < players; ++i) {
        answer.playerNames.push_back(ListText(Trim(report.players[i].player)));
    }
    answer.pingMs = static_cast<int>(std::lround(std::clamp(result.pingMs, 0.0, 1e6)));
    return answer;
}

std::string FailureOf(const QueryResult& result) {
    switch (result.status) {
        case QueryResult::Status::kOk: return {};
        case QueryResult::Status::kTimeout: return "no answer";
        case QueryResult::Status::kDown: return "port closed";
        case QueryResult::Status::kCancelled: return "cancelled";
        case QueryResult::Status::kError: break;
    }
    return result.error.empty() ? "no query could be sent" : result.error;
}

EngineServerSource::EngineServerSource(platform::EventLoop& loop, MasterLister* masters, Options options)
    : loop_(loop), masters_(masters), options_(std::move(options)), timer_(loop, [this] { Step(); }) {}

EngineServerSource::~EngineServerSource() {
    Cancel();
    lookups_.reset();  // before the sockets its threads wake
}

int EngineServerSource::InFlight() const {
    int open = 0;
    for (const std::unique_ptr<Run>& run : runs_) {
        open += static_cast<int>(run->open);
    }
    return open;
}

void EngineServerSource::ListMasters(const std::vector<MasterAddress>& masters) {
    if (masters_) {
        const std::uint64_t generation = generation_;
        masters_->List(masters, [this, generation](std::size_t master, MasterList list) {
            if (generation == generation_ && events_) {
                events_->OnMasterList(master, list);
            }
        });
        return;
    }
    for (std::size_t i = 0; i < masters.size(); ++i) {
        notAsked_.push_back(i);
    }
    ArmTimer(platform::Now());
}

void EngineServerSource::QueryServers(const std::vector<ServerKey>& servers, int mostAtOnce) {
    if (servers.empty()) {
        return;
    }
    if (!Open(mostAtOnce)) {
        for (const ServerKey& key : servers) {
            failedAtOnce_.push_back({key, std::nullopt, socketsProblem_});
        }
    } else {
        mostAtOnce_ = std::clamp(mostAtOnce, 1, std::max(1, sockets_->MostInFlight()));
        pending_.insert(pending_.end(), servers.begin(), servers.end());
    }
    // Reports come from the loop, never from inside this call.
    ArmTimer(platform::Now());
}

bool EngineServerSource::Open(int mostAtOnce) {
    if (sockets_) {
        return true;
    }
    const int wanted = std::clamp((mostAtOnce + kServersPerSocket - 1) / kServersPerSocket, 1, kMostSockets);
    const int allowed = std::max(1, std::min(wanted, platform::SocketsAvailable() - kSpareHandles));
    std::string error;
    sockets_ = options_.open(allowed, &error);
    if (!sockets_) {
        socketsProblem_ = "no socket: " + error;
        return false;
    }
    // Replies are learnt of from the loop's watch alone: a window does not look on a timer.
    if (!sockets_->WatchOn(loop_, [this] { Step(); })) {
        sockets_.reset();
        socketsProblem_ = "this event loop cannot watch the sockets";
        return false;
    }
    lookups_ = std::make_unique<HostLookups>([sockets = sockets_.get()] { sockets->Wake(); }, options_.resolve);
    return true;
}

void EngineServerSource::Cancel() {
    ++generation_;
    if (masters_) {
        masters_->Cancel();
    }
    // Nothing more is expected from any server: on Windows each has a socket to close.
    if (sockets_) {
        for (const auto& [key, runs] : byEndpoint_) {
            sockets_->Release({static_cast<std::uint32_t>(key >> 16), static_cast<std::uint16_t>(key & 0xFFFF)});
        }
    }
    byEndpoint_.clear();
    byAddress_.clear();
    lookupWaiters_.clear();
    runs_.clear();
    pending_.clear();
    failedAtOnce_.clear();
    notAsked_.clear();
    timer_.Drop();
}

void EngineServerSource::Route(Run& run, platform::Endpoint to) {
    std::vector<Run*>& runs = byEndpoint_[Key(to)];
    if (std::find(runs.begin(), runs.end(), &run) == runs.end()) {
        runs.push_back(&run);
        ++byAddress_[to.address][&run];
    }
}

void EngineServerSource::Unroute(Run& run, platform::Endpoint to) {
    const auto found = byEndpoint_.find(Key(to));
    if (found == byEndpoint_.end()) {
        return;
    }
    std::vector<Run*>& runs = found->second;
    const auto at = std::find(runs.begin(), runs.end(), &run);
    if (at == runs.end()) {
        return;
    }
    runs.erase(at);
    const auto address = byAddress_.find(to.address);
    if (address != byAddress_.end() && --address->second[&run] == 0) {
        address->second.erase(&run);
        if (address->second.empty()) {
            byAddress_.erase(address);
        }
    }
    if (runs.empty()) {
        byEndpoint_.erase(found);
        sockets_->Release(to);
    }
}

void EngineServerSource::Forget(Run& run) {
    std::vector<platform::Endpoint> endpoints;
    for (const auto& [key, runs] : byEndpoint_) {
        if (std::find(runs.begin(), runs.end(), &run) != runs.end()) {
            endpoints.push_back({static_cast<std::uint32_t>(key >> 16), static_cast<std::uint16_t>(key & 0xFFFF)});
        }
    }
    for (const platform::Endpoint& endpoint : endpoints) {
        Unroute(run, endpoint);
    }
    for (auto& [name, runs] : lookupWaiters_) {
        std::erase(runs, &run);
    }
    std::erase_if(lookupWaiters_, [](const auto& waiting) { return waiting.second.empty(); });
}

void EngineServerSource::Read(Clock::time_point now) {
    if (!sockets_) {
        return;
    }
    const platform::DatagramSockets::Handlers handlers{[&](platform::Endpoint from, std::string_view bytes) {
                                                           // A query sent to one of our own ports (a range over this
                                                           // host) is no server's reply.
                                                           const auto address = byAddress_.find(from.address);
                                                           if (address == byAddress_.end() || sockets_->IsOwn(from)) {
                                                               return;
                                                           }
                                                           std::vector<Run*> runs;
                                                           for (const auto& [run, count] : address->second) {
                                                               runs.push_back(run);
                                                           }
                                                           for (Run* run : runs) {
                                                               run->engine->OnDatagram(from, bytes, now);
                                                           }
                                                       },
                                                       [&](platform::Endpoint to) {
                                                           const auto found = byEndpoint_.find(Key(to));
                                                           if (found != byEndpoint_.end()) {
                                                               const std::vector<Run*> runs = found->second;
                                                               for (Run* run : runs) {
                                                                   run->engine->OnUnreachable(to);
                                                               }
                                                           }
                                                       }};
    sockets_->Wait(0, handlers);
    for (const auto& [name, address] : lookups_->TakeDone()) {
        const auto waiting = lookupWaiters_.find(name);
        if (waiting == lookupWaiters_.end()) {
            continue;  // asked by a run that is gone
        }
        const std::vector<Run*> runs = std::move(waiting->second);
        lookupWaiters_.erase(waiting);
        for (Run* run : runs) {
            run->engine->OnLookup(name, address, now);
        }
    }
}

void EngineServerSource::Advance(Run& run, Clock::time_point now, std::vector<Report>& reports) {
    QueryEngine& engine = *run.engine;
    engine.OnTime(now);
    for (const QueryEngine::Outgoing& out : engine.TakeOutgoing()) {
        Route(run, out.to);
        const int socket = static_cast<int>(out.server % static_cast<std::size_t>(sockets_->Count()));
        if (!sockets_->Send(socket, out.to, out.bytes) && out.first) {
            engine.OnSendRefused(out.server);
        }
    }
    for (const platform::Endpoint& gone : engine.TakeReleased()) {
        Unroute(run, gone);
    }
    for (const std::size_t server : engine.TakeFinished()) {
        const QueryResult& result = engine.Result(server);
        --run.open;
        if (result.status == QueryResult::Status::kCancelled) {
            continue;
        }
        reports.push_back({run.keys[server], AnswerOf(result), FailureOf(result)});
    }
}

void EngineServerSource::StartRuns(Clock::time_point now, std::vector<Report>& reports) {
    // A batch starts when a good share of the room is free, so that a long list runs in a
    // few engines rather than one per finished server.
    const int refill = std::max(1, mostAtOnce_ / 8);
    for (;;) {
        const int room = mostAtOnce_ - InFlight();
        const int waiting = static_cast<int>(pending_.size());
        if (waiting == 0 || room <= 0 || (room < refill && waiting > room && !runs_.empty())) {
            return;
        }
        auto run = std::make_unique<Run>();
        const int count = std::min(room, waiting);
        std::vector<QueryTarget> targets;
        for (int i = 0; i < count; ++i) {
            ServerKey key = std::move(pending_.front());
            pending_.pop_front();
            targets.push_back({key.host, key.port});
            run->keys.push_back(std::move(key));
        }
        QueryEngine::Options engineOptions;
        engineOptions.timeoutMs = options_.timeoutMs;
        engineOptions.protocol = options_.protocol;
        engineOptions.maxSimultaneous = count;
        run->engine = std::make_unique<QueryEngine>(std::move(targets), engineOptions, now);
        run->open = run->keys.size();
        std::vector<std::string> names = run->engine->TakeLookups();
        for (const std::string& name : names) {
            lookupWaiters_[name].push_back(run.get());
        }
        if (!lookups_->Start(std::move(names))) {
            run->engine->FailLookups("No thread to look the host name up.");
        }
        runs_.push_back(std::move(run));
        mostSeen_ = std::max(mostSeen_, InFlight());
        Advance(*runs_.back(), now, reports);
    }
}

void EngineServerSource::Step() {
    if (stepping_) {
        return;  // the step under way reads and runs everything that is due
    }
    stepping_ = true;
    const std::uint64_t generation = generation_;
    const Clock::time_point now = platform::Now();
    std::vector<Report> reports = std::exchange(failedAtOnce_, {});
    const std::vector<std::size_t> notAsked = std::exchange(notAsked_, {});
    Read(now);
    for (const std::unique_ptr<Run>& run : runs_) {
        Advance(*run, now, reports);
    }
    if (sockets_) {
        StartRuns(now, reports);
    }
    for (auto run = runs_.begin(); run != runs_.end();) {
        if ((*run)->open == 0) {
            Forget(**run);
            run = runs_.erase(run);
        } else {
            ++run;
        }
    }
    ArmTimer(now);
    stepping_ = false;

    // The window's handlers may ask for more or cancel: nothing of this step is touched
    // while they run, and a cancel ends the delivery.
    for (const std::size_t master : notAsked) {
        if (generation != generation_ || !events_) {
            return;
        }
        MasterList list;
        list.SetFault({MasterFault::Kind::kNotSent, kMastersNotAsked});
        events_->OnMasterList(master, list);
    }
    for (const Report& report : reports) {
        if (generation != generation_ || !events_) {
            return;
        }
        if (report.answer) {
            events_->OnServerAnswer(report.key, *report.answer);
        } else {
            events_->OnServerFailed(report.key, report.reason);
        }
    }
}

void EngineServerSource::ArmTimer(Clock::time_point now) {
    std::optional<Clock::time_point> next;
    // Waiting servers start as the running ones finish, in the steps their ends bring.
    if (!failedAtOnce_.empty() || !notAsked_.empty() || (!pending_.empty() && runs_.empty())) {
        next = now;
    }
    for (const std::unique_ptr<Run>& run : runs_) {
        const std::optional<Clock::time_point> wake = run->engine->NextWake();
        if (wake && (!next || *wake < *next)) {
            next = wake;
        }
    }
    timer_.Arm(next, now);
}

}  // namespace vantorel::browse
