#include "query_adapter.h"

#include "reply_summary.h"

namespace vantorel::bfvQuery {

std::optional<Protocol> ParseProtocol(std::string_view name) {
    for (const Protocol protocol : {Protocol::kAuto, Protocol::kBasic, Protocol::kStatus, Protocol::kGameSpy2}) {
        if (name == ProtocolName(protocol)) {
            return protocol;
        }
    }
    return std::nullopt;
}

const char* ProtocolName(Protocol protocol) {
    switch (protocol) {
        case Protocol::kBasic: return "basic";
        case Protocol::kStatus: return "status";
        case Protocol::kGameSpy2: return "gs2";
        default: return "auto";
    }
}

QueryProtocol::QueryProtocol(Protocol protocol, std::uint32_t requestId, Clock::time_point start,
                             std::chrono::milliseconds timeout)
    : session_({}, protocol, nullptr, requestId, start, timeout), requests_{session_.Request()} {}

QueryProtocol::Step QueryProtocol::OnDatagram(std::string_view bytes, Clock::time_point now, Result* result) {
    return Follow(session_.OnDatagram(bytes, now), result);
}

QueryProtocol::Step QueryProtocol::OnDeadline(Clock::time_point now, Result* result) {
    return Follow(session_.OnDeadline(now), result);
}

std::optional<double> QueryProtocol::RoundTripMs() const {
    const std::optional<Clock::duration> roundTrip = session_.RoundTrip();
    if (!roundTrip) {
        return std::nullopt;
    }
    return std::chrono::duration<double, std::milli>(*roundTrip).count();
}

QueryProtocol::Step QueryProtocol::Follow(QuerySession::Action action, Result* result) {
    switch (action.kind) {
        case QuerySession::Action::Kind::kNothing: return Step::kWaiting;
        case QuerySession::Action::Kind::kSend: requests_ = std::move(action.requests); return Step::kSend;
        case QuerySession::Action::Kind::kGiveUp: return Step::kNoAnswer;
        case QuerySession::Action::Kind::kShow: break;
    }
    result->protocol = DialectName(action.reply->dialect);
    result->report = SummarizeReply(*action.reply);
    return Step::kAnswered;
}

}  // namespace vantorel::bfvQuery
