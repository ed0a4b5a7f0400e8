#include "query/query_session.h"

#include <array>

#include "query/gamespy2_reply.h"

namespace vantorel {
namespace {

// The keys that the standard leaves out of its answer to "\basic\" and that the window shows.
bool HoldsStatus(std::string_view reply) {
    std::array<modBFVQueryParse::KeyLookup, 4> keys{{
        {"hostname", false, {}},
        {"numplayers", false, {}},
        {"maxplayers", false, {}},
        {"mapname", false, {}},
    }};
    modBFVQueryParse::LookUpKeys(reply, keys);
    for (const modBFVQueryParse::KeyLookup& key : keys) {
        if (key.found) {
            return true;
        }
    }
    return false;
}

bool IsGameSpy1(Dialect dialect) {
    return dialect != Dialect::kGameSpy2;
}

}  // namespace

const char* DialectName(Dialect dialect) {
    switch (dialect) {
        case Dialect::kBasic: return "basic";
        case Dialect::kStatus: return "status";
        case Dialect::kGameSpy2: return "gs2";
    }
    return "";
}

std::optional<Dialect> DialectMemory::Recall(const std::string& address) const {
    const auto found = dialects_.find(address);
    if (found == dialects_.end()) {
        return std::nullopt;
    }
    return found->second;
}

void DialectMemory::Remember(const std::string& address, Dialect dialect) {
    dialects_[address] = dialect;
}

int ParseQueryReply(const QueryReply& reply) {
    if (reply.dialect == Dialect::kGameSpy2) {
        return modBFVQueryParse::ParseServerPairs(reply.pairs);
    }
    return modBFVQueryParse::ParseServerReply(reply.text);
}

QuerySession::QuerySession(std::string address, QueryProtocol protocol, DialectMemory* memory, std::uint32_t requestId)
    : address_(std::move(address)), protocol_(protocol), memory_(memory), requestId_(requestId) {
    switch (protocol_) {
        case QueryProtocol::kBasic: asking_ = Dialect::kBasic; break;
        case QueryProtocol::kStatus: asking_ = Dialect::kStatus; break;
        case QueryProtocol::kGameSpy2: asking_ = Dialect::kGameSpy2; break;
        case QueryProtocol::kAuto: {
            const std::optional<Dialect> known = memory_ ? memory_->Recall(address_) : std::nullopt;
            asking_ = known.value_or(Dialect::kBasic);
            break;
        }
    }
    if (IsGameSpy1(asking_)) {
        gameSpy1_ = asking_;
    }
}

std::string QuerySession::RequestFor(Dialect dialect) const {
    switch (dialect) {
        case Dialect::kBasic: return "\\basic\\";
        case Dialect::kStatus: return "\\status\\";
        case Dialect::kGameSpy2: return gameSpy2::Request(requestId_);
    }
    return {};
}

std::string QuerySession::Request() const {
    return RequestFor(asking_);
}

QuerySession::Action QuerySession::Send(Dialect dialect) {
    asking_ = dialect;
    if (IsGameSpy1(dialect)) {
        gameSpy1_ = dialect;
    }
    Action action;
    action.kind = Action::Kind::kSend;
    action.request = RequestFor(dialect);
    return action;
}

void QuerySession::Remember(Dialect dialect) {
    if (memory_ && protocol_ == QueryProtocol::kAuto) {
        memory_->Remember(address_, dialect);
    }
}

QuerySession::Action QuerySession::OnDatagram(std::string_view datagram, Clock::time_point now) {
    if (datagram.size() > kLargestDatagram) {
        return {};
    }
    // After the fallback both protocols are awaited: a slow server's first answer still counts.
    const bool wantGameSpy2 = asking_ == Dialect::kGameSpy2 || (fellBack_ && protocol_ == QueryProtocol::kAuto);
    const bool wantGameSpy1 = IsGameSpy1(asking_) || (fellBack_ && protocol_ == QueryProtocol::kAuto);
    if (gameSpy2::LooksLikeReply(datagram)) {
        if (!wantGameSpy2) {
            return {};
        }
        std::optional<std::vector<modBFVQueryParse::KeyValue>> pairs = gameSpy2::ParseReply(datagram, requestId_);
        if (!pairs) {
            return {};  // another request's reply, or no reply at all
        }
        Remember(Dialect::kGameSpy2);
        asking_ = Dialect::kGameSpy2;
        Action action;
        action.kind = Action::Kind::kShow;
        action.reply = QueryReply{Dialect::kGameSpy2, {}, std::move(*pairs)};
        return action;
    }
    if (!wantGameSpy1) {
        return {};
    }
    std::optional<std::string> reply = assembler_.Add(datagram, now);
    if (!reply) {
        return {};
    }
    return ShowGameSpy1(std::move(*reply));
}

QuerySession::Action QuerySession::ShowGameSpy1(std::string reply) {
    if (!IsGameSpy1(asking_)) {
        asking_ = gameSpy1_;  // the late answer to the text request
    }
    if (asking_ == Dialect::kBasic && protocol_ == QueryProtocol::kAuto && !askedStatus_ && !HoldsStatus(reply)) {
        askedStatus_ = true;
        Remember(Dialect::kStatus);
        return Send(Dialect::kStatus);
    }
    Remember(asking_);
    Action action;
    action.kind = Action::Kind::kShow;
    action.reply = QueryReply{asking_, std::move(reply), {}};
    return action;
}

QuerySession::Action QuerySession::OnTimeout() {
    if (assembler_.Waiting()) {
        return {};
    }
    if (protocol_ == QueryProtocol::kAuto && !fellBack_) {
        fellBack_ = true;
        return Send(IsGameSpy1(asking_) ? Dialect::kGameSpy2 : Dialect::kBasic);
    }
    Action action;
    action.kind = Action::Kind::kGiveUp;
    return action;
}

QuerySession::Action QuerySession::OnPartsDue(Clock::time_point now) {
    std::optional<std::string> reply = assembler_.Expire(now);
    if (!reply) {
        return {};
    }
    return ShowGameSpy1(std::move(*reply));
}

}  // namespace vantorel
