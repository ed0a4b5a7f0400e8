// The favourites store against the real file system of the target.

#include <gtest/gtest.h>

#include <algorithm>

#include <functional>
#include <thread>

#ifdef _WIN32
#include "platform/win32/wide.h"
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "fakes/fake_services.h"
#include "fakes/temp_folder.h"
#include "forms/combo_box.h"
#include "launcher/mod_favorites.h"
#include "launcher/mod_main.h"
#include "launcher/profile_file.h"

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

// The text as UTF-16 code units in the byte order given, without a mark.
std::string Utf16(std::u16string_view text, bool bigEndian) {
    std::string bytes;
    for (const char16_t unit : text) {
        bytes += static_cast<char>(bigEndian ? unit >> 8 : unit & 0xFF);
        bytes += static_cast<char>(bigEndian ? unit & 0xFF : unit >> 8);
    }
    return bytes;
}

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

    // Runs `saves(writer)` in `count` writers at once, each a process of its own where the
    // system allows it (as two launchers are), threads elsewhere; answers what each answered
    // (0 to 254; 255 for a writer that did not end well).
    static std::vector<int> RunWriters(int count, const std::function<int(int)>& saves) {
        std::vector<int> answers(static_cast<std::size_t>(count), 255);
#ifdef _WIN32
        std::vector<std::thread> writers;
        for (int writer = 0; writer < count; ++writer) {
            writers.emplace_back([&, writer] { answers[static_cast<std::size_t>(writer)] = saves(writer); });
        }
        for (std::thread& writer : writers) {
            writer.join();
        }
#else
        std::vector<pid_t> writers;
        for (int writer = 0; writer < count; ++writer) {
            const pid_t child = fork();
            if (child == 0) {
                _exit(std::min(saves(writer), 254));
            }
            writers.push_back(child);
        }
        for (std::size_t writer = 0; writer < writers.size(); ++writer) {
            int status = 0;
            waitpid(writers[writer], &status, 0);
            answers[writer] = WIFEXITED(status) ? WEXITSTATUS(status) : 255;
        }
#endif
        return answers;
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
    EXPECT_EQ(FolderEntries(),
              (std::vector<std::string>{"Favorites.ini", "Favorites.ini.vantorel-lock", "bfvietnam.exe"}));
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

TEST_F(FavoritesFileTest, ANameIsTrimmedOfTabsAsTheReaderTrimsAndATabInsideIsRefused) {
    ASSERT_TRUE(modFavorites::SaveFavorite("\tTab Server\t", "10.0.0.1", "15567").ok);
    ASSERT_TRUE(modFavorites::SaveFavorite("Tab Server ", "10.0.0.2", "15568").ok);
    const std::string saved = "[Tab Server]\r\nServer=10.0.0.2\r\nPort=15568\r\nCreation=14.08.2004  20:33:28\r\n";
    EXPECT_EQ(folder.Read("Favorites.ini"), saved);

    const modFavorites::SaveResult refused = modFavorites::SaveFavorite("Tab\tServer", "10.0.0.3", "1");
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.reason, "A server name cannot contain a tab or another control character.");
    EXPECT_EQ(folder.Read("Favorites.ini"), saved);
}

TEST_F(FavoritesFileTest, AFileWithTheUtf8MarkIsReadAsUtf8AndKeepsMarkEncodingAndLineEnds) {
    const std::string file = "\xEF\xBB\xBF[Café]\nServer=10.1.1.1\nPort=15568\n";
    folder.Write("Favorites.ini", file);
    ComboBox list;
    modFavorites::FillFavoriteList(list);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"-- No Server --", "Café"}));
    EXPECT_EQ(modFavorites::GetFavoriteServer("CAFÉ"), "10.1.1.1");

    // Saving the listed one adds no second section; a UTF-8 file takes any character.
    ASSERT_TRUE(modFavorites::SaveFavorite("café", "10.1.1.2", "15568").ok);
    ASSERT_TRUE(modFavorites::SaveFavorite("東京", "10.2.2.2", "1").ok);
    EXPECT_EQ(folder.Read("Favorites.ini"),
              "\xEF\xBB\xBF[Café]\nServer=10.1.1.2\nPort=15568\nCreation=14.08.2004  20:33:28\n"
              "[東京]\nServer=10.2.2.2\nPort=1\nCreation=14.08.2004  20:33:28\n");
}

