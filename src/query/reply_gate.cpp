#include "query/reply_gate.h"

#include <algorithm>
#include <exception>

namespace vantorel {

ReplyGate& TheReplyGate() {
    static ReplyGate gate;
    return gate;
}

void ReplyGate::Submit(const void* owner, QueryReply reply, Show show) {
    if (busy_) {
        const auto same = std::find_if(waiting_.begin(), waiting_.end(),
                                       [owner](const Waiting& entry) { return entry.owner == owner; });
        if (same != waiting_.end()) {
            same->reply = std::move(reply);
            same->show = std::move(show);
        } else {
            waiting_.push_back({owner, std::move(reply), std::move(show)});
        }
        return;
    }
    busy_ = true;
    Waiting next{owner, std::move(reply), std::move(show)};
    for (;;) {
        // A reply that cannot be shown must not close the gate for every later one.
        try {
            next.show(next.reply);
        } catch (const std::exception&) {
        }
        if (waiting_.empty()) {
            break;
        }
        next = std::move(waiting_.front());
        waiting_.erase(waiting_.begin());
    }
    busy_ = false;
}

void ReplyGate::Withdraw(const void* owner) {
    waiting_.erase(std::remove_if(waiting_.begin(), waiting_.end(),
                                  [owner](const Waiting& entry) { return entry.owner == owner; }),
                   waiting_.end());
}

}  // namespace vantorel
