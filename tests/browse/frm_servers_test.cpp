// The Servers window's handlers against a recording view, launcher link and network.

#include "browse/frm_servers.h"

#include <gtest/gtest.h>

#include "browse/kept_list.h"
#include "fakes/fake_servers_window.h"
#include "fakes/fake_services.h"

namespace vantorel::browse {
namespace {

using namespace std::chrono_literals;

constexpr const char* kKept = "C:\\Game\\Servers.txt";
constexpr const char* kIni = "C:\\Vantorel\\Vantorel.ini";

ServerKey Key(int last, std::uint16_t port = 23000) {
    return {"10.0.0." + std::to_string(last), port};
}

// The servers 10.0.0.<last>:23000, the first of them with the title a newer master sends.
MasterList Listing(const std::vector<int>& lasts, std::optional<MasterFault> fault = std::nullopt,
                   const std::string& firstTitle = {}) {
    auto table = std::make_shared<FieldTable>();
    table->keys.push_back({FieldTable::KeyType::kText, "hostname"});
    MasterList list;
    std::string why;
    for (int last : lasts) {
        ListedFields fields;
        if (list.Servers().empty() && !firstTitle.empty()) {
            fields = ListedFields(table, "\xFF" + firstTitle + '\0', true);
        }
        list.Add({{0x0A000000u + static_cast<std::uint32_t>(last), 23000}, fields}, &why);
    }
    fault ? list.SetFault(*fault) : list.MarkComplete();
    return list;
}

ServerAnswer Answer(const std::string& title, int players, int max = 32, std::uint16_t gamePort = 15567) {
    ServerAnswer answer;
    answer.title = title;
    answer.players = players;
    answer.maxPlayers = max;
    answer.pingMs = 40;
    answer.gamePort = gamePort;
    return answer;
}

class ServersWindowTest : public ::testing::Test {
  protected:
    void Open(std::vector<KeptServer> kept = {}, std::optional<std::string> version = std::nullopt) {
        platform.files.files[kIni] = "[Masters]\r\n127.0.0.1:28910\r\nm2.example:28900\r\n";
        if (!kept.empty()) {
            platform.files.files[kKept] = KeptListText("14.08.2004  20:33:28", kept);
        }
        frmServers::Options options;
        options.mastersPath = kIni;
        options.keptListPath = kKept;
        options.gameVersion = std::move(version);
        options.now = [this] { return now; };
        options.stamp = [] { return "15.08.2004  18:02:11"; };
        window = std::make_unique<frmServers>(view, link, source, options);
        window->Form_Load();
        platform.files.writes = 0;
    }
    std::string Names() const {
        std::string names;
        for (int i = 0; i < window->List().Count(); ++i) {
            names += (i ? "|" : "") + window->List().Row(i).Name();
        }
        return names;
    }
    KeptList Written() { return ParseKeptList(platform.files.files[kKept]); }