TEST_F(FavoritesFileTest, AUtf16FileIsReadAndWrittenInItsOwnByteOrderKeepingEveryOtherUnit) {
    // A lone surrogate, a character beyond the first 65,536 and a last odd byte survive.
    const std::u16string kept = u"; by hand \xD800 \U0001F600\r\n";
    for (const bool bigEndian : {false, true}) {
        const std::string mark = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        folder.Write(
            "Favorites.ini",
            mark + Utf16(kept + u"[Café]\r\nServer=10.1.1.1\r\nPort=15568\r\n[Old]\nServer=0.0.0.0\n", bigEndian) +
                "X");
        ComboBox list;
        EXPECT_EQ(modFavorites::FillFavoriteList(list), "");
        EXPECT_EQ(list.Items(), (std::vector<std::string>{"-- No Server --", "Café"}));
        EXPECT_EQ(modFavorites::GetFavoriteServer("CAFÉ"), "10.1.1.1");

        ASSERT_TRUE(modFavorites::SaveFavorite("café", "10.1.1.2", "15568").ok);
        ASSERT_TRUE(modFavorites::SaveFavorite("[VN] 東京", "10.2.2.2", "1").ok);
        EXPECT_EQ(folder.Read("Favorites.ini"),
                  mark +
                      Utf16(kept + u"[Café]\r\nServer=10.1.1.2\r\nPort=15568\r\nCreation=14.08.2004  20:33:28\r\n"
                                   u"[Old]\nServer=0.0.0.0\n"
                                   u"[[VN] 東京]\r\nServer=10.2.2.2\r\nPort=1\r\nCreation=14.08.2004  20:33:28\r\n",
                            bigEndian) +
                      "X");
    }
}

TEST_F(FavoritesFileTest, AFileThatCannotBeReadAsWindowsReadsItIsReportedAndNeverWrittenOver) {
    const std::string tail = "Could not read " + modFavorites::FavoritesPath() + ": ";
    const std::string unmarked = tail +
                                 "It is UTF-16 text without a byte-order mark, which Windows does not read as a "
                                 "profile file. Please save it again with the mark (\"UTF-16 LE\" or \"Unicode\" in "
                                 "Notepad).";
    const struct {
        std::string bytes, reason;
    } cases[] = {
        {Utf16(u"[Caf\xE9]\r\nServer=10.1.1.1\r\n", false), unmarked},
        {Utf16(u"[B]\r\n", true), unmarked},
        {std::string(profileFile::kMaxFileBytes + 1, '\n'),
         tail + "It is larger than 1 MB, far more than any list of favourites needs, so it was not read."},
    };
    for (const auto& c : cases) {
        folder.Write("Favorites.ini", c.bytes);
        ComboBox list;
        EXPECT_EQ(modFavorites::FillFavoriteList(list), c.reason);
        EXPECT_EQ(list.Items(), (std::vector<std::string>{"-- No Server --"}));
        EXPECT_EQ(modFavorites::SaveFavorite("A", "1.1.1.1", "1").reason, c.reason);
        EXPECT_EQ(folder.Read("Favorites.ini"), c.bytes);
    }
    // The largest file that is read.
    const std::string favourite = "[A]\r\nServer=1.1.1.1\r\n";
    folder.Write("Favorites.ini", favourite + std::string(profileFile::kMaxFileBytes - favourite.size(), '\n'));
    ComboBox list;
    EXPECT_EQ(modFavorites::FillFavoriteList(list), "");
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"-- No Server --", "A"}));
}

TEST_F(FavoritesFileTest, AFileWithCrLineEndsListsEveryFavouriteAndKeepsItsLineEnds) {
    folder.Write("Favorites.ini", "[A]\rServer=1.1.1.1\rPort=1\r[B]\rServer=2.2.2.2\rPort=2\r");
    ComboBox list;
    modFavorites::FillFavoriteList(list);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"-- No Server --", "A", "B"}));
    ASSERT_TRUE(modFavorites::SaveFavorite("B", "3.3.3.3", "3").ok);
    EXPECT_EQ(folder.Read("Favorites.ini"),
              "[A]\rServer=1.1.1.1\rPort=1\r[B]\rServer=3.3.3.3\rPort=3\rCreation=14.08.2004  20:33:28\r");
}

TEST_F(FavoritesFileTest, ASaveRemovesTheTemporaryFilesOfAnEarlierSaveThatWasKilled) {
    folder.Write("Favorites.ini.vantorel-4242.tmp", "[Half written]\r\nServer=1.1.1.1\r\n");
    folder.Write("Favorites.ini.tmp4242", "[From an earlier version]\r\n");
    folder.Write("Favorites.ini.bak", "the user's own");
    folder.Write("Other.ini.vantorel-1.tmp", "not the favourites'");
    ASSERT_TRUE(modFavorites::SaveFavorite("A", "1.1.1.1", "1").ok);
    EXPECT_EQ(FolderEntries(),
              (std::vector<std::string>{"Favorites.ini", "Favorites.ini.bak", "Favorites.ini.vantorel-lock",
                                        "Other.ini.vantorel-1.tmp", "bfvietnam.exe"}));
}

