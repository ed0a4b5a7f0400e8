#include <gtest/gtest.h>

#include "output.h"
#include "query_run.h"
#include "sample_responder.h"

namespace vantorel::bfvQuery {
namespace {

TEST(BfvQueryTargets, HostAndOptionalPort) {
    std::string error;
    const auto plain = ParseTarget("game.example", &error);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->Label(), "game.example:23000");
    const auto withPort = ParseTarget("10.0.0.1:23001", &error);
    ASSERT_TRUE(withPort);
    EXPECT_EQ(withPort->host, "10.0.0.1");
    EXPECT_EQ(withPort->port, 23001);
    for (const std::string bad : {"", ":23000", "10.0.0.1:", "10.0.0.1:0", "10.0.0.1:65536", "10.0.0.1:2x",
                                  "bad host:1", "10.0.0.1:999999999999"}) {
        EXPECT_FALSE(ParseTarget(bad, &error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}

TEST(BfvQueryJson, StringsAreEscaped) {
    EXPECT_EQ(JsonString("plain"), "\"plain\"");
    EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(JsonString("tab\tnew\nline\x01\x7f"), "\"tab\\tnew\\nline\\u0001\\u007f\"");
    EXPECT_EQ(JsonString("Jérôme"), "\"Jérôme\"");
}

TEST(BfvQueryReports, TimeoutsAndErrorsHaveNoFields) {
    Result timeout;
    timeout.target = {"10.0.0.1", 23000};
    timeout.ip = "10.0.0.1";
    Result failed;
    failed.target = {"nowhere.invalid", 23000};
    failed.status = Result::Status::kError;
    failed.error = "Host not found.";
    EXPECT_EQ(TextReport({timeout, failed}),
              "10.0.0.1:23000\nNo response from server\n\nnowhere.invalid:23000\n"
              "Invalid Server Response: Host not found.\n\n");
    EXPECT_EQ(JsonReport({timeout, failed}),
              "[\n  {\"query\": \"10.0.0.1:23000\", \"status\": \"timeout\", \"ip\": \"10.0.0.1\"},\n"
              "  {\"query\": \"nowhere.invalid:23000\", \"status\": \"error\", \"error\": \"Host not found.\"}\n]\n");
}

TEST(BfvQueryRun, QueriesEveryServerAtOnceAndKeepsEachOnesReply) {
    SampleResponder::Settings first;
    first.firstPort = first.lastPort = 0;
    first.hostname = "First";
    first.players = 3;
    SampleResponder::Settings second = first;
    second.hostname = "Second";
    second.players = 1;
    SampleResponder a(first), b(second);
    std::string error;
    ASSERT_TRUE(a.Open(&error)) << error;
    ASSERT_TRUE(b.Open(&error)) << error;
    // A port where nothing answers: the responder's, after it has gone.
    int silent = 0;
    {
        SampleResponder gone(first);
        ASSERT_TRUE(gone.Open(&error));
        silent = gone.BoundPort(0);
    }
    const std::vector<Result> results = QueryAll({{"127.0.0.1", a.BoundPort(0)},
                                                  {"127.0.0.1", silent},
                                                  {"localhost", b.BoundPort(0)},
                                                  {"no-such-host.invalid", 23000}},
                                                 1000);
    ASSERT_EQ(results.size(), 4u);
    EXPECT_EQ(results[0].status, Result::Status::kOk);
    EXPECT_EQ(results[0].display.serverTitle, "First");
    EXPECT_EQ(results[0].players.size(), 3u);
    EXPECT_EQ(results[0].players[0].player, "Jérôme");
    EXPECT_EQ(results[0].fields.size(), 41u);
    EXPECT_EQ(results[0].fields[0], (std::pair<std::string, std::string>{"hostname", "First"}));
    EXPECT_EQ(results[0].display.lines.size(), 3u);
    EXPECT_FALSE(results[0].display.waitForSlotVisible);
    EXPECT_EQ(results[1].status, Result::Status::kTimeout);
    EXPECT_EQ(results[1].ip, "127.0.0.1");
    EXPECT_EQ(results[2].status, Result::Status::kOk);
    EXPECT_EQ(results[2].display.serverTitle, "Second");
    EXPECT_EQ(results[2].players.size(), 1u);
    EXPECT_EQ(results[2].ip, "127.0.0.1");
    EXPECT_EQ(results[3].status, Result::Status::kError);
    EXPECT_EQ(results[3].error, "Host not found.");
}

}  // namespace
}  // namespace vantorel::bfvQuery
