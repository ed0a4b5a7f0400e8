#include <gtest/gtest.h>

#include <algorithm>

#include "output.h"
#include "query/server_report.h"
#include "targets.h"

namespace vantorel::bfvQuery {
namespace {

std::vector<std::string> Labels(const std::vector<QueryTarget>& targets) {
    std::vector<std::string> labels;
    for (const QueryTarget& target : targets) {
        labels.push_back(target.Label());
    }
    return labels;
}

TEST(BfvQueryTargets, HostsPortsAndRanges) {
    std::vector<QueryTarget> targets;
    std::string error;
    ASSERT_TRUE(ParseTargets("game.example", &targets, &error));
    ASSERT_TRUE(ParseTargets("10.0.0.1:23001", &targets, &error));
    ASSERT_TRUE(ParseTargets("127.0.0.1:23000-23002", &targets, &error));
    EXPECT_EQ(Labels(targets), (std::vector<std::string>{"game.example:23000", "10.0.0.1:23001", "127.0.0.1:23000",
                                                         "127.0.0.1:23001", "127.0.0.1:23002"}));
    for (const std::string bad : {"", ":23000", "10.0.0.1:", "10.0.0.1:0", "10.0.0.1:65536", "10.0.0.1:2x",
                                  "bad host:1", "10.0.0.1:999999999999", "h:5-3", "h:0-2", "h:1-70000", "a:b:1"}) {
        error.clear();
        EXPECT_FALSE(ParseTargets(bad, &targets, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_EQ(targets.size(), 5u);
}

// The list read whole, or a byte at a time: marks, line ends and characters split between
// two reads must make no difference.
std::vector<std::string> ReadList(std::string_view bytes, bool byteByByte, std::vector<std::string>* skipped) {
    std::vector<QueryTarget> targets;
    TargetListReader reader("l", &targets);
    for (std::size_t at = 0; at < bytes.size(); at += byteByByte ? 1 : bytes.size()) {
        EXPECT_TRUE(reader.Add(bytes.substr(at, byteByByte ? 1 : bytes.size()))) << reader.Refusal();
    }
    EXPECT_TRUE(reader.Finish()) << reader.Refusal();
    *skipped = reader.Skipped();
    return Labels(targets);
}

std::string Utf16(std::string_view ascii, bool little) {
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (const char c : ascii) {
        bytes += little ? std::string{c, '\0'} : std::string{'\0', c};
    }
    return bytes;
}

TEST(BfvQueryTargets, ListsAreReadAsTheFavouritesFileIs) {
    using namespace std::string_literals;
    using Lines = std::vector<std::string>;
    const struct {
        std::string bytes;
        Lines targets, skipped;
    } cases[] = {
        {"# my servers\n\n  127.0.0.1:23000   # the first\n\t127.0.0.2:1-2\r\n#127.0.0.9",
         {"127.0.0.1:23000", "127.0.0.2:1", "127.0.0.2:2"},
         {}},
        {"\xEF\xBB\xBFh:1\n", {"h:1"}, {}},
        {"a:1\rb:2\r\rc:3", {"a:1", "b:2", "c:3"}, {}},
        {"a:1\r\n\nb\0c:2\r\nd:3\r\n\x1A"s, {"a:1", "d:3"}, {"l:3: holds a NUL byte"}},
        {"a:1\nhost:port\n::1\nb:2\n",
         {"a:1", "b:2"},
         {"l:2: \"host:port\": a port is a number from 1 to 65535",
          "l:3: \"::1\": IPv6 is not supported by the game's query protocol; give an IPv4 address or a host name"}},
        {std::string(3000, 'x') + "\na:1", {"a:1"}, {"l:1: longer than 1024 bytes"}},
        {Utf16("a:1\r\n# b:2\rc:3", true), {"a:1", "c:3"}, {}},
        {Utf16("a:1\nc:3", false), {"a:1", "c:3"}, {}},
        {"caf\xE9.example:1", {"caf\xC3\xA9.example:1"}, {}},  // the 8-bit code page
        {"\xFF\xFE\x00\xD8x\x00:\x00"
         "1\x00"s,
         {"\xEF\xBF\xBDx:1"},
         {}},  // a lone surrogate
    };
    for (const auto& c : cases) {
        for (const bool byteByByte : {false, true}) {
            Lines skipped;
            EXPECT_EQ(ReadList(c.bytes, byteByByte, &skipped), c.targets) << c.bytes;
            EXPECT_EQ(skipped, c.skipped) << c.bytes;
        }
    }
}

TEST(BfvQueryTargets, ListsPastTheBoundsAreRefusedWithTheReason) {
    std::vector<QueryTarget> targets;
    TargetListReader ranges("ranges.txt", &targets);
    const std::string line = "127.0.0.1:1-65535\n";
    int lines = 0;
    while (ranges.Add(line) && ++lines < 100) {
    }
    EXPECT_EQ(lines, 15);  // the sixteenth would pass a million
    EXPECT_EQ(ranges.Refusal(),
              "ranges.txt: line 16: more than 1,000,000 servers: a list holds at most 1,000,000 servers and 64 MB");
    EXPECT_FALSE(ranges.Finish());
    std::string error;
    EXPECT_FALSE(ParseTargets("127.0.0.2:1-65535", &targets, &error));
    EXPECT_EQ(targets.size(), 15u * 65535u);

    // /dev/zero: one endless line, held no further than its bound.
    std::vector<QueryTarget> none;
    TargetListReader zeros("/dev/zero", &none);
    const std::string megabyte(1 << 20, '\0');
    int read = 0;
    while (zeros.Add(megabyte) && ++read < 100) {
    }
    EXPECT_EQ(read, 64);
    EXPECT_EQ(zeros.Refusal(), "/dev/zero: longer than 64 MB: a list holds at most 1,000,000 servers and 64 MB");
}

TEST(BfvQueryTargets, OnlyDottedQuadsSkipTheLookup) {
    EXPECT_EQ(AddressText(*DottedAddress("127.0.0.1")), "127.0.0.1");
    EXPECT_EQ(AddressText(*DottedAddress("10.20.30.255")), "10.20.30.255");
    for (const char* name : {"localhost", "127.1", "256.0.0.1", "1.2.3.4 ", "1.2.3.", "1..2.3", "1.2.3.4.5", ""}) {
        EXPECT_FALSE(DottedAddress(name)) << name;
    }
}

TEST(BfvQueryJson, StringsAreEscaped) {
    EXPECT_EQ(JsonString("plain"), "\"plain\"");
    EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(JsonString("tab\tnew\nline\x01\x7f"), "\"tab\\tnew\\nline\\u0001\\u007f\"");
    EXPECT_EQ(JsonString("Jérôme"), "\"Jérôme\"");
    EXPECT_EQ(JsonString("csi\xC2\x9B"
                         "2J \xC2\xA0"),
              "\"csi\\u009b2J \xC2\xA0\"");  // C1 escaped, U+00A0 kept
}

// Text from the user's own lists and arguments is not decoded from any code page: bytes that
// are not UTF-8 must neither reach the terminal nor make the JSON invalid.
TEST(BfvQueryText, BytesThatAreNotUtf8AreNeverPassedOn) {
    const struct {
        std::string text, terminal, json;
    } cases[] = {
        {"\x9B"
         "2J",
         "?2J", "\"\\ufffd2J\""},                                          // a lone C1 byte
        {"\xC2\x9B", "?", "\"\\u009b\""},                                  // the C1 character itself
        {"\xED\xA0\x80", "???", "\"\\ufffd\\ufffd\\ufffd\""},              // a surrogate
        {"\xE0\x80\xAF", "???", "\"\\ufffd\\ufffd\\ufffd\""},              // an overlong "/"
        {"\xF4\x90\x80\x80", "????", "\"\\ufffd\\ufffd\\ufffd\\ufffd\""},  // past U+10FFFF
        {"caf\xC3\xA9 \xF0\x9F\x8E\xAE", "caf\xC3\xA9 \xF0\x9F\x8E\xAE", "\"caf\xC3\xA9 \xF0\x9F\x8E\xAE\""},
        {"cut \xC3", "cut ?", "\"cut \\ufffd\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TerminalSafe(c.text), c.terminal) << c.text;
        EXPECT_EQ(JsonString(c.text), c.json) << c.text;
    }
}

QueryResult Answered(const std::string& reply, double pingMs = 1) {
    QueryResult result;
    result.target = {"127.0.0.1", 23000};
    result.status = QueryResult::Status::kOk;
    result.ip = "127.0.0.1";
    result.dialect = Dialect::kBasic;
    result.pingMs = pingMs;
    result.report = SummarizeReply(QueryReply{Dialect::kBasic, reply, {}});
    return result;
}

StatsDisplay Shown(const QueryResult& result) {
    return ShowReport(*result.report);
}

std::string Server(const std::string& title, int players) {
    std::string reply = "\\hostname\\" + title + "\\mapname\\Hue\\numplayers\\" + std::to_string(players) +
                        "\\maxplayers\\32\\reservedslots\\0";
    for (int i = 0; i < players; ++i) {
        const std::string n = std::to_string(i);
        reply += "\\player_" + n + "\\P" + n + "\\team_" + n + "\\1\\score_" + n + "\\1\\kills_" + n + "\\2\\deaths_" +
                 n + "\\3\\ping_" + n + "\\4";
    }
    return reply;
}

TEST(BfvQueryText, ServerTextsNeverSteerTheTerminal) {
    EXPECT_EQ(TerminalSafe("Evil\x1b]0;owned\x07\r\nForged\xc2\x9b"
                           "1mJérôme\x7f"),
              "Evil?]0;owned???Forged?1mJérôme?");
    // The code page's undefined byte 0x9D stands for the C1 control U+009D.
    const QueryResult result = Answered(
        "\\hostname\\Evil\x1b[2J\rFake line\\mapname\\Hue\x9d\\numplayers\\1\\maxplayers\\"
        "32\\player_0\\A\nB\\team_0\\1\\gametype\\co\top\\rules_x\\\x1b");
    const std::string text = TextReport({result}, {true, true, true});
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 9) << text;
    EXPECT_TRUE(std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && byte != '\n') || byte == 0x7F;
    })) << text;
    EXPECT_NE(text.find("Evil?[2J?Fake line\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  gametype = co?op\n  rules_x = ?\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" - Hue? - \n"), std::string::npos) << text;
}

TEST(BfvQueryText, AnsweredServerWithRoundTripPlayersAndRules) {
    QueryResult result =
        Answered(Server("Alpha", 1) + "\\timelimit\\3600\\queryid\\7.1\\timelimit\\9\\final\\", 12.345);
    EXPECT_EQ(TextReport({result}, {true}), "127.0.0.1:23000  ok  12.35 ms\nAlpha\n - Hue - \nPlayers:  1 / 32\n\n");
    EXPECT_EQ(TextReport({result}, {true, true, true}),
              "127.0.0.1:23000  ok  12.35 ms\nAlpha\n - Hue - \nPlayers:  1 / 32\n"
              "team name              s/k/d        ping\n"
              "us   P0                01/02/03     4\n"
              "  timelimit = 3600\n\n");
    // One line a server by default, the player lines and other keys under it.
    EXPECT_EQ(TextReport({result}, {false, true, true}),
              "ADDRESS               STATUS  PLAYERS MAP              PING  NAME\n"
              "127.0.0.1:23000       ok      1/32    Hue                12  Alpha\n"
              "    team name              s/k/d        ping\n"
              "    us   P0                01/02/03     4\n"
              "      timelimit = 3600\n");
    // The counts and the round trip as numbers; the shown keys and the others apart.
    const std::string json = JsonReport({result});
    EXPECT_NE(json.find("\"ping_ms\": 12.345, \"fields\": {\"hostname\": \"Alpha\", \"mapname\": \"Hue\", "
                        "\"numplayers\": 1, \"maxplayers\": 32, \"reservedslots\": 0}, \"rules\": {\"timelimit\": "
                        "\"3600\"}, \"players\": [{\"player\": \"P0\", \"team\": 1, \"score\": 1, \"kills\": 2, "
                        "\"deaths\": 3, \"ping\": 4}]"),
              std::string::npos)
        << json;
}

// A map name longer than its column is cut where it must be, so the columns stay in line.
TEST(BfvQueryText, ALongMapNameIsCutToItsColumn) {
    const QueryResult result =
        Answered("\\hostname\\Alpha\\mapname\\Operation Flaming Dart\\numplayers\\1\\maxplayers\\32");
    EXPECT_EQ(TextReport({result}),
              "ADDRESS               STATUS  PLAYERS MAP              PING  NAME\n"
              "127.0.0.1:23000       ok      1/32    Operation Flami\u2026    1  Alpha\n");
}

// \basic\ alone gives three keys of its own: what came is shown, and what did not is said.
TEST(BfvQueryText, AReplyWithoutTheShownKeysSaysWhatItLacks) {
    const QueryResult result = Answered("\\gamename\\bfvietnam\\gamever\\v1.21\\location\\0");
    EXPECT_EQ(TextReport({result}),
              "ADDRESS               STATUS  PLAYERS MAP              PING  NAME\n"
              "127.0.0.1:23000       ok      -/-     -                   1  (missing from the reply: hostname, "
              "mapname, numplayers, maxplayers; it holds gamename, gamever, location)\n");
    EXPECT_EQ(TextReport({result}, {true}),
              "127.0.0.1:23000  ok  1.00 ms\n\n -  - \nPlayers:   / \n"
              "Missing from the reply: hostname, mapname, numplayers, maxplayers\n"
              "  gamename = bfvietnam\n  gamever = v1.21\n  location = 0\n\n");
    EXPECT_NE(JsonReport({result}).find("\"fields\": {}, \"rules\": {\"gamename\": \"bfvietnam\", \"gamever\": "
                                        "\"v1.21\", \"location\": \"0\"}, \"missing\": [\"hostname\", \"mapname\", "
                                        "\"numplayers\", \"maxplayers\"]"),
              std::string::npos);
}

TEST(BfvQueryReports, SilentClosedAndUnknownServersAreTold) {
    QueryResult timeout;
    timeout.target = {"10.0.0.1", 23000};
    timeout.ip = "10.0.0.1";
    QueryResult down = timeout;
    down.status = QueryResult::Status::kDown;
    QueryResult failed;
    failed.target = {"nowhere.invalid", 23000};
    failed.status = QueryResult::Status::kError;
    failed.error = "Host not found.";
    EXPECT_EQ(TextReport({timeout, down, failed}, {true}),
              "10.0.0.1:23000  timeout\nNo response from server\n\n"
              "10.0.0.1:23000  down\nServer down: its port is closed\n\n"
              "nowhere.invalid:23000  error\nHost not found.\n\n");
    EXPECT_EQ(TextReport({timeout, down, failed}),
              "ADDRESS               STATUS  PLAYERS MAP              PING  NAME\n"
              "10.0.0.1:23000        timeout                                No response from server\n"
              "10.0.0.1:23000        down                                   Server down: its port is closed\n"
              "nowhere.invalid:23000 error                                  Host not found.\n");
    EXPECT_EQ(JsonReport({timeout, down, failed}),
              "[\n  {\"query\": \"10.0.0.1:23000\", \"status\": \"timeout\", \"ip\": \"10.0.0.1\"},\n"
              "  {\"query\": \"10.0.0.1:23000\", \"status\": \"down\", \"error\": \"Server down: its port is closed\", "
              "\"ip\": \"10.0.0.1\"},\n"
              "  {\"query\": \"nowhere.invalid:23000\", \"status\": \"error\", \"error\": \"Host not found.\"}\n]\n");
}

TEST(BfvQuerySort, StableWithSilentServersLast) {
    QueryResult silent;
    silent.target = {"10.0.0.9", 1};
    const std::vector<QueryResult> results = {Answered(Server("beta", 3), 5), silent, Answered(Server("Alpha", 10), 9),
                                              Answered(Server("gamma", 3), 1)};
    const auto order = [&](SortKey key) {
        std::vector<QueryResult> sorted = results;
        SortResults(sorted, key);
        std::string titles;
        for (const QueryResult& result : sorted) {
            titles += result.status == QueryResult::Status::kOk ? Shown(result).serverTitle + " " : "- ";
        }
        return titles;
    };
    EXPECT_EQ(order(SortKey::kNone), "beta - Alpha gamma ");
    EXPECT_EQ(order(SortKey::kPlayers), "Alpha beta gamma - ");
    EXPECT_EQ(order(SortKey::kPing), "gamma beta Alpha - ");
    EXPECT_EQ(order(SortKey::kName), "Alpha beta gamma - ");
}

TEST(BfvQueryProtocol, NamesAreReadAsTheyAreWritten) {
    for (const QueryProtocol protocol :
         {QueryProtocol::kAuto, QueryProtocol::kBasic, QueryProtocol::kStatus, QueryProtocol::kGameSpy2}) {
        EXPECT_EQ(ParseProtocol(ProtocolName(protocol)), protocol);
    }
    EXPECT_STREQ(DialectName(Dialect::kGameSpy2), "gs2");
    EXPECT_FALSE(ParseProtocol("gs3"));
}

}  // namespace
}  // namespace vantorel::bfvQuery
