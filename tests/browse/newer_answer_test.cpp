// The newer protocol's answer: header, cipher and body in every read size, the later
// messages, and what a hostile master can send.

#include <gtest/gtest.h>

#include <string>

#include "answer_bytes.h"
#include "browse/newer_answer.h"

namespace vantorel::browse {
namespace {

using testing::B;
using testing::InPieces;
using testing::kEndMarker;
using testing::kPrelude;
using testing::NewerAnswerBytes;

using Fields = std::vector<std::pair<std::string, std::string>>;

// Keys: hostname (text), numplayers (byte), hostport (short); one popular value, "Hue".
const std::string kTable = B("\x03\x00hostname\x00\x01numplayers\x00\x02hostport\x00\x01Hue\x00");
// 10.0.0.1 on port 23001, its name in full.
const std::string kFirst =
    B("\x50\x0A\x00\x00\x01\x59\xD9\xFF"
      "Alpha\x00\x05\x3C\xCF");
// 10.0.0.2 on the default port, with every optional part, its name the popular value and
// one rule.
const std::string kSecond =
    B("\xEA\x0A\x00\x00\x02"
      "\xC0\xA8\x00\x02"
      "\x59\xD8"
      "\x0A\x00\x00\x02"
      "\x00\x20\x3C\xCF"
      "mod\x00"
      "bfv\x00\x00");

struct Received {
    MasterList list;
    std::string echo;
};

void Receive(Received& into, const std::string& wire, std::size_t piece, bool followUpdates, bool close) {
    NewerAnswer answer(into.list, std::string(testing::kChallenge), followUpdates);
    InPieces(wire, piece, [&](std::string_view bytes) { into.echo += answer.Feed(bytes); });
    if (close) {
        answer.Finish(false);
    }
}

TEST(NewerAnswer, ServersKeysAndPopularValuesInEveryReadSize) {
    const std::string wire = NewerAnswerBytes(kPrelude + kTable + kFirst + kSecond + kEndMarker);
    for (const std::size_t piece : {1u, 37u, 0u}) {
        Received got;
        Receive(got, wire, piece, false, false);
        EXPECT_TRUE(got.list.Complete()) << piece;
        EXPECT_FALSE(got.list.Fault()) << piece;
        ASSERT_EQ(got.list.Servers().size(), 2u) << piece;
        EXPECT_EQ(got.list.Servers()[0].address.Text(), "10.0.0.1:23001");
        EXPECT_EQ(got.list.Servers()[0].fields.Decode(),
                  (Fields{{"hostname", "Alpha"}, {"numplayers", "5"}, {"hostport", "15567"}}));
        EXPECT_EQ(got.list.Servers()[1].address.Text(), "10.0.0.2:23000");
        EXPECT_EQ(got.list.Servers()[1].fields.Decode(),
                  (Fields{{"hostname", "Hue"}, {"numplayers", "32"}, {"hostport", "15567"}, {"mod", "bfv"}}));
    }
}

// After the list: a keepalive is echoed in the clear, a server is updated and one removed,
// and a new key list applies to the servers that follow it.
TEST(NewerAnswer, LaterMessagesKeepTheListCurrent) {
    const std::string later = B("\x00\x05\x03\xAB\xCD") +  // keepalive
                              B("\x00\x12\x02\x50\x0A\x00\x00\x01\x59\xD9"
                                "Beta\x00\x07\x3C\xCF") +                  // update
                              B("\x00\x09\x04\x0A\x00\x00\x02\x59\xD8") +  // removal
                              B("\x00\x0D\x01\x01\x00"
                                "mapname\x00") +  // new keys
                              B("\x00\x11\x02\x40\x0A\x00\x00\x03"
                                "Khe Sanh\x00");
    for (const std::size_t piece : {1u, 0u}) {
        Received got;
        Receive(got, NewerAnswerBytes(kPrelude + kTable + kFirst + kSecond + kEndMarker + later), piece, true, false);
        EXPECT_EQ(got.echo, B("\x00\x05\x03\xAB\xCD"));
        EXPECT_FALSE(got.list.Fault()) << got.list.Fault()->Reason();
        ASSERT_EQ(got.list.Servers().size(), 2u);
        EXPECT_EQ(got.list.Servers()[0].fields.Decode(),
                  (Fields{{"hostname", "Beta"}, {"numplayers", "7"}, {"hostport", "15567"}}));
        EXPECT_EQ(got.list.Servers()[1].address.Text(), "10.0.0.3:23000");
        EXPECT_EQ(got.list.Servers()[1].fields.Decode(), (Fields{{"mapname", "Khe Sanh"}}));
    }
}

// What hostile or broken masters send: the servers before the fault are kept, and the
// fault says what it was.
TEST(NewerAnswer, HostileAnswersKeepTheServersBeforeTheFault) {
    struct Case {
        const char* what;
        std::string body;
        bool follow;
        std::size_t kept;
        bool complete;
        const char* reason;
    };
    const std::string oneKey = B("\x01\x00hostname\x00\x01Hue\x00");
    const Case cases[] = {
        {"index past the popular values", kPrelude + oneKey + B("\x40\x0A\x00\x00\x01\x00\x40\x0A\x00\x00\x02\x03"),
         false, 1, false, "malformed answer: index 3 past the 1 popular values"},
        {"a key count of 255, then the answer stops",
         kPrelude + B("\xFF\x00"
                      "a\x00\x01"
                      "b\x00"),
         false, 0, false, "closed before the end of its list"},
        {"a value without its NUL", kPrelude + oneKey + B("\x40\x0A\x00\x00\x01\xFF") + std::string(300, 'A'), false, 0,
         false, "malformed answer: a value longer than 255 bytes"},
        {"stops mid-record", kPrelude + kTable + kFirst + B("\x50\x0A\x00"), false, 1, false,
         "closed before the end of its list"},
        {"its own error",
         B("\x7F\x00\x00\x01\xFF\xFF"
           "Too many requests\x00"),
         false, 0, false, "its error: Too many requests"},
        {"its own error without the NUL",
         B("\x7F\x00\x00\x01\xFF\xFF"
           "Busy\x01"),
         false, 0, false, "its error: Busy?"},
        {"a key type the protocol has not", kPrelude + B("\x01\x07x\x00"), false, 0, false,
         "malformed answer: key type 7"},
        {"one server's rules past the limit",
         kPrelude + B("\x00\x00\x80\x0A\x00\x00\x01") +
             [&] {
                 std::string pairs;
                 for (int i = 0; i < 40; ++i)
                     pairs += std::string(200, 'r') + B("\x00"
                                                        "v\x00");
                 return pairs;
             }(),
         false, 0, false, "malformed answer: one server's values past 4096 bytes"},
        {"a message length that counts less than its header",
         kPrelude + kTable + kFirst + kEndMarker + B("\x00\x02\x03"), true, 1, true,
         "malformed answer: a message length of 2"},
        {"a removal shorter than an address", kPrelude + kTable + kFirst + kEndMarker + B("\x00\x05\x04\x0A\x00"), true,
         1, true, "malformed answer: a message shorter than what it holds"},
    };
    for (const Case& c : cases) {
        for (const std::size_t piece : {1u, 0u}) {
            Received got;
            Receive(got, NewerAnswerBytes(c.body), piece, c.follow, true);
            EXPECT_EQ(got.list.Servers().size(), c.kept) << c.what;
            EXPECT_EQ(got.list.Complete(), c.complete) << c.what;
            ASSERT_TRUE(got.list.Fault()) << c.what;
            EXPECT_EQ(got.list.Fault()->Reason(), c.reason) << c.what;
        }
    }
}

TEST(NewerAnswer, RefusalInPlainTextBeforeAnyHeader) {
    Received got;
    Receive(got, "Invalid source gamename\r\n", 0, false, true);
    EXPECT_EQ(got.list.Fault()->Reason(), "its error: Invalid source gamename");
}

}  // namespace
}  // namespace vantorel::browse
