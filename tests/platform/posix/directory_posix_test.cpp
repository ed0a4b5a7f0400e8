#include <gtest/gtest.h>

#include "fakes/temp_folder.h"
#include "platform/posix/directory_posix.h"

namespace vantorel::platform {
namespace {

std::vector<std::string> ListAll(DirectoryListing& listing, const std::string& pattern, unsigned attributes) {
    std::vector<std::string> names;
    for (std::string name = listing.First(pattern, attributes); !name.empty(); name = listing.Next()) {
        names.push_back(name);
    }
    return names;
}

TEST(PosixDirectoryListing, ListsAsAWindowsFolderListsThem) {
    testing::TempFolder folder;
    folder.Write("Mods/BfVietnam/init.con", "");
    folder.Write("Mods/desert/init.con", "");
    folder.Write("Mods/Readme.txt", "");
    folder.Write("Mods/.hidden/x", "");
    folder.Write("Mods/noext", "");
    PosixDirectoryListing listing;
    EXPECT_EQ(ListAll(listing, folder.Text() + "\\Mods\\*.*", kAttributeDirectory),
              (std::vector<std::string>{".", "..", "BfVietnam", "desert", "noext", "Readme.txt"}));
    EXPECT_EQ(ListAll(listing, folder.Text() + "\\Mods\\*.*", 0), (std::vector<std::string>{"noext", "Readme.txt"}));
    EXPECT_EQ(ListAll(listing, folder.Text() + "\\Mods\\*.TXT", kAttributeDirectory),
              (std::vector<std::string>{"Readme.txt"}));
    EXPECT_EQ(listing.Next(), "");
}

TEST(PosixDirectoryListing, AMissingFolderListsNothing) {
    testing::TempFolder folder;
    PosixDirectoryListing listing;
    EXPECT_EQ(listing.First(folder.Text() + "\\nothing\\*.*", kAttributeDirectory), "");
    EXPECT_EQ(listing.Next(), "");
}

TEST(Wildcard, FollowsTheWindowsRules) {
    EXPECT_TRUE(MatchesWildcard("BfVietnam", "*.*"));
    EXPECT_TRUE(MatchesWildcard("a.b.c", "*.*"));
    EXPECT_TRUE(MatchesWildcard("Profile1", "prof?le*"));
    EXPECT_FALSE(MatchesWildcard("Profile", "*.txt"));
    EXPECT_TRUE(MatchesWildcard("x.TXT", "*.txt"));
}

}  // namespace
}  // namespace vantorel::platform
