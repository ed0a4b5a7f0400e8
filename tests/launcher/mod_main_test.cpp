#include <gtest/gtest.h>

#include "fakes/fake_services.h"
#include "forms/combo_box.h"
#include "launcher/mod_main.h"

namespace vantorel {
namespace {

using platform::kLocalMachine;

class GameInstallTest : public ::testing::Test {
  protected:
    void SetGameDirBytes(std::uint32_t type, std::vector<std::uint8_t> bytes) {
        fakes.registry.SetValue(kLocalMachine, modMain::kGameKey, "GAMEDIR", type, std::move(bytes));
    }
    void SetGameDir(const std::string& folder) {
        fakes.registry.SetString(kLocalMachine, modMain::kGameKey, "GAMEDIR", folder);
        modMain::ReadGameDir();
    }
    const testing::FakeShell::Start& OnlyStart() {
        EXPECT_EQ(fakes.shell.starts.size(), 1u);
        return fakes.shell.starts.at(0);
    }

    testing::FakePlatform fakes;
};

TEST_F(GameInstallTest, ReadsTheFolderAsStored) {
    SetGameDirBytes(platform::kRegSz, {'C', ':', '\\', 'B', 'F', 'V', 0});
    EXPECT_EQ(modMain::ReadGameDir(), "C:\\BFV");
    EXPECT_EQ(modMain::GameDir(), "C:\\BFV");
}

TEST_F(GameInstallTest, ReadsAFolderStoredWithoutItsTerminatingNul) {
    SetGameDirBytes(platform::kRegSz, {'D', ':', '\\', 'G', 'a', 'm', 'e'});
    EXPECT_EQ(modMain::ReadGameDir(), "D:\\Game");
}

TEST_F(GameInstallTest, ConvertsTheFolderFromTheCodePage) {
    SetGameDirBytes(platform::kRegSz, {'C', ':', '\\', 'J', 'e', 'u', 'x', ' ', 0xE9, 0});
    EXPECT_EQ(modMain::ReadGameDir(), "C:\\Jeux é");
}

TEST_F(GameInstallTest, ReadsADwordAsItsLowWordSigned) {
    SetGameDirBytes(platform::kRegDword, {0x00, 0x80, 0x01, 0x00});
    EXPECT_EQ(modMain::ReadGameDir(), "-32768");
    SetGameDirBytes(platform::kRegDword, {0x39, 0x30, 0x00, 0x00});
    EXPECT_EQ(modMain::ReadGameDir(), "12345");
}

TEST_F(GameInstallTest, OtherTypesAndMissingValuesGiveTheEmptyFolder) {
    SetGameDirBytes(platform::kRegBinary, {'C', ':', 0});
    EXPECT_EQ(modMain::ReadGameDir(), "");
    fakes.registry.Clear();
    EXPECT_EQ(modMain::ReadGameDir(), "");
    fakes.registry.SetString(kLocalMachine, modMain::kGameKey, "OTHER", "C:\\x");
    EXPECT_EQ(modMain::ReadGameDir(), "");
}

struct CommandLineCase {
    std::string profile, mod, server, expected;
};

TEST_F(GameInstallTest, ChoosesTheCommandLineByTheAddressLength) {
    SetGameDir("C:\\BFV");
    const CommandLineCase cases[] = {
        {"Alice", "BfVietnam", "0.0.0.0:0", "+Profile Alice +game BfVietnam"},
        {"Alice", "BfVietnam", "0.0.0.0:15567", "+restart 1 +game BfVietnam +joinServer 0.0.0.0:15567"},
        {"Alice", "BfVietnam", "1.2.3.4:55", "+restart 1 +game BfVietnam +joinServer 1.2.3.4:55"},
        {"Alice", "BfVietnam", "", "+Profile Alice +game BfVietnam"},
        {"", "BfVietnam", "0.0.0.0:0", "+Profile  +game BfVietnam"},
        {"Alice", "", "1.2.3.4:55", "+restart 1 +game  +joinServer 1.2.3.4:55"},
        {"Big Al", "Desert Mod", "0.0.0.0:0", "+Profile Big Al +game Desert Mod"},
        // Nine characters of more than nine bytes still start with the profile.
        {"Alice", "BfVietnam", "é.é.é.é:0", "+Profile Alice +game BfVietnam"},
    };
    for (const CommandLineCase& c : cases) {
        fakes.shell.starts.clear();
        EXPECT_TRUE(modMain::LaunchGame(c.profile, c.mod, c.server).started) << c.server;
        EXPECT_EQ(OnlyStart().parameters, c.expected) << c.server;
    }
}

TEST_F(GameInstallTest, StartsTheExecutableInTheGameFolder) {
    SetGameDir("C:\\Program Files\\BFV");
    modMain::LaunchGame("Alice", "BfVietnam", "0.0.0.0:0");
    EXPECT_EQ(OnlyStart().program, "C:\\Program Files\\BFV\\bfvietnam.exe");
    EXPECT_EQ(OnlyStart().folder, "C:\\Program Files\\BFV");
    EXPECT_EQ(OnlyStart().showMode, 1);
}

TEST_F(GameInstallTest, WithoutAFolderStartsFromTheDriveRoot) {
    modMain::ReadGameDir();
    modMain::LaunchGame("Alice", "BfVietnam", "0.0.0.0:0");
    EXPECT_EQ(OnlyStart().program, "\\bfvietnam.exe");
    EXPECT_EQ(OnlyStart().folder, "");
}

TEST_F(GameInstallTest, TwoLaunchesStartTwoGames) {
    SetGameDir("C:\\BFV");
    modMain::LaunchGame("Alice", "BfVietnam", "0.0.0.0:0");
    modMain::LaunchGame("Alice", "BfVietnam", "0.0.0.0:0");
    EXPECT_EQ(fakes.shell.starts.size(), 2u);
}

TEST_F(GameInstallTest, RefusesAServerAddressThatWouldAddCommandsSayingWhatIsWrong) {
    SetGameDir("C:\\BFV");
    const struct {
        std::string address, reason;
    } cases[] = {
        {"1.2.3.4:1 +exec evil",
         "The server address \"1.2.3.4:1 +exec evil\" contains blanks, which would add commands to the game's "
         "command line."},
        {"1.2.3.4:\"15567",
         "The server address \"1.2.3.4:\"15567\" contains a quotation mark, which would change how the game reads "
         "its command line."},
        {"1.2.3.4:15567\t",
         "The server address contains a control character, which the game's command line cannot carry."},
        {"1.2.3.4:1\x7F 5",
         "The server address contains a control character, which the game's command line cannot carry."},
    };
    for (const auto& c : cases) {
        const modMain::LaunchResult result = modMain::LaunchGame("Alice", "BfVietnam", c.address);
        EXPECT_FALSE(result.started) << c.address;
        EXPECT_EQ(result.reason, c.reason);
    }
    EXPECT_TRUE(fakes.shell.starts.empty());
}

TEST_F(GameInstallTest, TellsWhyTheGameWasNotFound) {
    modMain::ReadGameDir();  // no GAMEDIR in the registry
    EXPECT_EQ(modMain::GameNotFound(),
              "the game folder is read from GAMEDIR in HKEY_LOCAL_MACHINE\\SOFTWARE\\EA GAMES\\Battlefield Vietnam, "
              "which could not be read.");
    SetGameDir("C:\\BFV");
    EXPECT_EQ(modMain::GameNotFound(), "there is no bfvietnam.exe in C:\\BFV, the folder that GAMEDIR names.");
    fakes.files.files["C:\\BFV\\bfvietnam.exe"] = "MZ";
    EXPECT_EQ(modMain::GameNotFound(), "");
}

TEST_F(GameInstallTest, ReportsAGameThatCouldNotBeStarted) {
    SetGameDir("C:\\BFV");
    fakes.shell.failure = "The system cannot find the file specified.";
    const modMain::LaunchResult result = modMain::LaunchGame("Alice", "BfVietnam", "0.0.0.0:0");
    EXPECT_FALSE(result.started);
    EXPECT_EQ(result.reason,
              "The game could not be started (C:\\BFV\\bfvietnam.exe): The system cannot find the file specified.");
}

class ListFillTest : public GameInstallTest {
  protected:
    void SetUp() override { SetGameDir("C:\\BFV"); }
    void SetProfiles(std::vector<std::string> names) {
        fakes.directory.listings["C:\\BFV\\Mods\\BfVietnam\\Settings\\Profiles\\*.*"] = std::move(names);
    }
    void SetMods(std::vector<std::string> names) { fakes.directory.listings["C:\\BFV\\Mods\\*.*"] = std::move(names); }
    ComboBox list;
};

TEST_F(ListFillTest, ProfilesSkipDotNamesAndSelectTheThird) {
    SetProfiles({".", "..", "Alice", ".svn", "Bob", "Carol"});
    list.AddItem("stale");
    modMain::FillProfileList(list);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"Alice", "Bob", "Carol"}));
    EXPECT_EQ(list.ListIndex(), 2);
    EXPECT_EQ(list.Text(), "Carol");
    EXPECT_EQ(fakes.directory.attributes.at(0), platform::kAttributeDirectory);
}

