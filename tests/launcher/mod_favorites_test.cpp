#include <gtest/gtest.h>

#include "fakes/fake_services.h"
#include "forms/combo_box.h"
#include "launcher/mod_favorites.h"
#include "launcher/mod_main.h"

namespace vantorel {
namespace {

using modFavorites::FillFavoriteList;
using modFavorites::GetFavoritePort;
using modFavorites::GetFavoriteServer;
using modFavorites::SaveFavorite;

constexpr const char* kFile = "C:\\BFV\\Favorites.ini";
constexpr const char* kGame = "C:\\BFV\\bfvietnam.exe";

class FavoritesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fakes.registry.SetString(platform::kLocalMachine, modMain::kGameKey, "GAMEDIR", "C:\\BFV");
        fakes.files.files[kGame] = "MZ";
        modMain::ReadGameDir();
    }
    std::string& File() { return fakes.files.files[kFile]; }
    std::vector<std::string> Listed() {
        ComboBox list;
        FillFavoriteList(list);
        return list.Items();
    }

    testing::FakePlatform fakes;
};

TEST_F(FavoritesTest, SavingWritesTheThreeKeysOfTheSection) {
    EXPECT_TRUE(SaveFavorite("Team Server", "192.168.1.5", "15567").ok);
    fakes.clock.date = "15.08.2004";
    fakes.clock.time = "18:02:11";
    EXPECT_TRUE(SaveFavorite("Old Server", "0.0.0.0", "0").ok);
    EXPECT_EQ(File(),
              "[Team Server]\r\nServer=192.168.1.5\r\nPort=15567\r\nCreation=14.08.2004  20:33:28\r\n"
              "[Old Server]\r\nServer=0.0.0.0\r\nPort=0\r\nCreation=15.08.2004  18:02:11\r\n");
    EXPECT_EQ(fakes.files.writes, 2);  // one atomic save per favourite, never one per key
}

TEST_F(FavoritesTest, ReadsBackWhatWasSavedAndDefaultForWhatIsMissing) {
    SaveFavorite("Team Server", "192.168.1.5", "15567");
    EXPECT_EQ(GetFavoriteServer("team server"), "192.168.1.5");
    EXPECT_EQ(GetFavoritePort("Team Server"), "15567");
    EXPECT_EQ(GetFavoriteServer("Nobody"), "Default");
    File() += "[Bare]\r\nServer=\r\n";
    EXPECT_EQ(GetFavoriteServer("Bare"), "");
    EXPECT_EQ(GetFavoritePort("Bare"), "Default");
    fakes.files.files.erase(kFile);
    EXPECT_EQ(GetFavoriteServer("Team Server"), "Default");
}

TEST_F(FavoritesTest, TheListShowsNoServerThenTheFavouritesInFileOrder) {
    File() = "[B]\r\nServer=2.2.2.2\r\n[A]\r\nServer=1.1.1.1\r\n[Gone]\r\nServer=0.0.0.0\r\n[NoKey]\r\nPort=1\r\n";
    EXPECT_EQ(Listed(), (std::vector<std::string>{"-- No Server --", "B", "A", "NoKey"}));
}

TEST_F(FavoritesTest, AMissingFileListsOnlyNoServer) {
    EXPECT_EQ(Listed(), (std::vector<std::string>{"-- No Server --"}));
}

TEST_F(FavoritesTest, FillingSelectsEntryZeroThroughTheSelectionHandler) {
    SaveFavorite("A", "1.1.1.1", "1");
    ComboBox list;
    int clicks = 0;
    list.SetOnClick([&] {
        ++clicks;
        EXPECT_EQ(list.ListIndex(), 0);
    });
    FillFavoriteList(list);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(list.Text(), "-- No Server --");
}

TEST_F(FavoritesTest, EveryFavouriteIsListedHoweverLongTheNames) {
    std::vector<std::string> expected{"-- No Server --"};
    for (int i = 0; i < 40; ++i) {
        const std::string name = "A favourite with a rather long name, number " + std::to_string(i);
        SaveFavorite(name, "10.0.0." + std::to_string(i), "15567");
        expected.push_back(name);
    }
    EXPECT_EQ(Listed(), expected);
}

