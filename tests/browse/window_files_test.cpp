// The Servers window's two files: the kept list beside the favourites, read as hostile
// input, and the masters of Vantorel.ini.

#include <gtest/gtest.h>

#include "browse/kept_list.h"
#include "browse/masters_file.h"
#include "fakes/fake_services.h"

namespace vantorel::browse {
namespace {

constexpr std::string_view kHeader = "Vantorel servers 1\r\nsaved\t14.08.2004  20:33:28\r\n";

TEST(KeptList, WhatIsWrittenReadsBackTheSame) {
    KeptServer known{{"10.0.0.1", 23000}, {}};
    known.values = {"Saigon \xC3\xA9t\xC3\xA9", "Hue", "conquest", "v1.21", 12, 32, 2, true, 40, 15567, {"Ann"}};
    const KeptServer unknown{{"10.0.0.2", 23001}, {}};
    const std::string text = KeptListText("14.08.2004  20:33:28", {known, unknown});
    EXPECT_EQ(text.substr(0, kHeader.size()), kHeader);

    const KeptList read = ParseKeptList(text);
    EXPECT_EQ(read.saved, "14.08.2004  20:33:28");
    EXPECT_EQ(read.skipped, 0u);
    ASSERT_EQ(read.servers.size(), 2u);
    const ServerAnswer& values = read.servers[0].values;
    EXPECT_EQ(read.servers[0].key, known.key);
    EXPECT_EQ(std::tie(values.title, values.map, values.gameType, values.version),
              std::tie(known.values.title, known.values.map, known.values.gameType, known.values.version));
    EXPECT_EQ(values.players, 12);
    EXPECT_EQ(values.maxPlayers, 32);
    EXPECT_EQ(values.reserved, 2);
    EXPECT_EQ(values.password, true);
    EXPECT_EQ(values.gamePort, 15567);
    EXPECT_FALSE(values.pingMs);  // a ping is of its moment, and not kept
    EXPECT_EQ(read.servers[1].key, unknown.key);
    EXPECT_FALSE(read.servers[1].values.players);
    EXPECT_FALSE(read.servers[1].values.password);
    EXPECT_EQ(read.servers[1].values.gamePort, 0);
}

TEST(KeptList, ALineThatIsNotExactlyAServersIsSkipped) {
    const struct {
        std::string line;
        bool read;
    } cases[] = {
        {"10.0.0.1:23000\t15567\t1\t32\t0\t0\tT\tM\tG\tV", true},
        {"10.0.0.1:23000\t\t\t\t\t\t\t\t\t", true},
        {"10.0.0.1:23000\t15567\t1\t32\t0\t0\tT\tM\tG", false},        // a field short
        {"10.0.0.1:23000\t15567\t1\t32\t0\t0\tT\tM\tG\tV\tX", false},  // a field over
        {"10.0.0.1:0\t\t\t\t\t\t\t\t\t", false},
        {"0.0.0.1:23000\t\t\t\t\t\t\t\t\t", false},
        {"224.0.0.1:23000\t\t\t\t\t\t\t\t\t", false},
        {"10.0.0.256:23000\t\t\t\t\t\t\t\t\t", false},
        {"host.example:23000\t\t\t\t\t\t\t\t\t", false},
        {"10.0.0.1:65536\t\t\t\t\t\t\t\t\t", false},
        {"10.0.0.1:23000\t15567\t-1\t32\t0\t0\tT\tM\tG\tV", false},
        {"10.0.0.1:23000\t15567\t99999999999\t32\t0\t0\tT\tM\tG\tV", false},
        {"10.0.0.1:23000\t15567\t1\t32\t0\t2\tT\tM\tG\tV", false},
        {"", false},
    };
    for (const auto& c : cases) {
        const KeptList read = ParseKeptList(std::string(kHeader) + c.line + "\n");
        EXPECT_EQ(read.servers.size(), c.read ? 1u : 0u) << c.line;
        EXPECT_EQ(read.skipped, c.read ? 0u : 1u) << c.line;
    }
}

TEST(KeptList, AnyBytesReadAsBoundedPrintableText) {
    const KeptList foreign = ParseKeptList("[Team Server]\r\nServer=10.0.0.1\r\n");
    EXPECT_TRUE(foreign.servers.empty());
    EXPECT_EQ(foreign.problem, "It is not a list of servers that Vantorel wrote.");

    const std::string odd = "a\x01\x7F\xE9\xFF" + std::string(300, 'x');
    const KeptList read = ParseKeptList(std::string(kHeader) + "10.0.0.1:23000\t\t\t\t\t\t" + odd + "\t\t\t");
    ASSERT_EQ(read.servers.size(), 1u);
    EXPECT_EQ(read.servers[0].values.title, "a??\xC3\xA9\xC3\xBF" + std::string(250, 'x'));

    std::string many(kHeader);
    for (std::size_t i = 0; i <= kMostKeptServers; ++i) {
        many += "10.1." + std::to_string(i / 256 % 256) + "." + std::to_string(i % 256) + ":" +
                std::to_string(23000 + i / 65536) + "\t\t\t\t\t\t\t\t\t\n";
    }
    const KeptList bounded = ParseKeptList(many);
    EXPECT_EQ(bounded.servers.size(), kMostKeptServers);
    EXPECT_EQ(bounded.skipped, 1u);

    testing::FakePlatform platform;
    platform.files.files["big"] = std::string(kMostKeptBytes + 1, 'x');
    EXPECT_EQ(ReadKeptList("big").problem, "It is larger than 8 MB.");
    EXPECT_EQ(ReadKeptList("missing").problem, "");
}

TEST(MastersFile, MastersSectionLinesElseTheCommunityMasters) {
    const struct {
        std::string text;
        std::string masters;  // "host:port/protocol ..."
        std::vector<std::string> problems;
    } cases[] = {
        {"", "bfvietnam.ms0.openspy.net:28910/1 bfvietnam.master.openspy.net:28900/2 master2.qtracker.com:28900/2", {}},
        {"\xEF\xBB\xBF[masters]\r\n127.0.0.1:28910\r\n\r\n; a note\r\nmaster.example\r\n",
         "127.0.0.1:28910/0 master.example:28910/0",
         {}},
        {"[Other]\nx:1\n[Masters]\nOne = x.example:28900\nx.example:28900\n[Later]\ny:1\n", "x.example:28900/0", {}},
        {"[Masters]\nMASTER2.QTRACKER.COM:28900\n", "MASTER2.QTRACKER.COM:28900/2", {}},
        {"[Masters]\nbad host:1\nx:0\nx:70000\n:28910\nok.example:1\n",
         "ok.example:1/0",
         {"Vantorel.ini, line 2: \"bad host:1\" is not HOST:PORT.", "Vantorel.ini, line 3: \"x:0\" is not HOST:PORT.",
          "Vantorel.ini, line 4: \"x:70000\" is not HOST:PORT.", "Vantorel.ini, line 5: \":28910\" is not HOST:PORT."}},
    };
    for (const auto& c : cases) {
        const MastersSetting setting = ParseMasters(c.text);
        std::string masters;
        for (const MasterAddress& master : setting.masters) {
            masters +=
                (masters.empty() ? "" : " ") + master.Text() + "/" + std::to_string(static_cast<int>(master.protocol));
        }
        EXPECT_EQ(masters, c.masters) << c.text;
        EXPECT_EQ(setting.problems, c.problems) << c.text;
    }
    std::string many = "[Masters]\n";
    for (int i = 0; i < 20; ++i) {
        many += "m" + std::to_string(i) + ".example\n";
    }
    EXPECT_EQ(ParseMasters(many).masters.size(), kMostMasters);
    EXPECT_EQ(ParseMasters(many).problems.size(), 1u);
}

}  // namespace
}  // namespace vantorel::browse
