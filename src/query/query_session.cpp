#include "query/query_session.h"

#include <algorithm>
#include <array>

#include "query/gamespy2_reply.h"

namespace vantorel {
namespace {

// The keys that the standard leaves out of its answer to "\basic\" and that the window shows.
bool HoldsStatus(std::string_view reply) {
    std::array<modBFVQueryParse::KeyLookup, std::size(modBFVQueryParse::kStatusKeys)> keys{};
    for (std::size_t i = 0; i < keys.size(); ++i) {
        keys[i].key = modBFVQueryParse::ServerFields()[modBFVQueryParse::kStatusKeys[i]].key;
    }
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

modBFVQueryParse::ParsedReply ParseQueryReply(const QueryReply& reply) {
    if (reply.dialect == Dialect::kGameSpy2) {
        return modBFVQueryParse::ParsePairs(reply.pairs);
    }
    return modBFVQueryParse::ParseReply(reply.text);
}

QuerySession::QuerySession(std::string address, QueryProtocol protocol, DialectMemory* memory, std::uint32_t requestId,
                           Clock::time_point start, std::chrono::milliseconds timeout, Dialect firstGuess)
    : address_(std::move(address)),
      protocol_(protocol),
      memory_(memory),
      requestId_(requestId),
      start_(start),
      timeout_(timeout),
      otherFormsDue_(protocol == QueryProtocol::kAuto) {
    switch (protocol_) {
        case QueryProtocol::kBasic: first_ = Dialect::kBasic; break;
        case QueryProtocol::kStatus: first_ = Dialect::kStatus; break;
        case QueryProtocol::kGameSpy2: first_ = Dialect::kGameSpy2; break;
        case QueryProtocol::kAuto: {
            const std::optional<Dialect> known = memory_ ? memory_->Recall(address_) : std::nullopt;
            first_ = known.value_or(firstGuess);
            break;
        }
    }
    sentAt_[static_cast<int>(first_)] = start;
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
    return RequestFor(first_);
}

QuerySession::Action QuerySession::Ask(const std::vector<Dialect>& forms, Clock::time_point now) {
    Action action;
    for (const Dialect form : forms) {
        std::optional<Clock::time_point>& sent = sentAt_[static_cast<int>(form)];
        if (!sent) {
            sent = now;
        }
        action.requests.push_back(RequestFor(form));
    }
    if (!action.requests.empty()) {
        action.kind = Action::Kind::kSend;
    }
    return action;
}

QuerySession::Action QuerySession::AskOtherForms(Clock::time_point now) {
    otherFormsDue_ = false;
    otherFormsAsked_ = now;
    // "\status\" holds all that "\basic\" may, so a server asked "\status\" first needs only
    // the other protocol; one remembered as GameSpy 2 is asked the design's request.
    std::vector<Dialect> forms;
    switch (first_) {
        case Dialect::kBasic: forms = {Dialect::kStatus, Dialect::kGameSpy2}; break;
        case Dialect::kStatus: forms = {Dialect::kGameSpy2}; break;
        case Dialect::kGameSpy2: forms = {Dialect::kBasic}; break;
    }
    return Ask(forms, now);
}

QuerySession::Action QuerySession::AskAgain(Clock::time_point now) {
    retryDue_ = false;
    std::vector<Dialect> forms;
    for (const Dialect form : {Dialect::kBasic, Dialect::kStatus, Dialect::kGameSpy2}) {
        // A form whose answer is known not to help is not asked again.
        const bool useless = (form == Dialect::kBasic && shortAnswer_) || (form == Dialect::kGameSpy2 && heardText_);
        if (Asked(form) && !useless) {
            forms.push_back(form);
        }
    }
    return Ask(forms, now);
}

void QuerySession::Remember(Dialect dialect) {
    if (memory_ && protocol_ == QueryProtocol::kAuto) {
        memory_->Remember(address_, dialect);
    }
}

bool QuerySession::Accepts(Dialect dialect) const {
    if (answered_) {
        return IsGameSpy1(*answered_) == IsGameSpy1(dialect);
    }
    return IsGameSpy1(dialect) ? Asked(Dialect::kBasic) || Asked(Dialect::kStatus) : Asked(Dialect::kGameSpy2);
}

void QuerySession::Heard(Dialect dialect, Clock::time_point now) {
    otherFormsDue_ = false;
    std::optional<Clock::time_point> sent = sentAt_[static_cast<int>(dialect)];
    if (IsGameSpy1(dialect)) {
        heardText_ = true;
        const std::optional<Clock::time_point>& other = sentAt_[static_cast<int>(Dialect::kStatus)];
        if (!sent || (other && *other < *sent)) {
            sent = other;
        }
    }
    if (!roundTrip_ && sent) {
        roundTrip_ = now - *sent;
    }
}

QuerySession::Action QuerySession::OnDatagram(std::string_view datagram, Clock::time_point now) {
    if (datagram.size() > kLargestDatagram) {
        return {};
    }
    if (gameSpy2::LooksLikeReply(datagram)) {
        if (!Accepts(Dialect::kGameSpy2)) {
            return {};
        }
        std::optional<std::vector<modBFVQueryParse::KeyValue>> pairs = gameSpy2::ParseReply(datagram, requestId_);
        if (!pairs) {
            return {};  // another request's reply, or no reply at all
        }
        Heard(Dialect::kGameSpy2, now);
        return Show(QueryReply{Dialect::kGameSpy2, {}, std::move(*pairs)});
    }
    if (!Accepts(Dialect::kBasic)) {
        return {};
    }
    Heard(Dialect::kBasic, now);
    std::optional<std::string> reply = assembler_.Add(datagram, now);
    if (!reply) {
        return {};
    }
    return ShowGameSpy1(std::move(*reply), now);
}

QuerySession::Action QuerySession::ShowGameSpy1(std::string reply, Clock::time_point now) {
    if (protocol_ == QueryProtocol::kAuto && Asked(Dialect::kBasic) && !HoldsStatus(reply)) {
        if (!shortAnswer_) {
            shortAnswer_ = true;
            Remember(Dialect::kStatus);
            return Ask(Asked(Dialect::kStatus) ? std::vector<Dialect>{} : std::vector<Dialect>{Dialect::kStatus}, now);
        }
        if (answered_) {
            return {};  // a late short answer never replaces a whole one
        }
    }
    // Once "\status\" has gone out the answer may be to either request; asking "\status\"
    // first next time suits both kinds of server.
    return Show(QueryReply{Asked(Dialect::kStatus) ? Dialect::kStatus : Dialect::kBasic, std::move(reply), {}});
}

QuerySession::Action QuerySession::Show(QueryReply reply) {
    answered_ = reply.dialect;
    otherFormsDue_ = false;
    retryDue_ = false;
    Remember(reply.dialect);
    Action action;
    action.kind = Action::Kind::kShow;
    action.reply = std::move(reply);
    return action;
}

QuerySession::Clock::duration QuerySession::OtherFormsDelay() const {
    return std::min<Clock::duration>(kNextFormDelay, timeout_ / 3);
}

QuerySession::Clock::time_point QuerySession::RetryAt() const {
    // Other forms held back past their moment push the second asking back as far, so that
    // the two never go out together.
    const Clock::time_point halfway = start_ + timeout_ / 2;
    if (!otherFormsAsked_) {
        return halfway;
    }
    return std::max(halfway, *otherFormsAsked_ + (timeout_ / 2 - OtherFormsDelay()));
}

std::optional<QuerySession::Clock::time_point> QuerySession::Deadline() const {
    std::optional<Clock::time_point> next;
    const auto consider = [&next](Clock::time_point at) {
        if (!next || at < *next) {
            next = at;
        }
    };
    if (const std::optional<Clock::time_point> parts = assembler_.Deadline()) {
        consider(*parts);
        if (!answered_ && !gaveUp_) {
            consider(HardEnd());
        }
    }
    if (!answered_ && !timedOut_) {
        if (otherFormsDue_) {
            consider(NotHeld(OtherFormsAt()));
        }
        if (retryDue_ && !assembler_.Waiting()) {
            consider(NotHeld(RetryAt()));
        }
        consider(TimeoutAt());
    }
    return next;
}

QuerySession::Action QuerySession::OnDeadline(Clock::time_point now) {
    if (assembler_.Waiting()) {
        if (std::optional<std::string> reply = assembler_.Expire(now)) {
            return ShowGameSpy1(std::move(*reply), now);
        }
        if (!answered_ && !gaveUp_ && now >= HardEnd()) {
            return OnTimeout(now);
        }
    }
    if (answered_ || timedOut_) {
        return {};
    }
    if (otherFormsDue_ && now + kTimerSlack >= OtherFormsAt() && now >= heldUntil_) {
        return AskOtherForms(now);
    }
    if (retryDue_ && !assembler_.Waiting() && now + kTimerSlack >= RetryAt() && now >= heldUntil_) {
        return AskAgain(now);
    }
    if (now >= TimeoutAt()) {
        return OnTimeout(now);
    }
    return {};
}

void QuerySession::HoldRequests(Clock::time_point until) {
    heldUntil_ = std::max(heldUntil_, until);
}

QuerySession::Action QuerySession::OnTimeout(Clock::time_point now) {
    timedOut_ = true;
    if (answered_ || gaveUp_) {
        return {};
    }
    // Parts on their way are waited for, up to the hard end: a server that keeps starting
    // new sets is not waited for without end.
    if (assembler_.Waiting() && now < HardEnd()) {
        return {};
    }
    gaveUp_ = true;
    Action action;
    action.kind = Action::Kind::kGiveUp;
    return action;
}

}  // namespace vantorel
