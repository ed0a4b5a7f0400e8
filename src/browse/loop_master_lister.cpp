#include "browse/loop_master_lister.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "platform/clock.h"

namespace vantorel::browse {

LoopMasterLister::LoopMasterLister(platform::EventLoop& loop, Options options)
    : loop_(loop), options_(std::move(options)), timer_(loop, [this] { Step(); }) {}

LoopMasterLister::~LoopMasterLister() {
    Cancel();
}

std::string LoopMasterLister::Open() {
    if (sockets_) {
        return {};
    }
    std::string error;
    sockets_ = options_.open(&error);
    if (!sockets_) {
        return "no connection can be made: " + error;
    }
    if (!sockets_->WatchOn(loop_, [this] { Step(); })) {
        sockets_.reset();
        return "this event loop cannot watch connections";
    }
    return {};
}

void LoopMasterLister::List(const std::vector<MasterAddress>& masters, Done done) {
    Cancel();
    done_ = std::move(done);
    const Clock::time_point now = platform::Now();
    if (std::string problem = Open(); !problem.empty()) {
        unasked_ = masters;
        unaskedReason_ = std::move(problem);
        timer_.Arm(now, now);
        return;
    }
    fetch_ = std::make_unique<MasterFetch>(masters, options_.settings, now);
    connections_ = std::make_unique<MasterConnections>(*fetch_, *sockets_);
    lookups_ = std::make_unique<HostLookups>([sockets = sockets_.get()] { sockets->Wake(); }, options_.resolve);
    if (!lookups_->Start(fetch_->TakeLookups())) {
        fetch_->FailLookups("no thread to look the host name up");
    }
    // The first step comes from the loop: nothing is reported inside this call.
    timer_.Arm(now, now);
}

void LoopMasterLister::Cancel() {
    ++generation_;
    timer_.Drop();
    if (connections_) {
        connections_->CloseAll();
    }
    connections_.reset();
    fetch_.reset();
    lookups_.reset();
    unasked_.clear();
    done_ = nullptr;
}

void LoopMasterLister::Step() {
    const Clock::time_point now = platform::Now();
    if (!unasked_.empty()) {
        const std::vector<MasterAddress> unasked = std::exchange(unasked_, {});
        const Done done = done_;
        const std::uint64_t generation = generation_;
        for (std::size_t i = 0; i < unasked.size() && generation == generation_; ++i) {
            MasterList list;
            list.SetFault({MasterFault::Kind::kNotSent, unaskedReason_});
            done(i, std::move(list));
        }
        return;
    }
    if (!fetch_) {
        return;  // a wake left over from a list that has ended
    }
    for (const auto& [name, address] : lookups_->TakeDone()) {
        fetch_->OnLookup(name, address, now);
    }
    fetch_->OnTime(now);
    connections_->Act();
    sockets_->Wait(0, connections_->Handlers());
    connections_->Act();
    // A report may start a new list or cancel this one: each is handed over only while this
    // fetch is still the one under way.
    const std::uint64_t generation = generation_;
    const Done done = done_;
    for (const std::size_t master : fetch_->TakeFinished()) {
        MasterList list = fetch_->List(master);
        done(master, std::move(list));
        if (generation != generation_) {
            return;
        }
    }
    if (fetch_->Done()) {
        connections_.reset();
        fetch_.reset();
        lookups_.reset();
        timer_.Drop();
        return;
    }
    timer_.Arm(fetch_->NextWake(), now);
}

}  // namespace vantorel::browse
