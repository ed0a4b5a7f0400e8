// What bfv-sample-server answers in each dialect, without sockets.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "query/gamespy2_reply.h"
#include "query/mod_bfv_query_parse.h"
#include "sample_responder.h"

namespace vantorel {
namespace {

namespace parse = modBFVQueryParse;

SampleResponder Responder(SampleResponder::Dialect dialect, int players = 120, bool shuffle = false) {
    SampleResponder::Settings settings;
    settings.dialect = dialect;
    settings.shuffleParts = shuffle;
    settings.players = players;
    settings.maxPlayers = 128;
    return SampleResponder(settings);
}

int PartNumber(const std::string& part) {
    return std::stoi(parse::GetReplyValue(part, "queryid").substr(parse::GetReplyValue(part, "queryid").find('.') + 1));
}

TEST(SampleResponderTest, StandardSplitsStatusIntoPartsOfAtMost1400BytesInOrderOrShuffled) {
    for (const bool shuffle : {false, true}) {
        SCOPED_TRACE(shuffle);
        SampleResponder responder = Responder(SampleResponder::Dialect::kStandard, 120, shuffle);
        const std::vector<std::string> parts = responder.Answers("\\status\\");
        ASSERT_GE(parts.size(), 3u);
        std::vector<int> numbers;
        for (const std::string& part : parts) {
            EXPECT_LE(part.size(), SampleResponder::kPartBytes);
            numbers.push_back(PartNumber(part));
            EXPECT_EQ(parse::HasReplyKey(part, "final"), numbers.back() == static_cast<int>(parts.size()));
        }
        EXPECT_NE(std::is_sorted(numbers.begin(), numbers.end()), shuffle);
        std::sort(numbers.begin(), numbers.end());
        for (std::size_t i = 0; i < numbers.size(); ++i) {
            EXPECT_EQ(numbers[i], static_cast<int>(i) + 1);
        }
        // A second query numbers its parts under another id.
        EXPECT_NE(parse::GetReplyValue(responder.Answers("\\status\\")[0], "queryid").substr(0, 2),
                  parse::GetReplyValue(parts[0], "queryid").substr(0, 2));
    }
}

TEST(SampleResponderTest, EachDialectAnswersOnlyWhatItSpeaks) {
    const std::string gameSpy2 = gameSpy2::Request(0xCAFE0001);
    SampleResponder standard = Responder(SampleResponder::Dialect::kStandard);
    const std::vector<std::string> basic = standard.Answers("\\basic\\");
    ASSERT_EQ(basic.size(), 1u);
    EXPECT_EQ(basic[0], "\\gamename\\bfvietnam\\gamever\\v1.21\\location\\0\\final\\\\queryid\\1.1");
    const std::vector<std::string> info = standard.Answers("\\info\\");
    ASSERT_EQ(info.size(), 1u);
    EXPECT_EQ(parse::GetReplyValue(info[0], "mapname"), "Hue");
    EXPECT_FALSE(parse::HasReplyKey(info[0], "player_0"));
    EXPECT_TRUE(standard.Answers(gameSpy2).empty());

    SampleResponder full = Responder(SampleResponder::Dialect::kFull);
    EXPECT_EQ(full.Answers("\\basic\\").size(), 1u);
    EXPECT_TRUE(full.Answers(gameSpy2).empty());

    SampleResponder gs2 = Responder(SampleResponder::Dialect::kGameSpy2, 3);
    EXPECT_TRUE(gs2.Answers("\\status\\").empty());
    const std::vector<std::string> answer = gs2.Answers(gameSpy2);
    ASSERT_EQ(answer.size(), 1u);
    const auto pairs = gameSpy2::ParseReply(answer[0], 0xCAFE0001);
    ASSERT_TRUE(pairs);
    std::set<std::string> keys;
    for (const parse::KeyValue& pair : *pairs) {
        keys.insert(pair.key);
    }
    EXPECT_TRUE(keys.count("hostname") && keys.count("player_2") && keys.count("kills_2") && keys.count("team_t1"));
    EXPECT_FALSE(keys.count("player_3"));
}

// As live servers do: the standard dialect finds each query word anywhere in the request,
// and the GameSpy 2 dialect sends only the sections that the request's flags ask for, each
// row count in two bytes.
TEST(SampleResponderTest, EachRequestGetsTheSharesItAsksFor) {
    using namespace std::string_literals;
    const auto gameSpy2 = [](const std::string& flags) { return "\xFE\xFD\x00\x00\x00\x00\x07"s + flags; };
    const struct {
        SampleResponder::Dialect dialect;
        std::string request;
        std::string start;  // text: the first keys; GameSpy 2: the first bytes after the header
        bool players;
    } cases[] = {
        {SampleResponder::Dialect::kStandard, "\\status\\xserverquery", "gamename gamever location hostname", true},
        {SampleResponder::Dialect::kStandard, "\\basic\\\\info\\", "gamename gamever location hostname", false},
        {SampleResponder::Dialect::kStandard, "\\players\\", "player_0 team_0 score_0 kills_0", true},
        {SampleResponder::Dialect::kStandard, "\\echo\\", "", false},
        {SampleResponder::Dialect::kGameSpy2, gameSpy2("\xFF\xFF\xFF"), "hostname\0"s, true},
        {SampleResponder::Dialect::kGameSpy2, gameSpy2("\xFF\x00\x00"s), "hostname\0"s, false},
        {SampleResponder::Dialect::kGameSpy2, gameSpy2("\x00\xFF\x00"s), "\x00\x03player_\0"s, true},
        {SampleResponder::Dialect::kGameSpy2, gameSpy2("\x00\x00\xFF"s), "\x00\x02team_t\0"s, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        SampleResponder responder = Responder(c.dialect, 3);
        const std::vector<std::string> answers = responder.Answers(c.request);
        std::string start;
        bool players = false;
        for (const std::string& answer : answers) {
            if (c.dialect == SampleResponder::Dialect::kGameSpy2) {
                ASSERT_EQ(answer.substr(0, 5), "\0\0\0\0\x07"s);
                start = answer.substr(5, c.start.size());
                players = answer.find("Sgt. Baker\0"s) != std::string::npos;
                continue;
            }
            for (const parse::ReplyPair& pair : parse::SplitReply(answer)) {
                if (std::count(start.begin(), start.end(), ' ') < 3 && pair.key != "queryid" && pair.key != "final") {
                    start += (start.empty() ? "" : " ") + std::string(pair.key);
                }
                players = players || pair.key == "player_2";
            }
        }
        EXPECT_EQ(start, c.start);
        EXPECT_EQ(players, c.players);
    }
}

// One process with --vary stands for a browser's list: each port a server of its own, some
// empty, some full, some with a password, every one a whole reply.
TEST(SampleResponderTest, EachPortOfAVariedRangeIsAServerOfItsOwn) {
    SampleResponder::Settings settings;
    settings.firstPort = 30000;
    settings.lastPort = 30000 + 34;
    settings.vary = true;
    SampleResponder responder(settings);
    std::set<std::string> names;
    int empty = 0, full = 0, locked = 0;
    for (std::size_t port = 0; port < 35; ++port) {
        const std::vector<std::string> answers = responder.AnswersOn(port, "\\status\\");
        ASSERT_EQ(answers.size(), 1u);
        const std::string& reply = answers[0];
        names.insert(parse::GetReplyValue(reply, "hostname"));
        const int players = std::stoi(parse::GetReplyValue(reply, "numplayers"));
        const int open = std::stoi(parse::GetReplyValue(reply, "maxplayers")) -
                         std::stoi(parse::GetReplyValue(reply, "reservedslots"));
        empty += players == 0;
        full += players >= open;
        locked += parse::GetReplyValue(reply, "password") == "1";
        EXPECT_LE(players, open) << reply;
    }
    EXPECT_EQ(names.size(), 35u);
    EXPECT_GE(empty, 3);
    EXPECT_GE(full, 3);
    EXPECT_GE(locked, 3);
    // Without --vary every port serves the same server.
    settings.vary = false;
    SampleResponder same(settings);
    EXPECT_EQ(same.AnswersOn(0, "\\status\\"), same.AnswersOn(20, "\\status\\"));
}

}  // namespace
}  // namespace vantorel
