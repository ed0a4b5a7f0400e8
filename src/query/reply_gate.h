#pragma once
// The stats window's server record and player table are one for the whole process, and
// storing and showing a reply yields to the event loop, so a further reply can arrive in the
// middle. The gate lets one reply at a time be stored and shown: a reply that arrives
// meanwhile waits and is shown after the current one, the latest per window winning. The
// stack does not grow, however many replies come.

#include <functional>
#include <string>
#include <vector>

#include "query/query_session.h"

namespace vantorel {

class ReplyGate {
  public:
    // Shows what the record and the table now hold; `players` is how many entries the store
    // filled.
    using Show = std::function<void(int players)>;
    // A store or a show that threw: the owner learns why, and later replies are shown all
    // the same.
    using Failed = std::function<void(const std::string& reason)>;

    // Parses and stores the reply and shows it now, or after the one being shown; a later
    // reply for the same owner replaces one that still waits, unparsed.
    void Submit(const void* owner, QueryReply reply, Show show, Failed failed);

    // Drops what still waits for an owner that goes away.
    void Withdraw(const void* owner);

    bool Busy() const { return busy_; }

  private:
    struct Waiting {
        const void* owner;
        QueryReply reply;
        Show show;
        Failed failed;
    };
    void Run(Waiting& next);

    std::vector<Waiting> waiting_;
    bool busy_ = false;
};

// The gate of the process, beside the server record and the player table it guards.
ReplyGate& TheReplyGate();

}  // namespace vantorel
