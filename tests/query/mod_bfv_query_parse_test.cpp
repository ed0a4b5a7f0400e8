#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "fakes/fake_services.h"
#include "query/mod_bfv_query_parse.h"

namespace vantorel {
namespace {

namespace parse = modBFVQueryParse;

class ReplyParserTest : public ::testing::Test {
  protected:
    void SetUp() override {
        parse::ServerInfo() = {};
        parse::Players().fill({});
    }

    static const std::string& Field(std::string_view key) {
        for (const parse::ServerField& field : parse::ServerFields()) {
            if (key == field.key) {
                return parse::ServerInfo().*field.field;
            }
        }
        ADD_FAILURE() << "no field " << key;
        static const std::string none;
        return none;
    }

    // Players first to last, each with all six keys valued after `tag` and the index.
    static std::string PlayerPairs(int count, const std::string& tag) {
        std::string pairs;
        for (int i = 0; i < count; ++i) {
            const std::string n = std::to_string(i);
            pairs += "\\player_" + n + "\\" + tag + n + "\\team_" + n + "\\" + std::to_string(i % 2 + 1) + "\\score_" +
                     n + "\\s" + n + "\\kills_" + n + "\\k" + n + "\\deaths_" + n + "\\d" + n + "\\ping_" + n + "\\p" +
                     n;
        }
        return pairs;
    }

