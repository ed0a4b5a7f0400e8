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

QueryProtocol::QueryProtocol(Protocol protocol, std::uint32_t requestId)
    : session_({}, protocol, nullptr, requestId), request_(session_.Request()) {}

QueryProtocol::Step QueryProtocol::OnDatagram(std::string_view bytes, Clock::time_point now, Result* result) {
    return Follow(session_.OnDatagram(bytes, now), result);
}

QueryProtocol::Step QueryProtocol::OnPartsDeadline(Clock::time_point now, Result* result) {
    return Follow(session_.OnPartsDue(now), result);
}

QueryProtocol::Step QueryProtocol::OnTimeout(Clock::time_point) {
    // The engine calls this only once it has waited for held parts as long as it will, so a
    // session still holding some has met a server that keeps starting new sets.
    const QuerySession::Action action = session_.OnTimeout();
    return action.kind == QuerySession::Action::Kind::kNothing ? Step::kNoAnswer : Follow(action, nullptr);
}

QueryProtocol::Step QueryProtocol::Follow(QuerySession::Action action, Result* result) {
    switch (action.kind) {
        case QuerySession::Action::Kind::kNothing: return Step::kWaiting;
        case QuerySession::Action::Kind::kSend: request_ = std::move(action.request); return Step::kSendAgain;
        case QuerySession::Action::Kind::kGiveUp: return Step::kNoAnswer;
        case QuerySession::Action::Kind::kShow: break;
    }
    result->protocol = DialectName(action.reply->dialect);
    result->report = SummarizeReply(*action.reply);
    return Step::kAnswered;
}

}  // namespace vantorel::bfvQuery
