#include "query/gamespy2_reply.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

using modBFVQueryParse::KeyValue;

std::string Nul(std::initializer_list<const char*> texts) {
    std::string bytes;
    for (const char* text : texts) {
        bytes += std::string(text) + '\0';
    }
    return bytes;
}

std::vector<std::string> Flat(const std::vector<KeyValue>& pairs) {
    std::vector<std::string> flat;
    for (const KeyValue& pair : pairs) {
        flat.push_back(pair.key + "=" + pair.value);
    }
    return flat;
}

TEST(GameSpy2ReplyTest, TheRequestCarriesItsIdBetweenTheFixedBytes) {
    EXPECT_EQ(gameSpy2::Request(0x01020304), std::string("\xFE\xFD\x00\x01\x02\x03\x04\xFF\xFF\xFF", 10));
}

TEST(GameSpy2ReplyTest, ReadsServerKeysPlayersAndTeamsNumberedLikeGameSpy1) {
    const std::string reply = std::string("\0\x01\x02\x03\x04", 5) + Nul({"hostname", "Alpha", "mapname", "Hu\xE9"}) +
                              '\0' + std::string("\0\2", 2) + Nul({"player_", "ping_", ""}) +
                              Nul({"Ann", "45", "Bob", "60"}) + std::string("\0\1", 2) +
                              Nul({"team_t", "tickets_t", ""}) + Nul({"US", "250"});
    const auto pairs = gameSpy2::ParseReply(reply, 0x01020304);
    ASSERT_TRUE(pairs);
    EXPECT_EQ(Flat(*pairs), (std::vector<std::string>{"hostname=Alpha", "mapname=Hu\xE9", "player_0=Ann", "ping_0=45",
                                                      "player_1=Bob", "ping_1=60", "team_t0=US", "tickets_t0=250"}));
}

TEST(GameSpy2ReplyTest, AnotherIdOrNoHeaderIsNoAnswer) {
    const std::string body = Nul({"hostname", "Alpha", ""});
    EXPECT_FALSE(gameSpy2::ParseReply(std::string("\0\x01\x02\x03\x05", 5) + body, 0x01020304));
    EXPECT_FALSE(gameSpy2::ParseReply(std::string("\x01\x02\x03\x04", 4) + body, 0x01020304));
    EXPECT_FALSE(gameSpy2::ParseReply("", 0));
}

TEST(GameSpy2ReplyTest, AReplyCutShortKeepsItsCompleteValues) {
    const std::string head("\0\0\0\0\0", 5);
    // A value without its NUL, a player table cut inside a row, a count with no names.
    EXPECT_EQ(Flat(*gameSpy2::ParseReply(head + Nul({"hostname", "Alpha"}) + "mapna", 0)),
              std::vector<std::string>{"hostname=Alpha"});
    EXPECT_EQ(Flat(*gameSpy2::ParseReply(
                  head + '\0' + std::string("\0\3", 2) + Nul({"player_", ""}) + Nul({"Ann"}) + "Bo", 0)),
              std::vector<std::string>{"player_0=Ann"});
    EXPECT_TRUE(gameSpy2::ParseReply(head + '\0' + std::string("\0\xFF", 2), 0)->empty());
}

// A field name is repeated in the key of every row: a long one, built to hurt, would turn a
// 64 KB reply into megabytes of keys. Names longer than any this game uses are skipped.
TEST(GameSpy2ReplyTest, ALongFieldNameIsSkippedWithItsValues) {
    std::string reply("\0\0\0\0\0\0\0\xFF", 8);
    reply += std::string(2000, 'f') + '\0' + Nul({"ping_", ""});
    for (int row = 0; row < 255; ++row) {
        reply += Nul({"x", "45"});
    }
    const auto pairs = gameSpy2::ParseReply(reply, 0);
    ASSERT_TRUE(pairs);
    ASSERT_EQ(pairs->size(), 255u);
    EXPECT_EQ(Flat(*pairs).front(), "ping_0=45");
}

}  // namespace
}  // namespace vantorel
