// The favourites store against the real file system of the target.

#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/fake_services.h"
#include "fakes/temp_folder.h"
#include "launcher/combo_box.h"
#include "launcher/mod_favorites.h"
#include "launcher/mod_main.h"

namespace vantorel {
namespace {

// As the original program left it: Windows-1252, a non-ASCII name, a removed favourite,
// a comment and a blank line of the user's.
const std::string kUsersFile =
    "[Team Server]\r\n"
    "Server=192.168.1.5\r\n"
    "Port=15567\r\n"
    "Creation=14.08.2004  20:33:28\r\n"
    "[Caf\xE9 des Sp\xE9"
    "cialistes]\r\n"
    "Server=10.1.1.1\r\n"
    "Port=15568\r\n"
    "Creation=15.08.2004  18:02:11\r\n"
    "; kept by hand\r\n"
    "\r\n"
    "[Old Server]\r\n"
    "Server=0.0.0.0\r\n"
    "Port=0\r\n"
    "Creation=16.08.2004  09:00:00\r\n";

class FavoritesFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::Current().registry = &registry_;
        platform::Current().clock = &clock_;
        registry_.SetString(platform::kLocalMachine, modMain::kGameKey, "GAMEDIR", folder.Text());
        folder.Write("bfvietnam.exe", "MZ");
        modMain::ReadGameDir();
    }
    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
            names.push_back(testing::TempFolder::Utf8(entry.path().filename()));
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    platform::ScopedPlatform restore_;
    testing::TempFolder folder;
    platform::MemoryRegistry registry_;
    testing::FakeClock clock_;
};

TEST_F(FavoritesFileTest, ReadsTheUsersFileUnchanged) {
    folder.Write("Favorites.ini", kUsersFile);
    ComboBox list;
    modFavorites::FillFavoriteList(list);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"-- No Server --", "Team Server", "Café des Spécialistes"}));
    EXPECT_EQ(modFavorites::GetFavoriteServer("CAFÉ DES SPÉCIALISTES"), "10.1.1.1");
    EXPECT_EQ(folder.Read("Favorites.ini"), kUsersFile);
}

TEST_F(FavoritesFileTest, RewritingKeepsEveryOtherByte) {
    folder.Write("Favorites.ini", kUsersFile);
    ASSERT_TRUE(modFavorites::SaveFavorite("Café des Spécialistes", "10.9.9.9", "15569").ok);
    std::string expected = kUsersFile;
    expected.replace(expected.find("10.1.1.1"), 8, "10.9.9.9");
    expected.replace(expected.find("15568"), 5, "15569");
    expected.replace(expected.find("15.08.2004  18:02:11"), 20, "14.08.2004  20:33:28");
    EXPECT_EQ(folder.Read("Favorites.ini"), expected);

    ASSERT_TRUE(modFavorites::SaveFavorite("Nouveau été", "10.2.2.2", "1").ok);
    expected += "[Nouveau \xE9t\xE9]\r\nServer=10.2.2.2\r\nPort=1\r\nCreation=14.08.2004  20:33:28\r\n";
    EXPECT_EQ(folder.Read("Favorites.ini"), expected);
}

TEST_F(FavoritesFileTest, TheFirstSaveCreatesTheFileAndLeavesNoTemporaryBehind) {
    ASSERT_TRUE(modFavorites::SaveFavorite("A", "1.1.1.1", "1").ok);
    EXPECT_EQ(folder.Read("Favorites.ini"), "[A]\r\nServer=1.1.1.1\r\nPort=1\r\nCreation=14.08.2004  20:33:28\r\n");
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"Favorites.ini", "bfvietnam.exe"}));
}

TEST_F(FavoritesFileTest, AFolderThatIsMissingReportsTheFailedSave) {
    registry_.SetString(platform::kLocalMachine, modMain::kGameKey, "GAMEDIR", folder.Text() + "/missing");
    modMain::ReadGameDir();
    const modFavorites::SaveResult result = modFavorites::SaveFavorite("A", "1.1.1.1", "1");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason,
              "Favourites are kept in the game's folder, but Battlefield Vietnam was not found: there is no "
              "bfvietnam.exe in " +
                  folder.Text() + "/missing, the folder that GAMEDIR names.");
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "missing"));
}

}  // namespace
}  // namespace vantorel
