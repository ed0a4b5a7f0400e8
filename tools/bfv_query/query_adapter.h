#pragma once
// The one place where bfv-query uses the stats window's query session (which request, the
// fallbacks, the joining of split replies); each answer is summarised as it comes
// (reply_summary.h).
// The engine gives each server's QueryProtocol the datagrams from that server and its
// timeouts, and sends what it asks for; nothing here knows about sockets.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "query/query_session.h"
#include "query/reply_assembler.h"
#include "result.h"

namespace vantorel::bfvQuery {

// auto, or one protocol forced, as the stats window's session takes it.
using Protocol = ::vantorel::QueryProtocol;

std::optional<Protocol> ParseProtocol(std::string_view name);
const char* ProtocolName(Protocol protocol);

class QueryProtocol {
  public:
    using Clock = std::chrono::steady_clock;

    enum class Step {
        kWaiting,   // more datagrams are expected
        kAnswered,  // the answer is in `report` and `protocol`
        kSend,      // send Requests() to the server
        kNoAnswer,  // give up: the server did not answer
    };

    // `requestId` tells this query's GameSpy 2 reply from any other. The first request goes
    // out at `start`; the query gives up `timeout` after it.
    explicit QueryProtocol(Protocol protocol, std::uint32_t requestId = 0, Clock::time_point start = Clock::now(),
                           std::chrono::milliseconds timeout = QuerySession::kDefaultTimeout);

    // The first request, and what to send now (the first request at the start).
    std::string_view Request() const { return requests_.front(); }
    const std::vector<std::string>& Requests() const { return requests_; }

    Step OnDatagram(std::string_view bytes, Clock::time_point now, Result* result);
    // When the query next has a step of its own: further requests, held parts shown, the end.
    std::optional<Clock::time_point> Deadline() const { return session_.Deadline(); }
    Step OnDeadline(Clock::time_point now, Result* result);
    // From the request of the protocol that answered to its first datagram.
    std::optional<double> RoundTripMs() const;
    // Parts of a split reply are held, waiting for the rest.
    bool HoldsParts() const { return session_.HoldsParts(); }

  private:
    Step Follow(QuerySession::Action action, Result* result);

    QuerySession session_;
    std::vector<std::string> requests_;
};

}  // namespace vantorel::bfvQuery