TEST_F(FavoritesFileTest, AReadOnlyFileIsNotReplaced) {
    folder.Write("Favorites.ini", kUsersFile);
    const std::filesystem::path file = folder.Path() / "Favorites.ini";
    using std::filesystem::perms;
    std::filesystem::permissions(file, perms::owner_read | perms::group_read | perms::others_read);
    const modFavorites::SaveResult result = modFavorites::SaveFavorite("A", "1.1.1.1", "1");
    std::filesystem::permissions(file, perms::owner_write, std::filesystem::perm_options::add);
    EXPECT_FALSE(result.ok);
#ifdef _WIN32
    const std::string denied = platform::WindowsErrorText(5);  // ERROR_ACCESS_DENIED, as the profile calls fail
#else
    const std::string denied = "Permission denied";
#endif
    EXPECT_EQ(result.reason, "Could not write " + modFavorites::FavoritesPath() + ": " + denied);
    EXPECT_EQ(folder.Read("Favorites.ini"), kUsersFile);
}

TEST_F(FavoritesFileTest, LaunchersSavingAtOnceLoseNoFavouriteAndReportNoFalseFailure) {
    constexpr int kWriters = 4;
    constexpr int kSaves = 40;
    // On a loaded machine a save may wait out the lock and say so: a true report, and that
    // favourite is then missing. Any other failure is a false one. Each writer answers its
    // false failures times 64, plus its saves that waited out the lock.
    const std::vector<int> answers = RunWriters(kWriters, [](int writer) {
        int falseFailures = 0;
        int waitedOut = 0;
        for (int i = 0; i < kSaves; ++i) {
            const std::string name = "Writer " + std::to_string(writer) + " save " + std::to_string(i);
            const modFavorites::SaveResult saved = modFavorites::SaveFavorite(name, "10.0.0.1", "15567");
            if (saved.ok) {
                // counted from the list at the end
            } else if (saved.reason.find("another launcher has been saving it") != std::string::npos) {
                ++waitedOut;
            } else {
                ADD_FAILURE() << name << ": " << saved.reason;
                ++falseFailures;
            }
            ComboBox list;  // as the window refills its list after every save
            modFavorites::FillFavoriteList(list);
        }
        return std::min(falseFailures, 3) * 64 + waitedOut;
    });
    int saved = 0;
    for (const int answer : answers) {
        ASSERT_LT(answer, 64) << "false failures, or a writer that did not end well";
        saved += kSaves - answer;
    }
    ComboBox list;
    EXPECT_EQ(modFavorites::FillFavoriteList(list), "");
    EXPECT_EQ(list.ListCount(), 1 + saved);
}

#ifndef _WIN32
TEST_F(FavoritesFileTest, APipeOfThatNameIsReportedNotWaitedOn) {
    ASSERT_EQ(mkfifo((folder.Path() / "Favorites.ini").c_str(), 0644), 0);
    ComboBox list;
    EXPECT_EQ(modFavorites::FillFavoriteList(list),
              "Could not read " + modFavorites::FavoritesPath() + ": It is not a plain file.");
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"-- No Server --"}));
    const modFavorites::SaveResult result = modFavorites::SaveFavorite("A", "1.1.1.1", "1");
    EXPECT_EQ(result.reason, "Could not read " + modFavorites::FavoritesPath() + ": It is not a plain file.");
    EXPECT_TRUE(std::filesystem::is_fifo(folder.Path() / "Favorites.ini"));
}

TEST_F(FavoritesFileTest, ASaveWritesThroughALinkToItsTarget) {
    folder.Write("elsewhere/Favorites.ini", kUsersFile);
    std::filesystem::create_symlink("elsewhere/Favorites.ini", folder.Path() / "Favorites.ini");
    ASSERT_TRUE(modFavorites::SaveFavorite("A", "1.1.1.1", "1").ok);
    EXPECT_TRUE(std::filesystem::is_symlink(folder.Path() / "Favorites.ini"));
    EXPECT_EQ(folder.Read("elsewhere/Favorites.ini"),
              kUsersFile + "[A]\r\nServer=1.1.1.1\r\nPort=1\r\nCreation=14.08.2004  20:33:28\r\n");
}
#endif

}  // namespace
}  // namespace vantorel
