#pragma once
// One status query of one server, without its transport: which requests to send and when,
// what each datagram from that server means, and when to give up. The stats window and
// bfv-query drive it with their own sockets and timers.
//
// In automatic mode it asks "\basic\" (or what the server answered last time) first. When
// nothing at all has come back a moment later (kNextFormDelay, or a third of the timeout when
// that is shorter) it asks the other forms too: "\status\" and GameSpy 2 after "\basic\", so
// that a server speaking only one of those shows within one round trip of that moment, not
// after a timeout. The first form to answer is the one shown and remembered; answers in the
// other protocol are dropped from then on. A complete reply without any of hostname,
// numplayers, maxplayers and mapname is the standard's short answer to "\basic\": "\status\"
// is asked at once, if it has not been yet. Halfway through the timeout, what is still
// unanswered is asked once more, as a datagram may be lost on the way. A silent server costs
// one timeout in all; parts of a split reply that are on their way are waited for past it,
// but no longer than a parts timeout. A caller that asks many servers of one host may hold
// the further requests back while that host is still answering others (HoldRequests).

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "query/query_protocol.h"
#include "query/reply_assembler.h"
#include "query/reply_parse.h"

namespace vantorel {

// What each address answered last, so that a refresh asks what worked. Its owner decides
// how long it lives; it holds one entry per address that the user asked about.
class DialectMemory {
  public:
    std::optional<Dialect> Recall(const std::string& address) const;
    void Remember(const std::string& address, Dialect dialect);

  private:
    std::map<std::string, Dialect> dialects_;
};

// A reply ready to show. GameSpy 1: the bytes of the reply, parts joined. GameSpy 2: its
// keys and values. Both are in the servers' code page.
struct QueryReply {
    Dialect dialect = Dialect::kBasic;
    std::string text;
    std::vector<modBFVQueryParse::KeyValue> pairs;
};

// The reply parsed, whichever protocol it came in.
modBFVQueryParse::ParsedReply ParseQueryReply(const QueryReply& reply);

class QuerySession {
  public:
    using Clock = std::chrono::steady_clock;
    // The largest datagram Winsock hands over (its iMaxUdpDg). A larger one never reaches a
    // Windows program, so it is no reply here either, whatever the system below delivers.
    static constexpr std::size_t kLargestDatagram = 65467;
    static constexpr std::chrono::milliseconds kNextFormDelay{300};
    static constexpr std::chrono::milliseconds kDefaultTimeout{1500};
    // A caller's timer may tick a little early: Windows counts timers in steps of its 15.6 ms
    // clock tick. The further requests go out on such a tick rather than a whole tick later.
    static constexpr std::chrono::milliseconds kTimerSlack{20};

    struct Action {
        enum class Kind {
            kNothing,  // wait on
            kShow,     // show `reply`
            kSend,     // send `requests` to the server, in order
            kGiveUp,   // no response from the server
        };
        Kind kind = Kind::kNothing;
        std::optional<QueryReply> reply;
        std::vector<std::string> requests;
    };

    // `address` is the user's text for the server, the key of `memory` (which may be null);
    // `requestId` tells this query's GameSpy 2 reply from any other. The first request goes
    // out at `start`, and the query gives up `timeout` after it. In automatic mode a server
    // that `memory` knows nothing of is asked `firstGuess` first.
    QuerySession(std::string address, QueryProtocol protocol, DialectMemory* memory, std::uint32_t requestId,
                 Clock::time_point start, std::chrono::milliseconds timeout = kDefaultTimeout,
                 Dialect firstGuess = Dialect::kBasic);

    // The bytes of the first request, sent at the start.
    std::string Request() const;

    // A datagram from the queried server (the caller checks the sender). One larger than
    // kLargestDatagram is dropped.
    Action OnDatagram(std::string_view datagram, Clock::time_point now);

    // When the session has something to do by itself next (ask the other forms, ask again,
    // show held parts, give up); nothing once it has answered or given up with nothing held.
    // The caller runs OnDeadline at or after it; a call before it does nothing.
    std::optional<Clock::time_point> Deadline() const;
    Action OnDeadline(Clock::time_point now);

    // No further request (another form, the second asking) goes out before `until`; the
    // timeout stays where it was. For a caller that sees the server's host still busy
    // answering its other queries: what this server was asked is then most likely waiting
    // its turn there, and asking more would only lengthen that host's queue.
    void HoldRequests(Clock::time_point until);

    // The caller's own timer for the whole query has run out (the stats window's timeout).
    // While parts of a split reply are held it waits for them, up to a parts timeout more.
    Action OnTimeout(Clock::time_point now);

    // From the first request of the protocol that answered to the first datagram taken from
    // the server; nothing before one came.
    std::optional<Clock::duration> RoundTrip() const { return roundTrip_; }

    bool Answered() const { return answered_.has_value(); }
    // Parts of a split reply are held, waiting for the rest.
    bool HoldsParts() const { return assembler_.Waiting(); }

  private:
    static constexpr int kForms = 3;

    std::string RequestFor(Dialect dialect) const;
    // Marks the forms asked at `now` and answers the action that sends them.
    Action Ask(const std::vector<Dialect>& forms, Clock::time_point now);
    Action AskOtherForms(Clock::time_point now);
    Action AskAgain(Clock::time_point now);
    Action ShowGameSpy1(std::string reply, Clock::time_point now);
    Action Show(QueryReply reply);
    void Heard(Dialect dialect, Clock::time_point now);
    void Remember(Dialect dialect);
    bool Asked(Dialect dialect) const { return sentAt_[static_cast<int>(dialect)].has_value(); }
    bool Accepts(Dialect dialect) const;
    Clock::duration OtherFormsDelay() const;
    Clock::time_point OtherFormsAt() const { return start_ + OtherFormsDelay(); }
    Clock::time_point RetryAt() const;
    // The first moment a further request may go out that is due at `at`.
    Clock::time_point NotHeld(Clock::time_point at) const { return std::max(at, heldUntil_); }
    Clock::time_point TimeoutAt() const { return start_ + timeout_; }
    // The latest a query with parts on their way is given up.
    Clock::time_point HardEnd() const { return TimeoutAt() + ReplyAssembler::kPartsTimeout; }

    std::string address_;
    QueryProtocol protocol_;
    DialectMemory* memory_;
    std::uint32_t requestId_;
    Clock::time_point start_;
    std::chrono::milliseconds timeout_;
    Dialect first_;
    std::optional<Clock::time_point> sentAt_[kForms];
    bool otherFormsDue_;  // the other forms are still to be asked if nothing comes
    bool retryDue_ = true;
    bool heardText_ = false;    // a GameSpy 1 datagram came
    bool shortAnswer_ = false;  // "\basic\" got the standard's short answer
    bool timedOut_ = false;
    bool gaveUp_ = false;
    Clock::time_point heldUntil_{};
    std::optional<Clock::time_point> otherFormsAsked_;
    std::optional<Dialect> answered_;
    std::optional<Clock::duration> roundTrip_;
    ReplyAssembler assembler_;
};

}  // namespace vantorel