TEST_F(ListFillTest, TwoProfilesSelectNone) {
    SetProfiles({".", "..", "Alice", "Bob"});
    modMain::FillProfileList(list);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"Alice", "Bob"}));
    EXPECT_EQ(list.ListIndex(), -1);
}

TEST_F(ListFillTest, AFirstNameWithoutDotIsListed) {
    SetProfiles({"Alice", "Bob"});
    modMain::FillProfileList(list);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"Alice", "Bob"}));
}

TEST_F(ListFillTest, AMissingFolderGivesTheErrorItem) {
    modMain::FillProfileList(list);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"Error Loading Profiles"}));
    EXPECT_EQ(list.ListIndex(), -1);
}

TEST_F(ListFillTest, AnEmptyFolderGivesAnEmptyList) {
    SetProfiles({".", ".."});
    modMain::FillProfileList(list);
    EXPECT_TRUE(list.Items().empty());
}

TEST_F(ListFillTest, ModsListFilesAndFoldersAndShowBfVietnam) {
    SetMods({".", "..", "BfVietnam", "readme.txt", ".hidden", "Desert Mod"});
    modMain::FillModList(list);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"BfVietnam", "readme.txt", "Desert Mod"}));
    EXPECT_EQ(list.Text(), "BfVietnam");
}

TEST_F(ListFillTest, ModsErrorItemStillShowsBfVietnam) {
    modMain::FillModList(list);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"Error Loading Mods"}));
    EXPECT_EQ(list.Text(), "BfVietnam");
}

TEST_F(ListFillTest, YieldsOncePerNameRead) {
    SetMods({".", "..", "A", "B"});
    modMain::FillModList(list);
    // Three further names are read after the first; the last read finds none.
    EXPECT_EQ(fakes.events.yields, 4);
}

}  // namespace
}  // namespace vantorel
