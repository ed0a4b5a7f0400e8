#include "query/reply_gate.h"

#include <algorithm>
#include <exception>

#include "query/mod_bfv_query_parse.h"

namespace vantorel {

ReplyGate& TheReplyGate() {
    static ReplyGate gate;
    return gate;
}

void ReplyGate::Submit(const void* owner, QueryReply reply, Show show, Failed failed) {
    if (busy_) {
        const auto same = std::find_if(waiting_.begin(), waiting_.end(),
                                       [owner](const Waiting& entry) { return entry.owner == owner; });
        if (same != waiting_.end()) {
            *same = {owner, std::move(reply), std::move(show), std::move(failed)};
        } else {
            waiting_.push_back({owner, std::move(reply), std::move(show), std::move(failed)});
        }
        return;
    }
    // Open again however this ends, even should a failure handler throw.
    struct Open {
        bool& busy;
        ~Open() { busy = false; }
    } open{busy_};
    busy_ = true;
    Waiting next{owner, std::move(reply), std::move(show), std::move(failed)};
    for (;;) {
        Run(next);
        if (waiting_.empty()) {
            break;
        }
        next = std::move(waiting_.front());
        waiting_.erase(waiting_.begin());
    }
}

void ReplyGate::Run(Waiting& next) {
    // A reply that cannot be shown must not close the gate for every later one, nor leave its
    // window waiting without a word.
    std::string reason;
    try {
        next.show(modBFVQueryParse::StoreReply(ParseQueryReply(next.reply)));
        return;
    } catch (const std::exception& error) {
        reason = error.what();
    } catch (...) {
        reason = "an error of unknown kind";
    }
    next.failed(reason);
}

void ReplyGate::Withdraw(const void* owner) {
    waiting_.erase(std::remove_if(waiting_.begin(), waiting_.end(),
                                  [owner](const Waiting& entry) { return entry.owner == owner; }),
                   waiting_.end());
}

}  // namespace vantorel