    testing::FakePlatform platform;
    testing::FakeServersView view;
    testing::FakeServersLink link;
    testing::FakeServerSource source;
    std::unique_ptr<frmServers> window;
    frmServers::Clock::time_point now{};
};

TEST_F(ServersWindowTest, TheKeptListShowsAtOnceAndTheMastersFillItAsTheyAnswer) {
    Open({{Key(1), Answer("Kept One", 3)}, {Key(9), Answer("Kept Nine", 0)}});
    EXPECT_EQ(Names(), "Kept One|Kept Nine");
    EXPECT_EQ(window->List().Row(0).Cell(Column::kPing), "");
    EXPECT_EQ(window->lblStatus.Caption(),
              "2 servers, 0 answered; the list kept on 14.08.2004  20:33:28, not yet refreshed");
    EXPECT_EQ(window->lblMasters.Caption(), "127.0.0.1:28910: asking; m2.example:28900: asking");
    EXPECT_EQ(source.masters.size(), 2u);
    EXPECT_EQ(source.queried, (std::vector<ServerKey>{Key(1), Key(9)}));  // asked before any master answers
    EXPECT_EQ(source.mostAtOnce, 256);

    source.events->OnMasterList(0, Listing({2, 1}, std::nullopt, "Listed \xE9"));
    EXPECT_EQ(Names(), "Kept One|Kept Nine|Listed \xC3\xA9");  // shown before it answers
    EXPECT_EQ(source.queried.back(), Key(2));
    EXPECT_EQ(source.queried.size(), 3u);
    source.events->OnMasterList(1, Listing({}, MasterFault{MasterFault::Kind::kTimedOut, {}}));
    EXPECT_EQ(window->lblMasters.Caption(), "127.0.0.1:28910: 2 servers; m2.example:28900: timed out");
    EXPECT_EQ(window->lblStatus.Caption(), "3 servers, 0 answered");

    ServerAnswer two = Answer("Two\x01", 31);
    two.playerNames.assign(300, "Ann\n");
    source.events->OnServerAnswer(Key(2), two);
    EXPECT_EQ(window->List().Find(Key(2))->values.playerNames.size(), ServerAnswer::kMostPlayerNames);
    EXPECT_EQ(window->List().Find(Key(2))->values.playerNames[0], "Ann?");
    source.events->OnServerAnswer(Key(7), Answer("Never asked", 1));
    source.events->OnServerFailed(Key(9), "no answer");
    EXPECT_EQ(platform.files.writes, 1);  // the list as the masters gave it
    source.events->OnServerAnswer(Key(1), Answer("One", 5));
    EXPECT_EQ(Names(), "One|Kept Nine|Two?");
    EXPECT_EQ(window->List().Row(1).Cell(Column::kPing), "no answer");
    EXPECT_EQ(window->List().Row(2).Cell(Column::kPing), "40");
    EXPECT_EQ(window->lblStatus.Caption(), "3 servers, 2 answered");

    // One master failed, so the servers it may have listed stay, and are kept.
    const KeptList written = Written();
    EXPECT_EQ(platform.files.writes, 2);
    EXPECT_EQ(written.saved, "15.08.2004  18:02:11");
    ASSERT_EQ(written.servers.size(), 3u);
    EXPECT_EQ(written.servers[0].values.title, "One");
}

TEST_F(ServersWindowTest, WhenEveryMasterFailsTheKeptListIsAskedAndKeptAsItWas) {
    Open({{Key(1), Answer("Kept One", 3)}});
    const std::string before = platform.files.files[kKept];
    source.events->OnMasterList(1, Listing({}, MasterFault{MasterFault::Kind::kUnreachable, "refused"}));
    source.events->OnMasterList(0, Listing({4}, MasterFault{MasterFault::Kind::kCutShort, {}}));
    source.events->OnServerAnswer(Key(1), Answer("One", 5));
    source.events->OnServerFailed(Key(4), "no answer");
    EXPECT_EQ(source.queried, (std::vector<ServerKey>{Key(1), Key(4)}));
    EXPECT_EQ(window->lblMasters.Caption(),
              "127.0.0.1:28910: closed before the end of its list after 1 server; m2.example:28900: refused");
    EXPECT_EQ(window->lblStatus.Caption(),
              "2 servers, 1 answered; no master answered, so the servers known before are asked directly");
    EXPECT_EQ(platform.files.writes, 0);
    EXPECT_EQ(platform.files.files[kKept], before);
}

TEST_F(ServersWindowTest, FavouritesStayMarkedWhenNoMasterListsThemAndTheyDoNotAnswer) {
    link.favorites = {
        {"Home", "10.0.0.05", "15600"}, {"Named", "bfv.example", "15567"}, {"Also home", "10.0.0.5", "1"}};
    Open({{Key(9), Answer("Gone", 0)}});
    EXPECT_EQ(source.queried, (std::vector<ServerKey>{Key(9), Key(5), {"bfv.example", 23000}}));
    source.events->OnMasterList(0, Listing({1}));
    source.events->OnMasterList(1, Listing({5}));
    // Every master answered whole: what none lists is gone, unless it is a favourite.
    EXPECT_EQ(Names(), "Home|Named|10.0.0.1:23000");
    source.events->OnServerFailed({"bfv.example", 23000}, "no answer");
    const ServerRow& named = window->List().Row(1);
    EXPECT_EQ(named.favorite, "Named");
    EXPECT_EQ(named.Cell(Column::kAddress), "bfv.example:15567");
    EXPECT_EQ(named.Cell(Column::kPing), "no answer");
    EXPECT_EQ(window->List().Row(0).Cell(Column::kAddress), "10.0.0.5:15600");

    source.events->OnServerAnswer(Key(1), Answer("One", 1));
    source.events->OnServerAnswer(Key(5), Answer("Five", 1, 32, 0));
    EXPECT_EQ(window->List().Row(0).favorite, "Home");
    EXPECT_EQ(window->List().Row(0).Cell(Column::kAddress), "10.0.0.5:15600");
    std::vector<ServerKey> kept;
    for (const KeptServer& server : Written().servers) {
        kept.push_back(server.key);
    }
    EXPECT_EQ(kept, (std::vector<ServerKey>{Key(5), Key(1)}));  // listed servers only
}

TEST_F(ServersWindowTest, JoinAddAndCopyActOnTheSelectedServer) {
    Open();
    source.events->OnMasterList(0, Listing({1, 2, 3}));
    source.events->OnMasterList(1, Listing({}));
    source.events->OnServerAnswer(Key(1), Answer("Open", 10));
    source.events->OnServerAnswer(Key(2), Answer("Full", 30, 30, 15568));
    window->lvwServers_ItemClick(0);
    EXPECT_EQ(link.shown, (std::vector<ServerTarget>{{"10.0.0.1", 23000, 15567, "Open"}}));
    window->Form_KeyDown(frmServers::kKeyReturn);
    EXPECT_EQ(link.joins, (std::vector<std::string>{"10.0.0.1:15567"}));
    link.joinFailure = "The game was not started: access denied.";
    window->lblJoin_Click();
    EXPECT_EQ(view.messages.back(), "Error: The game was not started: access denied.");

    window->lvwServers_ItemClick(1);
    window->lvwServers_DblClick();
    EXPECT_EQ(view.questions.back(), "Full is full. Wait for a free slot, then join?");
    EXPECT_EQ(link.waits, (std::vector<ServerTarget>{{"10.0.0.2", 23000, 15568, "Full"}}));
    EXPECT_EQ(link.joins.size(), 2u);

    window->lvwServers_ItemClick(2);  // listed, never answered: no game port
    window->mnuJoin_Click();
    window->mnuAddFav_Click();
    EXPECT_EQ(view.messages.back(),
              "Error: 10.0.0.3:23000 has not said which port its game is on, so it cannot be added yet.");
    window->mnuCopyAddress_Click();
    EXPECT_EQ(view.clipboard, "10.0.0.3");
    EXPECT_EQ(link.joins.size(), 2u);

    window->lvwServers_ItemClick(0);
    window->mnuCopyAddress_Click();
    EXPECT_EQ(view.clipboard, "10.0.0.1:15567");
    link.refusal = "The name is refused.";
    window->lblAddFav_Click();
    EXPECT_EQ(view.messages.back(), "Error: The name is refused.");
    link.refusal.clear();
    window->mnuAddFav_Click();
    EXPECT_EQ(link.saved, (std::vector<FavoriteServer>{{"Open", "10.0.0.1", "15567"}}));
    EXPECT_EQ(view.messages.back(), "Info: Server Added!");
    EXPECT_EQ(window->List().Row(0).favorite, "Open");
}

TEST_F(ServersWindowTest, TypingSelectsTheNextServerWhoseNameBeginsSo) {
    Open();
    source.events->OnMasterList(0, Listing({1, 2, 3, 4}));
    const char* titles[] = {"Alpha", "Bravo", "bravo two", "Charlie"};
    for (int i = 0; i < 4; ++i) {
        source.events->OnServerAnswer(Key(i + 1), Answer(titles[i], 1));
    }
    const struct {
        const char* typed;
        std::chrono::milliseconds after;
        const char* selected;
    } keys[] = {
        {"b", 0ms, "Bravo"},       {"b", 200ms, "bravo two"}, {"b", 200ms, "Bravo"},  // one letter steps
        {"c", 2s, "Charlie"},      {"b", 2s, "Bravo"},        {"R", 300ms, "Bravo"},
        {"a", 300ms, "Bravo"},     {"v", 300ms, "Bravo"},     {"o", 300ms, "Bravo"},
        {" ", 300ms, "bravo two"}, {"x", 300ms, "bravo two"},  // no match: the selection stays
    };
    for (const auto& key : keys) {
        now += key.after;
        window->lvwServers_KeyPress(key.typed);
        ASSERT_GE(view.selected, 0);
        EXPECT_EQ(window->List().Row(view.selected).Name(), key.selected) << key.typed;
    }
    EXPECT_EQ(link.shown.back().name, "bravo two");
}

TEST_F(ServersWindowTest, FiltersSayHowManyTheyHideAndRefreshAsksAgain) {
    Open();
    source.events->OnMasterList(0, Listing({1, 2, 3}));
    source.events->OnServerAnswer(Key(1), Answer("One", 0));
    source.events->OnServerAnswer(Key(2), Answer("Two", 4));
    window->chkNotEmpty.UserClicked(1);
    window->chkNotEmpty_Click();
    EXPECT_EQ(Names(), "Two");
    EXPECT_EQ(window->lblHidden.Caption(), "2 hidden by filters");
    window->txtSearch.UserTyped("none");
    window->txtSearch_Change();
    EXPECT_EQ(window->lblHidden.Caption(), "3 hidden by filters");
    window->txtSearch.UserTyped("");
    window->txtSearch_Change();
    window->chkNotEmpty.UserClicked(0);
    window->chkNotEmpty_Click();
    EXPECT_EQ(window->lblHidden.Caption(), "");

    window->chkSameVersion.UserClicked(1);
    window->chkSameVersion_Click();
    EXPECT_EQ(window->chkSameVersion.Value(), 0);
    EXPECT_EQ(view.messages.back(), std::string("Info: ") + frmServers::kVersionUnknown);

    window->Form_KeyDown(frmServers::kKeyF5);
    EXPECT_EQ(source.cancels, 2);
    EXPECT_EQ(source.queried.size(), 6u);  // every server once more
    EXPECT_EQ(window->lblStatus.Caption(), "3 servers, 0 answered");
    EXPECT_EQ(window->List().Row(0).Name(), "One");  // values stay until the new answers
}

// The window is closed and opened again without being made anew: what is asked then is
// reported to it again.
TEST_F(ServersWindowTest, AWindowOpenedAgainHearsItsAnswers) {
    Open();
    window->Form_Unload();
    EXPECT_EQ(source.events, nullptr);
    window->Form_Load();
    ASSERT_EQ(source.events, window.get());
    source.events->OnMasterList(0, Listing({1}));
    source.events->OnServerAnswer(Key(1), Answer("One", 2));
    EXPECT_EQ(window->lblStatus.Caption(), "1 server, 1 answered");
}

}  // namespace
}  // namespace vantorel::browse
