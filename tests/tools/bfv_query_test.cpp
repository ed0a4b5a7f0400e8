#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#ifndef _WIN32
#include <arpa/inet.h>
#endif

#include <algorithm>
#include <atomic>
#include <thread>

#include "datagram_sockets.h"
#include "engine.h"
#include "output.h"
#include "query_adapter.h"
#include "reply_summary.h"
#include "targets.h"
#include "fakes/udp_peer.h"

namespace vantorel::bfvQuery {
namespace {

std::vector<std::string> Labels(const std::vector<Target>& targets) {
    std::vector<std::string> labels;
    for (const Target& target : targets) {
        labels.push_back(target.Label());
    }
    return labels;
}

TEST(BfvQueryTargets, HostsPortsAndRanges) {
    std::vector<Target> targets;
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
    std::vector<Target> targets;
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
    std::vector<Target> targets;
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
    std::vector<Target> none;
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

Result Answered(const std::string& reply, double pingMs = 1) {
    Result result;
    result.target = {"127.0.0.1", 23000};
    result.status = Result::Status::kOk;
    result.ip = "127.0.0.1";
    result.protocol = "basic";
    result.pingMs = pingMs;
    result.report = SummarizeReply(QueryReply{Dialect::kBasic, reply, {}});
    return result;
}

Display Shown(const Result& result) {
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
    const Result result = Answered(
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
    Result result = Answered(Server("Alpha", 1) + "\\timelimit\\3600\\queryid\\7.1\\timelimit\\9\\final\\", 12.345);
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

// \basic\ alone gives three keys of its own: what came is shown, and what did not is said.
TEST(BfvQueryText, AReplyWithoutTheShownKeysSaysWhatItLacks) {
    const Result result = Answered("\\gamename\\bfvietnam\\gamever\\v1.21\\location\\0");
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

// A reply built to be large leaves only a bounded summary: the first other keys, each text
// cut, nothing of the reply itself.
TEST(BfvQuerySummary, WhatIsKeptOfAReplyIsBounded) {
    QueryReply amplifying{Dialect::kGameSpy2, {}, {{"hostname", std::string(100000, 'h')}}};
    for (int row = 0; row < 255; ++row) {
        for (int field = 0; field < 242; ++field) {
            // Not of a player's "name_N" form, which is never listed among the other keys.
            amplifying.pairs.push_back({"abcdefghijklm" + std::to_string(field) + "r" + std::to_string(row), ""});
        }
    }
    amplifying.pairs.push_back({"numplayers", "1"});
    amplifying.pairs.push_back({"player_0", std::string(5000, '\xE9')});
    const auto gs2 = SummarizeReply(amplifying);
    EXPECT_EQ(gs2->others.size(), ServerReport::kMostOtherKeys);
    EXPECT_EQ(gs2->othersLeftOut, 255u * 242u - ServerReport::kMostOtherKeys);
    EXPECT_EQ(gs2->record.hostname.size(), ServerReport::kMostTextBytes);
    ASSERT_EQ(gs2->players.size(), 1u);
    EXPECT_EQ(gs2->players[0].player.size(), ServerReport::kMostTextBytes);  // 128 whole "é"

    const std::string backslashes(4 << 20, '\\');
    const auto split = SummarizeReply(QueryReply{Dialect::kBasic, "\\hostname\\H" + backslashes + "\\a\\1\\a\\2", {}});
    EXPECT_EQ(split->record.hostname, "H");
    EXPECT_EQ(split->others, (KeyValues{{"a", "1"}}));
    EXPECT_EQ(split->othersLeftOut, 0u);
}

TEST(BfvQueryReports, SilentClosedAndUnknownServersAreTold) {
    Result timeout;
    timeout.target = {"10.0.0.1", 23000};
    timeout.ip = "10.0.0.1";
    Result down = timeout;
    down.status = Result::Status::kDown;
    Result failed;
    failed.target = {"nowhere.invalid", 23000};
    failed.status = Result::Status::kError;
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
    Result silent;
    silent.target = {"10.0.0.9", 1};
    const std::vector<Result> results = {Answered(Server("beta", 3), 5), silent, Answered(Server("Alpha", 10), 9),
                                         Answered(Server("gamma", 3), 1)};
    const auto order = [&](SortKey key) {
        std::vector<Result> sorted = results;
        SortResults(sorted, key);
        std::string titles;
        for (const Result& result : sorted) {
            titles += result.status == Result::Status::kOk ? Shown(result).serverTitle + " " : "- ";
        }
        return titles;
    };
    EXPECT_EQ(order(SortKey::kNone), "beta - Alpha gamma ");
    EXPECT_EQ(order(SortKey::kPlayers), "Alpha beta gamma - ");
    EXPECT_EQ(order(SortKey::kPing), "gamma beta Alpha - ");
    EXPECT_EQ(order(SortKey::kName), "Alpha beta gamma - ");
}

TEST(BfvQueryProtocol, OptionsAndRequests) {
    EXPECT_EQ(QueryProtocol(*ParseProtocol("auto")).Request(), "\\basic\\");
    EXPECT_EQ(QueryProtocol(*ParseProtocol("basic")).Request(), "\\basic\\");
    EXPECT_EQ(QueryProtocol(*ParseProtocol("status")).Request(), "\\status\\");
    const std::string_view gs2 = QueryProtocol(*ParseProtocol("gs2"), 7).Request();
    EXPECT_EQ(gs2, std::string_view("\xFE\xFD\x00\x00\x00\x00\x07\xFF\xFF\xFF", 10));
    EXPECT_FALSE(ParseProtocol("gs3"));
}

// A server that answers every query with `reply`, from `from` when given (another port).
void Answer(testing::UdpPeer& peer, const std::string& reply, testing::UdpPeer* from = nullptr) {
    const auto query = peer.Receive(5000);
    if (query) {
        (from ? *from : peer).SendTo("127.0.0.1", query->fromPort, reply);
    }
}

// Wine passes no "port unreachable" on to its programs, so there a closed port is silent.
bool ClosedPortsAreReported() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr;
#else
    return true;
#endif
}

TEST(BfvQueryEngine, ManyServersOneAtATime) {
    testing::UdpPeer answering, silent;
    int closed = 0;
    {
        testing::UdpPeer gone;
        closed = gone.Port();
    }
    std::thread a([&] { Answer(answering, Server("First", 2)); });
    RunOptions options;
    options.timeoutMs = 500;
    options.maxSimultaneous = 1;  // each waits for the one before
    std::string error;
    const std::vector<Result> results = QueryAll({{"127.0.0.1", answering.Port()},
                                                  {"127.0.0.1", silent.Port()},
                                                  {"127.0.0.1", closed},
                                                  {"no-such-host.invalid", 23000},
                                                  {"localhost", answering.Port()}},
                                                 options, &error);
    a.join();
    ASSERT_EQ(results.size(), 5u) << error;
    EXPECT_EQ(results[0].status, Result::Status::kOk);
    EXPECT_EQ(results[0].protocol, "basic");
    EXPECT_EQ(Shown(results[0]).serverTitle, "First");
    EXPECT_EQ(results[0].report->players.size(), 2u);
    EXPECT_EQ(results[1].status, Result::Status::kTimeout);
    EXPECT_EQ(results[1].ip, "127.0.0.1");
    EXPECT_EQ(results[2].status, ClosedPortsAreReported() ? Result::Status::kDown : Result::Status::kTimeout);
    EXPECT_EQ(results[3].status, Result::Status::kError);
    EXPECT_EQ(results[3].error, "Host not found.");
    // The same server listed twice is asked once and reported twice, under each name.
    EXPECT_EQ(results[4].status, Result::Status::kOk);
    EXPECT_EQ(results[4].target.host, "localhost");
    EXPECT_EQ(Shown(results[4]).serverTitle, "First");
}

#ifndef _WIN32
// The shared sockets take replies from any port; Windows asks through connected sockets,
// which take only the server's own.
TEST(BfvQueryEngine, ReplyFromAnotherPortOfTheOnlyServerAskedAtThatAddress) {
    testing::UdpPeer first("127.0.0.2"), second("127.0.0.3"), silent("127.0.0.3");
    testing::UdpPeer otherPort("127.0.0.2"), stray("127.0.0.3");
    std::thread a([&] { Answer(first, Server("Moved", 0), &otherPort); });
    std::thread b([&] {
        // From another port of an address where two servers are asked: nobody's.
        const auto query = second.Receive(5000);
        if (query) {
            stray.SendTo("127.0.0.1", query->fromPort, Server("Stray", 0));
        }
    });
    RunOptions options;
    options.timeoutMs = 500;
    std::string error;
    const std::vector<Result> results = QueryAll(
        {{"127.0.0.2", first.Port()}, {"127.0.0.3", second.Port()}, {"127.0.0.3", silent.Port()}}, options, &error);
    a.join();
    b.join();
    ASSERT_EQ(results.size(), 3u) << error;
    EXPECT_EQ(results[0].status, Result::Status::kOk);
    EXPECT_EQ(Shown(results[0]).serverTitle, "Moved");
    EXPECT_NE(results[1].status, Result::Status::kOk);
}
#endif

TEST(BfvQueryEngine, SplitReplyWithALostPartShowsWhatArrivedAfterThePartsTimeout) {
    testing::UdpPeer server;
    std::thread parts([&] {
        const auto query = server.Receive(5000);
        if (query) {
            // The third and last piece never comes; the second comes before the first.
            server.SendTo("127.0.0.1", query->fromPort, "\\player_0\\Ann\\team_0\\2\\queryid\\9.2");
            server.SendTo("127.0.0.1", query->fromPort, "\\hostname\\Parts\\numplayers\\1\\queryid\\9.1");
        }
    });
    RunOptions options;
    options.timeoutMs = 200;  // shorter than the parts timeout: parts on their way are waited for
    std::string error;
    const std::vector<Result> results = QueryAll({{"127.0.0.1", server.Port()}}, options, &error);
    parts.join();
    ASSERT_EQ(results.size(), 1u) << error;
    ASSERT_EQ(results[0].status, Result::Status::kOk);
    const ServerReport& report = *results[0].report;
    EXPECT_EQ(Shown(results[0]).serverTitle, "Parts");
    ASSERT_EQ(report.players.size(), 1u);
    EXPECT_EQ(report.players[0].player, "Ann");
}

TEST(BfvQueryEngine, ServerThatKeepsStartingNewPartSetsIsNotWaitedForWithoutEnd) {
    testing::UdpPeer server;
    std::atomic<bool> over{false};
    std::thread sets([&] {
        const auto query = server.Receive(5000);
        // A first part of a new set every 200 ms, each one restarting the wait for parts.
        for (int set = 1; query && !over && set <= 100; ++set) {
            server.SendTo("127.0.0.1", query->fromPort, "\\hostname\\Never\\queryid\\" + std::to_string(set) + ".1");
            server.Receive(200);
        }
    });
    RunOptions options;
    options.timeoutMs = 300;
    std::string error;
    const std::vector<Result> results = QueryAll({{"127.0.0.1", server.Port()}}, options, &error);
    over = true;
    sets.join();
    ASSERT_EQ(results.size(), 1u) << error;
    EXPECT_EQ(results[0].status, Result::Status::kTimeout);
}

// A query sent to one of bfv-query's own ports (a range over this host) arrives at that
// socket, from itself: it is no server's answer.
TEST(BfvQuerySockets, OwnSocketsAreNeverTakenForServers) {
    std::string error;
    auto sockets = DatagramSockets::Open(1, &error);
    ASSERT_NE(sockets, nullptr) << error;
    testing::UdpPeer peer;
    const Endpoint to{*DottedAddress("127.0.0.1"), static_cast<std::uint16_t>(peer.Port())};
    ASSERT_TRUE(sockets->Send(0, to, "hello"));
    const auto hello = peer.Receive(5000);
    ASSERT_TRUE(hello);
    const auto own = static_cast<std::uint16_t>(hello->fromPort);
    EXPECT_TRUE(sockets->IsOwn({*DottedAddress("127.0.0.1"), own}));
    EXPECT_TRUE(sockets->IsOwn({*DottedAddress("127.0.0.2"), own}));
    EXPECT_FALSE(sockets->IsOwn(to));
    EXPECT_FALSE(sockets->IsOwn({*DottedAddress("192.0.2.1"), own}));  // no address of this host
#ifndef _WIN32
    // The engine's shared socket asked at its own port hears its own request: no answer.
    RunOptions options;
    options.timeoutMs = 200;
    options.protocol = Protocol::kBasic;
    const std::vector<Result> results = QueryAll({{"127.0.0.1", own}}, options, std::move(sockets));
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].status, Result::Status::kTimeout);
#endif
}

#ifndef _WIN32
// A sender that never stops must not keep the engine's timers from running: one wait hands
// over a bounded number of datagrams, and the rest wait for the next.
TEST(BfvQuerySockets, OneWaitReadsABoundedRunOfDatagrams) {
    std::string error;
    const auto sockets = DatagramSockets::Open(1, &error);
    ASSERT_NE(sockets, nullptr) << error;
    testing::UdpPeer flooder;
    Endpoint to{0, static_cast<std::uint16_t>(flooder.Port())};
    to.address = htonl(INADDR_LOOPBACK);
    ASSERT_TRUE(sockets->Send(0, to, "hello"));
    const auto hello = flooder.Receive(5000);
    ASSERT_TRUE(hello);
    const int queued = DatagramSockets::kMostDatagramsPerWait + 36;
    for (int i = 0; i < queued; ++i) {
        ASSERT_TRUE(flooder.SendTo("127.0.0.1", hello->fromPort, "junk"));
    }
    int delivered = 0;
    const DatagramSockets::Handlers count{[&](Endpoint, std::string_view) { ++delivered; }, [](Endpoint) {}};
    sockets->Wait(1000, count);
    EXPECT_EQ(delivered, DatagramSockets::kMostDatagramsPerWait);
    sockets->Wait(1000, count);
    EXPECT_EQ(delivered, queued);
}
#endif

}  // namespace
}  // namespace vantorel::bfvQuery
