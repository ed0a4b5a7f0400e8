// One query's timeline: what is asked when, what is shown, when it gives up. Each case is a
// server's datagrams at set times; the session's own steps run at their deadlines between
// them, and the transcript lists every request, the answer shown and the end.

#include "query/query_session.h"

#include <gtest/gtest.h>

#include "query/gamespy2_reply.h"

namespace vantorel {
namespace {

using namespace std::string_literals;
using Clock = QuerySession::Clock;

constexpr std::uint32_t kId = 7;

const std::string kWhole = "\\hostname\\Alpha\\numplayers\\0\\maxplayers\\32\\final\\\\queryid\\1.1";
const std::string kShort = "\\gamename\\bfvietnam\\gamever\\v1.21\\final\\\\queryid\\2.1";
const std::string kGameSpy2 = "\0\0\0\0\x07hostname\0Alpha\0\0\0\0\0"s;

std::string SetPart(int set) {
    return "\\hostname\\Never\\queryid\\" + std::to_string(set) + ".1";
}

struct Datagram {
    int atMs;
    std::string bytes;
};

struct Case {
    const char* name;
    QueryProtocol protocol;
    std::vector<Datagram> datagrams;
    std::string transcript;
    int timeoutMs = 1500;
    Dialect firstGuess = Dialect::kBasic;
    int holdUntilMs = 0;  // further requests held until then
};

std::string FormOf(const std::string& request) {
    if (request == "\\basic\\") {
        return "basic";
    }
    if (request == "\\status\\") {
        return "status";
    }
    return request == gameSpy2::Request(kId) ? "gs2" : "?";
}

std::string Transcript(const Case& c) {
    const Clock::time_point start{};
    QuerySession session("10.0.0.1", c.protocol, nullptr, kId, start, std::chrono::milliseconds(c.timeoutMs),
                         c.firstGuess);
    session.HoldRequests(start + std::chrono::milliseconds(c.holdUntilMs));
    std::string transcript = FormOf(session.Request()) + "@0";
    const auto act = [&](const QuerySession::Action& action, Clock::time_point now) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - start).count();
        const std::string at = "@" + std::to_string(ms);
        switch (action.kind) {
            case QuerySession::Action::Kind::kNothing: break;
            case QuerySession::Action::Kind::kSend:
                for (const std::string& request : action.requests) {
                    transcript += " " + FormOf(request) + at;
                }
                break;
            case QuerySession::Action::Kind::kShow:
                transcript += " show " + std::string(DialectName(action.reply->dialect)) + at;
                break;
            case QuerySession::Action::Kind::kGiveUp: transcript += " give up" + at; break;
        }
    };
    const auto runDeadlinesUntil = [&](Clock::time_point until) {
        for (int guard = 0; guard < 100; ++guard) {
            const std::optional<Clock::time_point> due = session.Deadline();
            if (!due || *due > until) {
                return;
            }
            act(session.OnDeadline(*due), *due);
        }
        ADD_FAILURE() << "the session's deadline does not move on";
    };
    for (const Datagram& datagram : c.datagrams) {
        const Clock::time_point now = start + std::chrono::milliseconds(datagram.atMs);
        runDeadlinesUntil(now);
        act(session.OnDatagram(datagram.bytes, now), now);
    }
    runDeadlinesUntil(start + std::chrono::hours(1));
    return transcript;
}

TEST(QuerySessionTest, AsksEachFormInTimeAndGivesUpAfterOneTimeout) {
    std::vector<Datagram> newSets;  // a new incomplete set of parts every 300 ms
    for (int at = 100; at < 4000; at += 300) {
        newSets.push_back({at, SetPart(at)});
    }
    const Case cases[] = {
        {"basic", QueryProtocol::kAuto, {{40, kWhole}}, "basic@0 show basic@40"},
        {"standard", QueryProtocol::kAuto, {{40, kShort}, {80, kWhole}}, "basic@0 status@40 show status@80"},
        // A server that answers one other form only shows one round trip after it is asked.
        {"GameSpy 2 only", QueryProtocol::kAuto, {{340, kGameSpy2}}, "basic@0 status@300 gs2@300 show gs2@340"},
        {"status only", QueryProtocol::kAuto, {{340, kWhole}}, "basic@0 status@300 gs2@300 show status@340"},
        {"first answer wins",
         QueryProtocol::kAuto,
         {{340, kGameSpy2}, {350, kWhole}, {360, kGameSpy2}},
         "basic@0 status@300 gs2@300 show gs2@340 show gs2@360"},
        {"silent", QueryProtocol::kAuto, {}, "basic@0 status@300 gs2@300 basic@750 status@750 gs2@750 give up@1500"},
        {"lost once",
         QueryProtocol::kAuto,
         {{790, kWhole}},
         "basic@0 status@300 gs2@300 basic@750 status@750 gs2@750 show status@790"},
        {"another request's id",
         QueryProtocol::kAuto,
         {{340, "\0\0\0\0\x08hostname\0Alpha\0\0"s}},
         "basic@0 status@300 gs2@300 basic@750 status@750 gs2@750 give up@1500"},
        {"forced GameSpy 2", QueryProtocol::kGameSpy2, {{40, kWhole}}, "gs2@0 gs2@750 give up@1500"},
        {"forced basic", QueryProtocol::kBasic, {{40, kShort}}, "basic@0 show basic@40"},
        // The largest datagram Winsock hands over counts; a larger one is never a reply.
        {"oversized",
         QueryProtocol::kBasic,
         {{40, kWhole + std::string(65468 - kWhole.size(), 'x')}},
         "basic@0 basic@750 give up@1500"},
        {"largest",
         QueryProtocol::kBasic,
         {{40, kWhole + std::string(65467 - kWhole.size(), 'x')}},
         "basic@0 show basic@40"},
        {"parts past the timeout",
         QueryProtocol::kAuto,
         {{1400, SetPart(1)}},
         "basic@0 status@300 gs2@300 basic@750 "
         "status@750 gs2@750 show status@2400"},
        // Given up on; what the last set brought is still shown once the sets stop.
        {"endless part sets", QueryProtocol::kAuto, newSets, "basic@0 give up@2500 show basic@4700"},
        {"short timeout",
         QueryProtocol::kAuto,
         {},
         "basic@0 status@100 gs2@100 basic@150 status@150 gs2@150 give up@300",
         300},
        // "\status\" first, as many servers are asked: only the other protocol follows.
        {"status first", QueryProtocol::kAuto, {{40, kWhole}}, "status@0 show status@40", 1500, Dialect::kStatus},
        {"status first, silent",
         QueryProtocol::kAuto,
         {},
         "status@0 gs2@300 status@750 gs2@750 give up@1500",
         1500,
         Dialect::kStatus},
        // Held past their moment, the other forms go out at its end and push the second
        // asking back as far; the timeout stays.
        {"held",
         QueryProtocol::kAuto,
         {},
         "basic@0 status@900 gs2@900 basic@1350 status@1350 gs2@1350 give up@1500",
         1500,
         Dialect::kBasic,
         900},
        {"held past the timeout", QueryProtocol::kAuto, {}, "basic@0 give up@1500", 1500, Dialect::kBasic, 1600},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Transcript(c), c.transcript) << c.name;
    }
}

}  // namespace
}  // namespace vantorel
