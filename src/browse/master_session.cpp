#include "browse/master_session.h"

#include <algorithm>
#include <random>

#include "browse/legacy_answer.h"
#include "browse/legacy_exchange.h"
#include "browse/newer_answer.h"
#include "browse/newer_request.h"

namespace vantorel::browse {
namespace {

std::string RandomChallenge() {
    std::random_device device;
    std::mt19937 random(device());
    return MakeClientChallenge(random);
}

}  // namespace

MasterSession::MasterSession(Settings settings, Clock::time_point now)
    : settings_(std::move(settings)), endAt_(now + settings_.timeout), connectingAt_(now) {
    if (settings_.clientChallenge.empty()) {
        settings_.clientChallenge = RandomChallenge();
    }
    if (settings_.protocol != ListProtocol::kDetect) {
        spoken_ = settings_.protocol;
    }
}

MasterSession::~MasterSession() = default;

std::optional<std::string> MasterSession::FilterProblem(std::string_view filter) {
    return LegacyFilterProblem(filter);
}

MasterSession::Step MasterSession::End(std::optional<MasterFault> fault) {
    if (fault) {
        list_.SetFault(std::move(*fault));
    }
    stage_ = Stage::kDone;
    return {{}, true};
}

MasterSession::Step MasterSession::OnConnected(Clock::time_point now) {
    if (stage_ != Stage::kConnecting) {
        return {};
    }
    if (settings_.protocol == ListProtocol::kNewer) {
        return SendNewerRequest();
    }
    stage_ = Stage::kGreeting;
    if (settings_.protocol == ListProtocol::kDetect) {
        // A legacy master greets as it accepts: its greeting comes about one round trip after
        // the connection, and the connection took one. A few round trips, never less than a
        // moment for a busy host, tell a silent master from a slow one without making every
        // newer master wait the longest wait.
        const auto roundTrip = std::chrono::duration_cast<std::chrono::milliseconds>(now - connectingAt_);
        const auto wait = std::clamp(kGreetingRoundTrips * roundTrip, kShortestGreetingWait, settings_.greetingWait);
        greetingAt_ = now + std::min(wait, settings_.greetingWait);
    }
    return {};
}

MasterSession::Step MasterSession::OnConnectFailed(std::string reason) {
    if (stage_ == Stage::kDone) {
        return {};
    }
    return End(MasterFault{MasterFault::Kind::kUnreachable, PrintableText(reason)});
}

MasterSession::Step MasterSession::SendNewerRequest() {
    spoken_ = ListProtocol::kNewer;
    ListRequest request;
    request.challenge = settings_.clientChallenge;
    request.filter = settings_.filter;
    request.fields = settings_.fields;
    request.options = listOption::kFieldsForAll | (settings_.pushUpdates ? listOption::kPushUpdates : 0);
    std::string why;
    std::string bytes = EncodeListRequest(request, &why);
    if (bytes.empty()) {
        return End(MasterFault{MasterFault::Kind::kNotSent, why});
    }
    newer_ = std::make_unique<NewerAnswer>(list_, settings_.clientChallenge, settings_.pushUpdates);
    stage_ = Stage::kNewerAnswer;
    greetingAt_.reset();
    return {std::move(bytes), false};
}

MasterSession::Step MasterSession::SendLegacyRequest(const std::string& challenge) {
    spoken_ = ListProtocol::kLegacy;
    if (const std::optional<std::string> problem = LegacyFilterProblem(settings_.filter)) {
        return End(MasterFault{MasterFault::Kind::kNotSent, *problem});
    }
    const int enctype = settings_.enctype == 2 ? 2 : 0;
    legacy_ = std::make_unique<LegacyAnswer>(list_, enctype);
    stage_ = Stage::kLegacyAnswer;
    greetingAt_.reset();
    return {LegacyRequest(challenge, enctype, settings_.filter), false};
}

MasterSession::Step MasterSession::ReadGreeting(bool settled) {
    const Greeting greeting = browse::ReadGreeting(greeting_, settled);
    switch (greeting.kind) {
        case Greeting::Kind::kNeedMore: return {};
        case Greeting::Kind::kChallenge: return SendLegacyRequest(greeting.text);
        case Greeting::Kind::kError: return End(MasterFault{MasterFault::Kind::kMasterError, greeting.text});
        case Greeting::Kind::kNotGreeting:
            return End(MasterFault{MasterFault::Kind::kMalformed,
                                   "it spoke first, but not a greeting: " + PrintableText(greeting_.substr(0, 32))});
    }
    return {};
}

MasterSession::Step MasterSession::AfterAnswer(std::string send) {
    const bool ended = newer_ ? (newer_->Stopped() || (newer_->ListEnded() && !settings_.pushUpdates))
                              : (legacy_->Stopped() || legacy_->ListEnded());
    if (ended) {
        Step step = End(std::nullopt);
        step.send = std::move(send);
        return step;
    }
    return {std::move(send), false};
}

MasterSession::Step MasterSession::OnBytes(std::string_view bytes, Clock::time_point now) {
    switch (stage_) {
        case Stage::kConnecting:
        case Stage::kDone: return {};
        case Stage::kGreeting:
            // Whatever a master says before it has the request is its greeting.
            greeting_.append(bytes.substr(0, kLongestGreeting + 1 - std::min(greeting_.size(), kLongestGreeting + 1)));
            if (!greetingAt_ || settings_.protocol != ListProtocol::kDetect) {
                greetingAt_ = now + settings_.greetingWait;
            }
            return ReadGreeting(false);
        case Stage::kNewerAnswer: {
            // A legacy master slower to greet than the wait: answer its greeting after all.
            if (settings_.protocol == ListProtocol::kDetect && !answerStarted_ && !bytes.empty() && bytes[0] == '\\') {
                stage_ = Stage::kGreeting;
                newer_.reset();
                return OnBytes(bytes, now);
            }
            answerStarted_ = answerStarted_ || !bytes.empty();
            return AfterAnswer(newer_->Feed(bytes));
        }
        case Stage::kLegacyAnswer: legacy_->Feed(bytes); return AfterAnswer({});
    }
    return {};
}

MasterSession::Step MasterSession::OnClosed() {
    switch (stage_) {
        case Stage::kDone: return {};
        case Stage::kConnecting: return End(MasterFault{MasterFault::Kind::kCutShort, {}});
        case Stage::kGreeting: {
            if (!greeting_.empty()) {
                const Step step = ReadGreeting(true);
                if (stage_ == Stage::kDone) {
                    return step;
                }
            }
            return End(MasterFault{MasterFault::Kind::kCutShort, {}});
        }
        case Stage::kNewerAnswer: newer_->Finish(false); return End(std::nullopt);
        case Stage::kLegacyAnswer: legacy_->Finish(false); return End(std::nullopt);
    }
    return {};
}

std::optional<MasterSession::Clock::time_point> MasterSession::Deadline() const {
    if (stage_ == Stage::kDone) {
        return std::nullopt;
    }
    if (settings_.pushUpdates && list_.Complete()) {
        return std::nullopt;  // a live list has no end of its own
    }
    if (greetingAt_ && *greetingAt_ < endAt_) {
        return greetingAt_;
    }
    return endAt_;
}

MasterSession::Step MasterSession::OnTime(Clock::time_point now) {
    if (stage_ == Stage::kDone || (settings_.pushUpdates && list_.Complete())) {
        return {};
    }
    if (now >= endAt_) {
        switch (stage_) {
            case Stage::kNewerAnswer: newer_->Finish(true); return End(std::nullopt);
            case Stage::kLegacyAnswer: legacy_->Finish(true); return End(std::nullopt);
            default: return End(MasterFault{MasterFault::Kind::kTimedOut, {}});
        }
    }
    if (stage_ == Stage::kGreeting && greetingAt_ && now >= *greetingAt_) {
        greetingAt_.reset();
        if (greeting_.empty()) {
            return SendNewerRequest();  // silent so far: a newer master, waiting to be asked
        }
        return ReadGreeting(true);
    }
    return {};
}

}  // namespace vantorel::browse
