#pragma once
// Parsing and showing a reply yields to the event loop, so a further reply can arrive in
// the middle. The parse writes the process-wide server record and player table, so one
// reply at a time is parsed and shown in the whole process: a reply that arrives meanwhile
// waits and is shown after the current one, the latest per window winning. The stack does
// not grow, however many replies come.

#include <functional>
#include <string>
#include <vector>

#include "query/query_session.h"

namespace vantorel {

class ReplyGate {
  public:
    using Show = std::function<void(const QueryReply& reply)>;

    // Shows the reply now, or after the one being shown; a later reply for the same owner
    // replaces one that still waits.
    void Submit(const void* owner, QueryReply reply, Show show);

    // Drops what still waits for an owner that goes away.
    void Withdraw(const void* owner);

    bool Busy() const { return busy_; }

  private:
    struct Waiting {
        const void* owner;
        QueryReply reply;
        Show show;
    };
    std::vector<Waiting> waiting_;
    bool busy_ = false;
};

// The gate of the process, beside the server record and the player table it guards.
ReplyGate& TheReplyGate();

}  // namespace vantorel
