// The legacy protocol: the greeting, the request, and the list answer in both encodings,
// hostile ones included.

#include <gtest/gtest.h>

#include <string>

#include "answer_bytes.h"
#include "browse/legacy_answer.h"
#include "browse/legacy_exchange.h"

namespace vantorel::browse {
namespace {

using testing::B;
using testing::InPieces;

TEST(LegacyGreeting, ChallengeErrorOrNone) {
    struct Case {
        std::string received;
        bool settled;
        Greeting::Kind kind;
        const char* text;
    };
    const Case cases[] = {
        {"\\basic\\\\secure\\ABCDEF", false, Greeting::Kind::kChallenge, "ABCDEF"},
        {"\\basic\\\\secure\\ABC", false, Greeting::Kind::kNeedMore, ""},
        {"\\basic\\\\secure\\ABC", true, Greeting::Kind::kChallenge, "ABC"},
        {"\\basic\\\\secure\\ABCDEFGH\\final\\", false, Greeting::Kind::kChallenge, "ABCDEFGH"},
        {"\\error\\Banned\\", false, Greeting::Kind::kError, "Banned"},
        {"\\basic\\", false, Greeting::Kind::kNeedMore, ""},
        {"\\basic\\", true, Greeting::Kind::kNotGreeting, ""},
        {"HTTP/1.0 400", false, Greeting::Kind::kNotGreeting, ""},
    };
    for (const Case& c : cases) {
        const Greeting greeting = ReadGreeting(c.received, c.settled);
        EXPECT_EQ(greeting.kind, c.kind) << c.received;
        EXPECT_EQ(greeting.text, c.text) << c.received;
    }
}

TEST(LegacyRequest, ValidationEnctypeAndFilter) {
    EXPECT_EQ(LegacyRequest("ABCDEF", 2, ""),
              "\\gamename\\bfvietnam\\gamever\\2\\location\\0\\validate\\nFA8v/lN\\enctype\\2\\final\\\\queryid\\1.1\\"
              "\\list\\cmp\\gamename\\bfvietnam\\final\\");
    EXPECT_EQ(
        LegacyRequest("ABCDEF", 0, "numplayers > 0").substr(58),
        "\\enctype\\0\\final\\\\queryid\\1.1\\\\list\\cmp\\gamename\\bfvietnam\\where\\(numplayers > 0)\\final\\");
    EXPECT_TRUE(LegacyFilterProblem("a\\b"));
    EXPECT_FALSE(LegacyFilterProblem("hostname LIKE '%Hue%' AND numplayers > 0"));
}

TEST(LegacyAnswer, ListsMarkersAndFaultsInEveryReadSize) {
    struct Case {
        const char* what;
        int enctype;
        std::string wire;
        std::size_t kept;
        bool complete;
        const char* reason;  // empty when whole
    };
    const std::string two = B("\x01\x02\x03\x04\x59\xD8\x05\x06\x07\x08\x59\xD9");
    const Case cases[] = {
        {"plain list", 0, two + "\\final\\", 2, true, ""},
        {"a record that begins like the end marker", 0, "\\final" + two.substr(0, 6) + "\\final\\", 2, true, ""},
        {"enciphered list", 2, testing::LegacyEnciphered(two + "\\final\\"), 2, true, ""},
        {"refusal", 0, "\\error\\Validation error\\", 0, false, "its error: Validation error"},
        {"refusal before an enciphered list's header", 2, "\\error\\Validation error\\", 0, false,
         "its error: Validation error"},
        {"error after a record", 2, testing::LegacyEnciphered(two.substr(0, 6) + "\\error\\Overloaded\\"), 1, false,
         "its error: Overloaded"},
        {"stops mid-record", 0, two + "\x09", 2, false, "closed before the end of its list"},
        {"a list key of no bytes", 2, B("\xEC") + two, 0, false, "malformed answer: a list key of no bytes"},
    };
    for (const Case& c : cases) {
        for (const std::size_t piece : {1u, 37u, 0u}) {
            MasterList list;
            LegacyAnswer answer(list, c.enctype);
            InPieces(c.wire, piece, [&](std::string_view bytes) { answer.Feed(bytes); });
            answer.Finish(false);
            EXPECT_EQ(list.Servers().size(), c.kept) << c.what << " " << piece;
            EXPECT_EQ(list.Complete(), c.complete) << c.what;
            EXPECT_EQ(list.Fault() ? list.Fault()->Reason() : "", c.reason) << c.what;
        }
    }
}

// A master that sends without end: the list stops at its limit, with what came before it.
TEST(LegacyAnswer, EndlessListStopsAtTheLimit) {
    MasterList list;
    LegacyAnswer answer(list, 0);
    const std::string records(6 * 1000, '\x0A');
    for (int i = 0; i < 70 && !answer.Stopped(); ++i) {
        answer.Feed(records);
    }
    EXPECT_TRUE(answer.Stopped());
    EXPECT_EQ(list.Servers().size(), ListLimits::kMostServers);
    EXPECT_EQ(list.Fault()->Reason(), "malformed answer: more than 65536 servers");
}

}  // namespace
}  // namespace vantorel::browse
