#pragma once
// One status query of one server, without its transport: which request to send, what each
// datagram from that server means, and what to do when the answer is late. The stats window
// and bfv-query drive it with their own sockets and timers.
//
// In automatic mode it asks "\basic\" (or what the server answered last time). A complete
// reply without any of hostname, numplayers, maxplayers and mapname is the standard's short
// answer: it asks "\status\" at once and shows that instead. When no answer has come by the
// first timeout it sends the other protocol's request once (GameSpy 2 after GameSpy 1, and
// "\basic\" after a remembered GameSpy 2), and gives up only at the second.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "query/mod_bfv_query_parse.h"
#include "query/reply_assembler.h"

namespace vantorel {

// What the user or the caller asks for; kAuto finds out what the server speaks.
enum class QueryProtocol { kAuto, kBasic, kStatus, kGameSpy2 };

// The request a server answered.
enum class Dialect { kBasic, kStatus, kGameSpy2 };

// "basic", "status" or "gs2", as bfv-query names them.
const char* DialectName(Dialect dialect);

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

// Fills the server record and the player table from the reply; answers how many player
// entries it filled.
int ParseQueryReply(const QueryReply& reply);

class QuerySession {
  public:
    using Clock = std::chrono::steady_clock;
    // The largest datagram Winsock hands over (its iMaxUdpDg). A larger one never reaches a
    // Windows program, so it is no reply here either, whatever the system below delivers.
    static constexpr std::size_t kLargestDatagram = 65467;

    struct Action {
        enum class Kind {
            kNothing,  // wait on
            kShow,     // show `reply`
            kSend,     // send `request` to the server (and give it a timeout of its own)
            kGiveUp,   // no response from the server
        };
        Kind kind = Kind::kNothing;
        std::optional<QueryReply> reply;
        std::string request;
    };

    // `address` is the user's text for the server, the key of `memory` (which may be null);
    // `requestId` tells this query's GameSpy 2 reply from any other.
    QuerySession(std::string address, QueryProtocol protocol, DialectMemory* memory, std::uint32_t requestId);

    // The bytes of the first request.
    std::string Request() const;

    // A datagram from the queried server (the caller checks the sender). One larger than
    // kLargestDatagram is dropped.
    Action OnDatagram(std::string_view datagram, Clock::time_point now);

    // The caller's timeout for the last request sent has fired. While parts of a split reply
    // are held this waits for them (PartsDeadline) instead.
    Action OnTimeout();

    // Parts of a split reply stop being awaited at PartsDeadline: what came is shown.
    Action OnPartsDue(Clock::time_point now);
    std::optional<Clock::time_point> PartsDeadline() const { return assembler_.Deadline(); }

  private:
    std::string RequestFor(Dialect dialect) const;
    Action Send(Dialect dialect);
    Action ShowGameSpy1(std::string reply);
    void Remember(Dialect dialect);

    std::string address_;
    QueryProtocol protocol_;
    DialectMemory* memory_;
    std::uint32_t requestId_;
    Dialect asking_;
    Dialect gameSpy1_ = Dialect::kBasic;  // the text request asked last
    bool fellBack_ = false;               // the other protocol's request has gone out
    bool askedStatus_ = false;
    ReplyAssembler assembler_;
};

}  // namespace vantorel
