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
        kWaiting,    // more datagrams are expected
        kAnswered,   // the answer is in `report` and `protocol`
        kSendAgain,  // send Request() again and wait one more timeout
        kNoAnswer,   // give up: the server did not answer
    };

    // How long the parts of a split reply are waited for, from the first that arrived.
    static constexpr std::chrono::milliseconds kPartsTimeout = ReplyAssembler::kPartsTimeout;

    // `requestId` tells this query's GameSpy 2 reply from any other.
    explicit QueryProtocol(Protocol protocol, std::uint32_t requestId = 0);

    // The bytes to send now.
    std::string_view Request() const { return request_; }

    Step OnDatagram(std::string_view bytes, Clock::time_point now, Result* result);
    // When held parts of a split reply are due to be given up; nothing when none are held.
    std::optional<Clock::time_point> PartsDeadline() const { return session_.PartsDeadline(); }
    // At or after the parts deadline: what arrived is the answer.
    Step OnPartsDeadline(Clock::time_point now, Result* result);
    // The query's own timeout ran out with no answer.
    Step OnTimeout(Clock::time_point now);

  private:
    Step Follow(QuerySession::Action action, Result* result);

    QuerySession session_;
    std::string request_;
};

}  // namespace vantorel::bfvQuery
