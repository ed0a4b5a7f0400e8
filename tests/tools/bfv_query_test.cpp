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

TEST(BfvQueryTargets, FileLinesWithCommentsAndBlanks) {
    const std::string file = "# my servers\n\n  127.0.0.1:23000   # the first\n\t127.0.0.2:1-2\r\n#127.0.0.9";
    std::vector<Target> targets;
    std::string error;
    ASSERT_TRUE(ReadTargets(file, "servers.txt", &targets, &error)) << error;
    EXPECT_EQ(Labels(targets), (std::vector<std::string>{"127.0.0.1:23000", "127.0.0.2:1", "127.0.0.2:2"}));

    const std::string bad = "127.0.0.1\n\nhost:port\n";
    EXPECT_FALSE(ReadTargets(bad, "servers.txt", &targets, &error));
    EXPECT_EQ(error.rfind("servers.txt:3: ", 0), 0u) << error;
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

Result Answered(const std::string& reply, double pingMs = 1) {
    Result result;
    result.target = {"127.0.0.1", 23000};
    result.status = Result::Status::kOk;
    result.ip = "127.0.0.1";
    result.protocol = "basic";
    result.pingMs = pingMs;
    result.reply = reply;
    return result;
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
    const std::string text = TextReport({result}, {true, true});
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
    EXPECT_EQ(TextReport({result}), "127.0.0.1:23000  ok  12.35 ms\nAlpha\n - Hue - \nPlayers:  1 / 32\n\n");
    EXPECT_EQ(TextReport({result}, {true, true}),
              "127.0.0.1:23000  ok  12.35 ms\nAlpha\n - Hue - \nPlayers:  1 / 32\n"
              "tm   name              score/kills/deaths  ping\n"
              "us   P0                01/02/03     4\n"
              "  reservedslots = 0\n  timelimit = 3600\n\n");
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
    EXPECT_EQ(TextReport({timeout, down, failed}),
              "10.0.0.1:23000  timeout\nNo response from server\n\n"
              "10.0.0.1:23000  down\nServer down: its port is closed\n\n"
              "nowhere.invalid:23000  error\nHost not found.\n\n");
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
            titles += result.status == Result::Status::kOk ? ReadReply(result).display.serverTitle + " " : "- ";
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
    EXPECT_EQ(ReadReply(results[0]).display.serverTitle, "First");
    EXPECT_EQ(ReadReply(results[0]).players.size(), 2u);
    EXPECT_EQ(results[1].status, Result::Status::kTimeout);
    EXPECT_EQ(results[1].ip, "127.0.0.1");
    EXPECT_EQ(results[2].status, ClosedPortsAreReported() ? Result::Status::kDown : Result::Status::kTimeout);
    EXPECT_EQ(results[3].status, Result::Status::kError);
    EXPECT_EQ(results[3].error, "Host not found.");
    // The same server listed twice is asked once and reported twice, under each name.
    EXPECT_EQ(results[4].status, Result::Status::kOk);
    EXPECT_EQ(results[4].target.host, "localhost");
    EXPECT_EQ(ReadReply(results[4]).display.serverTitle, "First");
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
    EXPECT_EQ(ReadReply(results[0]).display.serverTitle, "Moved");
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
    const ServerReport report = ReadReply(results[0]);
    EXPECT_EQ(report.display.serverTitle, "Parts");
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