TEST_F(FavoritesTest, RemovingHidesAndReaddingReusesTheOneSection) {
    SaveFavorite("Team Server", "192.168.1.5", "15567");
    SaveFavorite("TEAM SERVER", "0.0.0.0", "0");
    EXPECT_EQ(Listed(), (std::vector<std::string>{"-- No Server --"}));
    fakes.clock.time = "21:00:00";
    SaveFavorite("team server", "10.0.0.1", "15568");
    EXPECT_EQ(Listed(), (std::vector<std::string>{"-- No Server --", "Team Server"}));
    EXPECT_EQ(File(), "[Team Server]\r\nServer=10.0.0.1\r\nPort=15568\r\nCreation=14.08.2004  21:00:00\r\n");
}

TEST_F(FavoritesTest, AFavouriteWithIpZeroIsWrittenButNeverListed) {
    EXPECT_TRUE(SaveFavorite("Zero", "0.0.0.0", "15567").ok);
    EXPECT_NE(File().find("[Zero]"), std::string::npos);
    EXPECT_EQ(Listed(), (std::vector<std::string>{"-- No Server --"}));
}

TEST_F(FavoritesTest, RemovingANameNeverAddedCreatesARemovedSection) {
    SaveFavorite("Never", "0.0.0.0", "0");
    EXPECT_EQ(File(), "[Never]\r\nServer=0.0.0.0\r\nPort=0\r\nCreation=14.08.2004  20:33:28\r\n");
}

TEST_F(FavoritesTest, RefusesTextsThatWouldCorruptTheFileAndWritesNothing) {
    const struct {
        std::string name, server, port, reason;
    } cases[] = {
        {"", "1.1.1.1", "1", "Please enter a server name"},
        {"  ", "1.1.1.1", "1", "Please enter a server name"},
        {"Two\r\nLines", "1.1.1.1", "1", "A server name cannot contain a line break."},
        {"Name", "1.1.1.1\n[X]", "1", "The server IP and port cannot contain a line break."},
        {"Name", "1.1.1.1", "1\r2", "The server IP and port cannot contain a line break."},
        {"東京", "1.1.1.1", "1", "The favourites file cannot store some of these characters."},
    };
    for (const auto& c : cases) {
        const modFavorites::SaveResult result = SaveFavorite(c.name, c.server, c.port);
        EXPECT_FALSE(result.ok) << c.name;
        EXPECT_EQ(result.reason, c.reason) << c.name;
    }
    EXPECT_EQ(fakes.files.writes, 0);
}

TEST_F(FavoritesTest, ReportsAFailedWrite) {
    fakes.files.writeFailure = "Access is denied.";
    const modFavorites::SaveResult result = SaveFavorite("A", "1.1.1.1", "1");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, "Could not write C:\\BFV\\Favorites.ini: Access is denied.");
}

TEST_F(FavoritesTest, NeverReplacesAFileItCouldNotRead) {
    File() = "[Keep]\r\nServer=1.1.1.1\r\n";
    fakes.files.readFailure = "The process cannot access the file.";
    EXPECT_FALSE(SaveFavorite("A", "2.2.2.2", "1").ok);
    EXPECT_EQ(fakes.files.writes, 0);
    EXPECT_EQ(File(), "[Keep]\r\nServer=1.1.1.1\r\n");
}

TEST_F(FavoritesTest, NonAsciiNamesAreStoredInTheCodePage) {
    SaveFavorite("Équipe", "1.1.1.1", "1");
    EXPECT_EQ(File().substr(0, 10), "[\xC9quipe]\r\n");
    EXPECT_EQ(Listed(), (std::vector<std::string>{"-- No Server --", "Équipe"}));
    EXPECT_EQ(GetFavoriteServer("équipe"), "1.1.1.1");
}

// Counts what a real control would be told.
class CountingObserver : public ComboBox::Observer {
  public:
    void ItemsCleared(const ComboBox&) override { ++clears; }
    void ItemAdded(const ComboBox&, const std::string&) override { ++additions; }
    void SelectionChanged(const ComboBox&) override {}
    void TextChanged(const ComboBox&) override {}
    int clears = 0;
    int additions = 0;
};

