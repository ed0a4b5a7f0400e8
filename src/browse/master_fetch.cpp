#include "browse/master_fetch.h"

#include <algorithm>
#include <utility>

#include "query/query_target.h"

namespace vantorel::browse {

MasterFetch::MasterFetch(std::vector<MasterAddress> masters, MasterSession::Settings settings, Clock::time_point now) {
    masters_.reserve(masters.size());
    for (MasterAddress& address : masters) {
        MasterSession::Settings own = settings;
        own.protocol = address.protocol;
        own.greetingWait = std::min(settings.greetingWait, settings.timeout / 3);
        auto session = std::make_unique<MasterSession>(std::move(own), now);
        masters_.push_back({std::move(address), std::move(session)});
    }
    remaining_ = masters_.size();
    for (std::size_t i = 0; i < masters_.size(); ++i) {
        const std::string& host = masters_[i].address.host;
        if (const std::optional<std::uint32_t> dotted = DottedAddress(host)) {
            Connect(i, *dotted, now);
            continue;
        }
        std::vector<std::size_t>& waiting = waitingNames_[host];
        if (waiting.empty()) {
            lookupsToTake_.push_back(host);
        }
        waiting.push_back(i);
    }
}

MasterFetch::~MasterFetch() = default;

void MasterFetch::Connect(std::size_t master, std::uint32_t address, Clock::time_point now) {
    masters_[master].link = Link::kConnecting;
    masters_[master].session->OnConnecting(now);
    actions_.push_back({Action::Kind::kConnect, master, {address, masters_[master].address.port}, {}});
}

void MasterFetch::Follow(std::size_t master, const MasterSession::Step& step) {
    Entry& entry = masters_[master];
    const bool connected = entry.link == Link::kConnecting || entry.link == Link::kOpen;
    if (!step.send.empty() && entry.link == Link::kOpen) {
        actions_.push_back({Action::Kind::kSend, master, {}, step.send});
    }
    if (step.close && connected) {
        actions_.push_back({Action::Kind::kClose, master, {}, {}});
        entry.link = Link::kGone;
    }
    if (entry.session->Done() && !entry.finished) {
        entry.finished = true;
        entry.link = Link::kGone;
        --remaining_;
        finished_.push_back(master);
    }
}

std::vector<std::string> MasterFetch::TakeLookups() {
    return std::exchange(lookupsToTake_, {});
}

void MasterFetch::OnLookup(const std::string& name, std::optional<std::uint32_t> address, Clock::time_point now) {
    const auto found = waitingNames_.find(name);
    if (found == waitingNames_.end()) {
        return;
    }
    const std::vector<std::size_t> waiting = std::move(found->second);
    waitingNames_.erase(found);
    for (const std::size_t master : waiting) {
        if (masters_[master].link != Link::kLookingUp || masters_[master].finished) {
            continue;  // out of time while the name was looked up
        }
        if (address) {
            Connect(master, *address, now);
        } else {
            masters_[master].link = Link::kGone;
            Follow(master, masters_[master].session->OnConnectFailed("host not found"));
        }
    }
}

void MasterFetch::FailLookups(const std::string& reason) {
    const std::map<std::string, std::vector<std::size_t>> waiting = std::move(waitingNames_);
    waitingNames_.clear();
    lookupsToTake_.clear();
    for (const auto& [name, masters] : waiting) {
        for (const std::size_t master : masters) {
            if (!masters_[master].finished) {
                masters_[master].link = Link::kGone;
                Follow(master, masters_[master].session->OnConnectFailed(reason));
            }
        }
    }
}

void MasterFetch::OnConnected(std::size_t master, Clock::time_point now) {
    if (masters_[master].link != Link::kConnecting) {
        return;
    }
    masters_[master].link = Link::kOpen;
    Follow(master, masters_[master].session->OnConnected(now));
}

void MasterFetch::OnConnectFailed(std::size_t master, const std::string& reason) {
    if (masters_[master].link != Link::kConnecting) {
        return;
    }
    masters_[master].link = Link::kGone;
    Follow(master, masters_[master].session->OnConnectFailed(reason));
}

void MasterFetch::OnBytes(std::size_t master, std::string_view bytes, Clock::time_point now) {
    if (masters_[master].link != Link::kOpen) {
        return;
    }
    Follow(master, masters_[master].session->OnBytes(bytes, now));
}

void MasterFetch::OnClosed(std::size_t master) {
    if (masters_[master].link != Link::kOpen) {
        return;
    }
    masters_[master].link = Link::kGone;
    Follow(master, masters_[master].session->OnClosed());
}

void MasterFetch::OnTime(Clock::time_point now) {
    for (std::size_t i = 0; i < masters_.size(); ++i) {
        const std::optional<Clock::time_point> due = masters_[i].session->Deadline();
        if (due && *due <= now) {
            Follow(i, masters_[i].session->OnTime(now));
        }
    }
}

std::vector<MasterFetch::Action> MasterFetch::TakeActions() {
    return std::exchange(actions_, {});
}

std::optional<MasterFetch::Clock::time_point> MasterFetch::NextWake() const {
    std::optional<Clock::time_point> next;
    for (const Entry& entry : masters_) {
        const std::optional<Clock::time_point> due = entry.session->Deadline();
        if (due && (!next || *due < *next)) {
            next = due;
        }
    }
    return next;
}

std::vector<std::size_t> MasterFetch::TakeFinished() {
    return std::exchange(finished_, {});
}

ListMerge MasterFetch::Merged() const {
    ListMerge merge;
    for (const Entry& entry : masters_) {
        if (entry.finished) {
            merge.Add(entry.address.Text(), entry.session->List());
        }
    }
    return merge;
}

}  // namespace vantorel::browse