    testing::FakePlatform fakes;
};

TEST_F(ReplyParserTest, ReadsTheServerAndItsOnePlayer) {
    EXPECT_EQ(parse::ParseServerReply(R"(\hostname\Alpha\numplayers\1\player_0\Ann\ping_0\45)"), 1);

    for (const parse::ServerField& field : parse::ServerFields()) {
        const std::string key = field.key;
        const std::string expected = key == "hostname" ? "Alpha" : key == "numplayers" ? "1" : "";
        EXPECT_EQ(parse::ServerInfo().*field.field, expected) << key;
    }
    const parse::PlayerInfo& ann = parse::Players()[0];
    EXPECT_EQ(ann.player, "Ann");
    EXPECT_EQ(ann.ping, "45");
    EXPECT_EQ(ann.team, "");
    EXPECT_EQ(ann.score, "");
    EXPECT_EQ(ann.kills, "");
    EXPECT_EQ(ann.deaths, "");
    EXPECT_EQ(fakes.events.yields, 1);
}

TEST_F(ReplyParserTest, FillsEveryFieldFromItsOwnKeyInTableOrder) {
    std::istringstream keyList(
        "hostname hostport mapname gametype numplayers maxplayers gamemode password gamever dedicated "
        "status game_id mapid sv_punkbuster timelimit number_of_rounds spawn_wave_time spawn_delay "
        "soldier_friendly_fire vehicle_friendly_fire game_start_delay ticket_ratio allow_nose_cam "
        "external_view us_team_ratio nva_team_ratio bandwith_choke_limit free_camera auto_balance_teams "
        "name_tag_distance name_tag_distance_scope kickback kickback_on_splash "
        "soldier_friendly_fire_on_splash vehicle_friendly_fire_on_splash cpu bot_skill reservedslots "
        "active_mods all_active_mods game_id_name");
    const std::vector<std::string> keys{std::istream_iterator<std::string>(keyList), {}};
    ASSERT_EQ(keys.size(), 41u);
    std::vector<std::string> tableKeys;
    for (const parse::ServerField& field : parse::ServerFields()) {
        tableKeys.push_back(field.key);
    }
    EXPECT_EQ(tableKeys, keys);

    // Backwards, every longer key ("game_id_name", "kickback_on_splash"...) comes before the
    // key it begins with.
    std::string reply;
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
        reply += "\\" + *key + "\\v-" + *key;
    }
    parse::ParseServerReply(reply);
    for (const std::string& key : keys) {
        EXPECT_EQ(Field(key), "v-" + key);
    }
    EXPECT_EQ(parse::ServerInfo().game_id, "v-game_id");
    EXPECT_EQ(parse::ServerInfo().active_mods, "v-active_mods");
    EXPECT_EQ(parse::ServerInfo().game_id_name, "v-game_id_name");
}

struct LookupCase {
    std::string reply, key, expected;
};

TEST_F(ReplyParserTest, MatchesAKeyOnlyAsAWholeKeyOfAPair) {
    const LookupCase cases[] = {
        {R"(\game_id_name\X\game_id\Y)", "game_id", "Y"},
        {R"(\game_id_name\X\game_id\Y)", "game_id_name", "X"},
        {R"(\game_id\Y\game_id_name\X)", "game_id", "Y"},
        {R"(\game_id\Y\game_id_name\X)", "game_id_name", "X"},
        {R"(\all_active_mods\A\active_mods\B)", "active_mods", "B"},
        {R"(\kickback_on_splash\S\kickback\K)", "kickback", "K"},
        {R"(\name_tag_distance_scope\S\name_tag_distance\D)", "name_tag_distance", "D"},
        {R"(\hostname\mapname fan\mapname\X)", "mapname", "X"},
        {R"(\hostname\mapname fan\mapname\X)", "hostname", "mapname fan"},
        {R"(\hostname\mapname)", "mapname", ""},
        {R"(\HOSTNAME\x)", "hostname", "x"},
        {R"(\hostname\First\hostname\Second)", "hostname", "First"},
        {R"(\hostname\  Alpha  \mapname\Delta)", "hostname", "  Alpha  "},
        {R"(\mapname\Delta\hostname)", "hostname", ""},
        {R"(\hostname\\mapname\Delta)", "mapname", "Delta"},
        {R"(\hostname\Alpha\)", "hostname", "Alpha"},
        // What comes before the first backslash is not a key, so here "mapname" is a value.
        {R"(hostname\X\mapname\Y)", "hostname", ""},
        {R"(hostname\X\mapname\Y)", "mapname", ""},
        {R"(junk\hostname\Alpha)", "hostname", "Alpha"},
        {"", "hostname", ""},
    };
    for (const LookupCase& c : cases) {
        EXPECT_EQ(parse::GetReplyValue(c.reply, c.key), c.expected) << c.reply << " " << c.key;
        parse::ParseServerReply(c.reply);
        EXPECT_EQ(Field(c.key), c.expected) << c.reply << " " << c.key;
    }
}

// The parse alone: a value out, the record, the table and the event loop untouched.
TEST_F(ReplyParserTest, AParseIsAValueAndTouchesNothingElse) {
    parse::ServerInfo().hostname = "Kept";
    const parse::ParsedReply reply = parse::ParseReply(
        R"(\gamename\bfv\Hostname\A\gamever\1.2\numplayers\3\player_0\Ann\keyhash_0\f0\x\1\gamename\2)"
        R"(\queryid\1.1\final\)");
    EXPECT_EQ(parse::ServerInfo().hostname, "Kept");
    EXPECT_EQ(parse::Players()[0].player, "");
    EXPECT_EQ(fakes.events.yields, 0);

    EXPECT_EQ(reply.record.hostname, "A");
    EXPECT_TRUE(reply.Holds(parse::kHostname) && reply.Holds(parse::kNumplayers) && !reply.Holds(parse::kMapname));
    EXPECT_EQ(reply.playerIndexes, 3);
    ASSERT_EQ(reply.players.size(), 3u);
    EXPECT_EQ(reply.players[0].player, "Ann");
    EXPECT_EQ(reply.players[2].player, "");
    EXPECT_EQ(reply.others, (std::vector<std::pair<std::string, std::string>>{{"gamename", "bfv"}, {"x", "1"}}));
    std::string order;
    for (const parse::ParsedReply::KeyPlace& place : reply.order) {
        order +=
            (place.inRecord ? std::string(parse::ServerFields()[place.index].key) : reply.others[place.index].first) +
            " ";
    }
    EXPECT_EQ(order, "gamename hostname gamever numplayers x ");
}

TEST_F(ReplyParserTest, TellsAKeyWithoutValueFromAnAbsentOne) {
    EXPECT_TRUE(parse::HasReplyKey(R"(\hostname\A\final\\queryid\1.1)", "final"));
    EXPECT_EQ(parse::GetReplyValue(R"(\hostname\A\final\\queryid\1.1)", "queryid"), "1.1");
    EXPECT_TRUE(parse::HasReplyKey(R"(\hostname\A\final)", "final"));
    EXPECT_FALSE(parse::HasReplyKey(R"(\hostname\final)", "final"));
    EXPECT_FALSE(parse::HasReplyKey(R"(\hostname\A\finally\)", "final"));
    EXPECT_FALSE(parse::HasReplyKey("", "final"));
}

TEST_F(ReplyParserTest, EachReplyRewritesTheWholeRecord) {
    parse::ParseServerReply(R"(\hostname\Alpha\mapname\Delta\maxplayers\32)");
    parse::ParseServerReply(R"(\hostname\Beta)");
    EXPECT_EQ(parse::ServerInfo().hostname, "Beta");
    EXPECT_EQ(parse::ServerInfo().mapname, "");
    EXPECT_EQ(parse::ServerInfo().maxplayers, "");
}

TEST_F(ReplyParserTest, ReadsEachPlayerByItsOwnIndex) {
    EXPECT_EQ(parse::ParseServerReply(R"(\numplayers\11\player_10\X\player_1\Y)"), 11);
    EXPECT_EQ(parse::Players()[1].player, "Y");
    EXPECT_EQ(parse::Players()[10].player, "X");
    EXPECT_EQ(parse::Players()[0].player, "");

    parse::ParseServerReply(R"(\numplayers\2)" + PlayerPairs(2, "P"));
    const parse::PlayerInfo& second = parse::Players()[1];
    EXPECT_EQ(second.player, "P1");
    EXPECT_EQ(second.team, "2");
    EXPECT_EQ(second.score, "s1");
    EXPECT_EQ(second.kills, "k1");
    EXPECT_EQ(second.deaths, "d1");
    EXPECT_EQ(second.ping, "p1");
}

struct BoundCase {
    std::optional<std::string> numplayers;  // nothing: the key is missing
    int filled;
    int yields;
};

TEST_F(ReplyParserTest, BoundsThePlayerLoopByTheCount) {
    const BoundCase cases[] = {
        {"0", 0, 0},     {"-3", 0, 0},  {std::nullopt, 0, 0}, {"", 0, 0},    {"many", 0, 0},    {"40000", 0, 0},
        {"32769", 0, 0}, {"2.5", 3, 3}, {"1.5", 1, 1},        {" 3 ", 3, 3}, {"300", 201, 300}, {"32768", 201, 32768},
    };
    const std::string players = PlayerPairs(300, "P");
    for (const BoundCase& c : cases) {
        const std::string label = c.numplayers.value_or("(missing)");
        for (parse::PlayerInfo& entry : parse::Players()) {
            entry.player = "old";
        }
        fakes.events.yields = 0;
        const std::string reply = (c.numplayers ? "\\numplayers\\" + *c.numplayers : "") + players;

        EXPECT_EQ(parse::ParseServerReply(reply), c.filled) << label;
        EXPECT_EQ(fakes.events.yields, c.yields) << label;
        EXPECT_EQ(parse::ServerInfo().numplayers, c.numplayers.value_or("")) << label;
        if (c.filled > 0) {
            const int last = c.filled - 1;
            EXPECT_EQ(parse::Players()[last].player, "P" + std::to_string(last)) << label;
        }
        if (c.filled < parse::kPlayerEntries) {
            EXPECT_EQ(parse::Players()[c.filled].player, "old") << label;
        }
    }
}

TEST_F(ReplyParserTest, AShorterReplyLeavesTheHigherEntries) {
    parse::ParseServerReply(R"(\numplayers\3)" + PlayerPairs(3, "First"));
    EXPECT_EQ(parse::ParseServerReply(R"(\numplayers\1)" + PlayerPairs(1, "Second")), 1);
    EXPECT_EQ(parse::Players()[0].player, "Second0");
    EXPECT_EQ(parse::Players()[1].player, "First1");
    EXPECT_EQ(parse::Players()[2].ping, "p2");
}

TEST_F(ReplyParserTest, TakesThePlayerCountFromTheReplyNotTheRecord) {
    parse::ServerInfo().hostname = "Alpha";
    parse::ServerInfo().numplayers = "5";
    EXPECT_EQ(parse::ParsePlayerList(R"(\numplayers\2)" + PlayerPairs(3, "P")), 2);
    EXPECT_EQ(parse::Players()[1].player, "P1");
    EXPECT_EQ(parse::Players()[2].player, "");
    EXPECT_EQ(parse::ServerInfo().hostname, "Alpha");
    EXPECT_EQ(fakes.events.yields, 2);
}

TEST_F(ReplyParserTest, AReplyParsedInsideAYieldLeavesTheInterruptedParseItsOwnBound) {
    int innerFilled = -1;
    fakes.events.onYield = [&] {
        fakes.events.onYield = nullptr;
        innerFilled = parse::ParseServerReply(R"(\hostname\Inner\numplayers\1)" + PlayerPairs(1, "Inner"));
    };
    EXPECT_EQ(parse::ParseServerReply(R"(\hostname\Outer\numplayers\3)" + PlayerPairs(3, "Outer")), 3);

    EXPECT_EQ(innerFilled, 1);
    EXPECT_EQ(parse::ServerInfo().hostname, "Inner");  // written last
    EXPECT_EQ(parse::Players()[0].player, "Inner0");
    EXPECT_EQ(parse::Players()[1].player, "Outer1");
    EXPECT_EQ(parse::Players()[2].player, "Outer2");
    EXPECT_EQ(fakes.events.yields, 4);
}

TEST_F(ReplyParserTest, KeepsReadingTheReplyItWasGivenWhenTheCallersTextChanges) {
    std::string received = R"(\numplayers\3)" + PlayerPairs(3, "A");
    fakes.events.onYield = [&] {
        fakes.events.onYield = nullptr;
        // A handler inside the yield overwrites the same buffer in place.
        std::replace(received.begin(), received.end(), 'A', 'B');
    };
    parse::ParseServerReply(received);
    EXPECT_EQ(parse::Players()[1].player, "A1");
    EXPECT_EQ(parse::Players()[2].player, "A2");
}

}  // namespace
}  // namespace vantorel
