// The Servers window's list: stable sorts by clicked columns, filters that count what they
// hide, and single-row changes that redraw only the rows that moved.

#include <gtest/gtest.h>

#include <random>

#include "browse/server_list.h"
#include "fakes/fake_servers_window.h"

namespace vantorel::browse {
namespace {

struct Given {
    std::string title;
    std::optional<int> players;
    int max = 32;
    std::string map = "Hue";
    std::optional<bool> password = false;
    std::string version = "v1.21";
};

ServerList Filled(const std::vector<Given>& given) {
    std::vector<ServerKey> keys;
    for (std::size_t i = 0; i < given.size(); ++i) {
        keys.push_back({"10.0.0." + std::to_string(i + 1), 23000});
    }
    ServerList list;
    std::size_t next = 0;
    list.Merge(keys, [&](ServerRow& row) {
        const Given& one = given[next++];
        row.values.title = one.title;
        row.values.players = one.players;
        row.values.maxPlayers = one.max;
        row.values.map = one.map;
        row.values.password = one.password;
        row.values.version = one.version;
    });
    return list;
}

RowFilter Filter(std::string search, bool notEmpty = false, bool notFull = false, bool noPassword = false,
                 std::optional<std::string> version = std::nullopt) {
    RowFilter filter;
    filter.search = std::move(search);
    filter.notEmpty = notEmpty;
    filter.notFull = notFull;
    filter.noPassword = noPassword;
    filter.sameVersion = std::move(version);
    return filter;
}

std::string Shown(const ServerList& list) {
    std::string names;
    for (int i = 0; i < list.Count(); ++i) {
        names += (i ? " " : "") + list.Row(i).Name();
    }
    return names;
}

TEST(ServerList, AClickSortsByItsColumnASecondReversesAndThePreviousSortBreaksTies) {
    const std::vector<Given> given = {{"b", 5, 32, "Hue"},
                                      {"A", 12, 32, "Khe"},
                                      {"c", std::nullopt, 32, "Hue"},
                                      {"d", 5, 32, "Khe"},
                                      {"e", 0, 32, ""}};
    const struct {
        std::vector<Column> clicks;
        std::string order;
    } cases[] = {
        {{}, "b A c d e"},
        {{Column::kServer}, "A b c d e"},
        {{Column::kServer, Column::kServer}, "e d c b A"},
        // The most players first; unknown counts last whichever the direction.
        {{Column::kPlayers}, "A b d e c"},
        {{Column::kPlayers, Column::kPlayers}, "e b d A c"},
        {{Column::kServer, Column::kServer, Column::kPlayers}, "A d b e c"},
        {{Column::kMap}, "b c A d e"},
        {{Column::kPlayers, Column::kPlayers, Column::kMap}, "b c d A e"},
    };
    for (const auto& c : cases) {
        ServerList list = Filled(given);
        for (Column column : c.clicks) {
            list.SortBy(column);
        }
        EXPECT_EQ(Shown(list), c.order) << c.clicks.size() << " clicks";
    }
}

TEST(ServerList, FiltersPassOnlyWhatTheValuesShowAndCountTheRest) {
    std::vector<Given> given = {{"Saigon Nights", 12, 32, "Hue", false, "v1.21"},
                                {"Empty", 0, 32, "Khe Sanh", false, "v1.2"},
                                {"Full", 32, 32, "Hue", true, "V1.21"},
                                {"Silent", std::nullopt, 32, "", std::nullopt, ""}};
    const struct {
        RowFilter filter;
        std::string shown;
    } cases[] = {
        {Filter(""), "Saigon Nights Empty Full Silent"},
        {Filter("  saigon "), "Saigon Nights"},
        {Filter("KHE"), "Empty"},
        {Filter("10.0.0.3"), "Full"},
        {Filter("charlie"), "Empty"},  // a player's name
        {Filter("nights\nhue"), ""},   // no match runs across two texts
        {Filter("", true), "Saigon Nights Full"},
        {Filter("", false, true), "Saigon Nights Empty"},
        {Filter("", false, false, true), "Saigon Nights Empty"},
        {Filter("", false, false, false, "v1.21"), "Saigon Nights Full"},
    };
    for (const auto& c : cases) {
        ServerList list = Filled(given);
        list.Update({"10.0.0.2", 23000}, [](ServerRow& row) { row.values.playerNames = {"Charlie"}; });
        list.SetFilter(c.filter);
        EXPECT_EQ(Shown(list), c.shown) << c.filter.search;
        EXPECT_EQ(list.Hidden(), 4u - static_cast<std::size_t>(list.Count()));
    }
}

TEST(ServerList, AChangedRowRedrawsOnlyTheRowsBetweenItsPlacesAndTheSelectionFollowsIt) {
    ServerList list = Filled({{"a", 1}, {"b", 2}, {"c", 3}, {"d", 4}, {"e", 5}});
    testing::FakeServersView view;
    list.SetObserver(&view);
    list.SortBy(Column::kPlayers);  // e d c b a
    list.Select(4);                 // a
    view.redraws.clear();

    list.Update({"10.0.0.1", 23000}, [](ServerRow& row) { row.values.players = 9; });
    EXPECT_EQ(Shown(list), "a e d c b");
    EXPECT_EQ(view.redraws, (std::vector<testing::FakeServersView::Redraw>{{0, 4}}));
    EXPECT_EQ(view.selected, 0);

    list.SetFilter(Filter("", true));
    view.redraws.clear();
    list.Update({"10.0.0.4", 23000}, [](ServerRow& row) { row.values.players = 0; });  // d hides
    EXPECT_EQ(view.rowCount, 4);
    EXPECT_EQ(view.redraws.back(), (testing::FakeServersView::Redraw{2, 3}));
    list.Update({"10.0.0.2", 23000}, [](ServerRow& row) { row.values.title = "B"; });  // no move
    EXPECT_EQ(view.redraws.back(), (testing::FakeServersView::Redraw{3, 3}));
    list.Update({"10.0.0.1", 23000}, [](ServerRow& row) { row.values.players = 0; });  // the selection hides
    EXPECT_EQ(view.selected, -1);
    EXPECT_EQ(list.SelectedRow(), nullptr);
}

// Rows moved one at a time must end where a whole sort puts them.
TEST(ServerList, RowsMovedOneAtATimeEndWhereAWholeSortPutsThem) {
    std::vector<Given> given;
    for (int i = 0; i < 300; ++i) {
        given.push_back({"s" + std::to_string(i % 37), i % 5 == 0 ? std::nullopt : std::optional<int>(i % 11)});
    }
    ServerList list = Filled(given);
    list.SortBy(Column::kServer);
    list.SortBy(Column::kPlayers);
    list.SetFilter(Filter("s1"));
    std::mt19937 random(7);
    for (int step = 0; step < 2000; ++step) {
        const ServerKey key{"10.0.0." + std::to_string(random() % 300 + 1), 23000};
        const int players = static_cast<int>(random() % 13) - 1;
        list.Update(key, [&](ServerRow& row) {
            row.values.players = players < 0 ? std::nullopt : std::optional<int>(players);
            row.values.title = "s" + std::to_string(random() % 37);
        });
    }
    const std::string incremental = Shown(list);
    list.SetFilter(list.Filter());  // a whole sort and filter
    EXPECT_EQ(Shown(list), incremental);
    for (int i = 0; i < list.Count(); ++i) {
        ASSERT_EQ(list.Position(list.Row(i).key), i);
    }
}

}  // namespace
}  // namespace vantorel::browse