TEST_F(FavoritesTest, AFillReadsTheFileOnceAndAddsEachItemOnce) {
    for (int i = 0; i < 2000; ++i) {
        File() += "[Server " + std::to_string(i) + "]\r\nServer=10.0." + std::to_string(i / 256) + "." +
                  std::to_string(i % 256) + "\r\nPort=15567\r\n";
    }
    File() += "[Gone]\r\nServer=0.0.0.0\r\nPort=0\r\n";
    ComboBox list;
    CountingObserver observer;
    list.SetObserver(&observer);
    fakes.files.reads = 0;
    FillFavoriteList(list);
    EXPECT_EQ(fakes.files.reads, 1);
    EXPECT_EQ(observer.clears, 1);
    EXPECT_EQ(observer.additions, 2001);
    EXPECT_EQ(list.Items().back(), "Server 1999");
}

TEST_F(FavoritesTest, NoFavouriteIsSavedOutsideAGameFolderThatWasFound) {
    fakes.files.files.erase(kGame);
    const modFavorites::SaveResult result = SaveFavorite("A", "1.1.1.1", "1");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason,
              "Favourites are kept in the game's folder, but Battlefield Vietnam was not found: there is no "
              "bfvietnam.exe in C:\\BFV, the folder that GAMEDIR names.");
    fakes.registry.Clear();
    modMain::ReadGameDir();
    EXPECT_FALSE(SaveFavorite("A", "1.1.1.1", "1").ok);
    EXPECT_EQ(fakes.files.writes, 0);
}

TEST_F(FavoritesTest, FindsAFavouriteInAnyCaseButNotARemovedOne) {
    File() = "[Team Server]\r\nServer=1.1.1.1\r\nPort=2\r\n[Gone]\r\nServer=0.0.0.0\r\n[Bare]\r\n";
    const auto found = modFavorites::FindFavorite("TEAM server");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->name, "Team Server");
    EXPECT_EQ(found->server, "1.1.1.1");
    EXPECT_EQ(found->port, "2");
    EXPECT_FALSE(modFavorites::FindFavorite("gone"));
    EXPECT_FALSE(modFavorites::FindFavorite("Nobody"));
    EXPECT_EQ(modFavorites::FindFavorite("Bare")->server, "Default");
}

TEST_F(FavoritesTest, ASaveHoldsTheLockFromItsReadToItsWriteAndReadsShareIt) {
    fakes.files.calls.clear();
    SaveFavorite("A", "1.1.1.1", "1");
    Listed();
    EXPECT_EQ(fakes.files.calls,
              (std::vector<std::string>{"lock", "read", "write", "unlock", "share", "read", "unlock"}));

    // A launcher that hangs in its save: this one says so rather than wait for ever, and
    // still reads the file as it is.
    fakes.files.lockBusy = true;
    const modFavorites::SaveResult result = SaveFavorite("B", "2.2.2.2", "2");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason,
              "Could not write C:\\BFV\\Favorites.ini: another launcher has been saving it for more than 5 seconds. "
              "Please try again.");
    EXPECT_EQ(fakes.files.writes, 1);
    EXPECT_EQ(Listed(), (std::vector<std::string>{"-- No Server --", "A"}));
}

TEST_F(FavoritesTest, NamesWithBracketsAreStoredAndReadBackAsTyped) {
    const std::vector<std::string> names{"[VN] Café Saigon", "Saigon [VN]", "A]B", "]", "[", "[[x]]",
                                         "; not a comment"};
    for (const std::string& name : names) {
        ASSERT_TRUE(SaveFavorite(name, "10.0.0.1", "15567").ok) << name;
    }
    std::vector<std::string> expected{"-- No Server --"};
    expected.insert(expected.end(), names.begin(), names.end());
    EXPECT_EQ(Listed(), expected);
    for (const std::string& name : names) {
        const auto found = modFavorites::FindFavorite(name);
        ASSERT_TRUE(found) << name;
        EXPECT_EQ(found->name, name);
    }
}

}  // namespace
}  // namespace vantorel
