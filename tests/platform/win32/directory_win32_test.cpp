#include <gtest/gtest.h>
#include <windows.h>

#include "fakes/temp_folder.h"
#include "platform/win32/directory_win32.h"
#include "platform/win32/wide.h"

namespace vantorel::platform {
namespace {

TEST(Win32DirectoryListing, SkipsHiddenAndSystemEntriesAndKeepsDotNames) {
    testing::TempFolder folder;
    folder.Write("Mods/BfVietnam/init.con", "");
    folder.Write("Mods/Readme.txt", "");
    folder.Write("Mods/Hidden.txt", "");
    folder.Write("Mods/System.txt", "");
    folder.Write("Mods/Été/init.con", "");
    SetFileAttributesW((folder.Path() / "Mods" / "Hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW((folder.Path() / "Mods" / "System.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);

    Win32DirectoryListing listing;
    std::vector<std::string> names;
    for (std::string name = listing.First(folder.Text() + "\\Mods\\*.*", kAttributeDirectory); !name.empty();
         name = listing.Next()) {
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "BfVietnam", "Readme.txt", "Été"}));
    EXPECT_EQ(listing.First(folder.Text() + "\\Nothing\\*.*", kAttributeDirectory), "");
}

}  // namespace
}  // namespace vantorel::platform
