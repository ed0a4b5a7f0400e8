#include <gtest/gtest.h>
#include <unistd.h>

#include "fakes/temp_folder.h"
#include "platform/posix/files_posix.h"
#include "platform/posix/recording_shell.h"

namespace vantorel::platform {
namespace {

TEST(PosixFiles, ReadsWritesAndTellsAMissingFileFromAFailure) {
    testing::TempFolder folder;
    PosixFiles files;
    EXPECT_EQ(files.ReadAll(folder.Text() + "\\none.ini").status, ReadStatus::kMissing);
    ASSERT_TRUE(files.ReplaceContents(folder.Text() + "\\a.ini", "old").ok);
    ASSERT_TRUE(files.ReplaceContents(folder.Text() + "\\a.ini", std::string("new\0bytes", 9)).ok);
    const ReadResult read = files.ReadAll(folder.Text() + "\\a.ini");
    EXPECT_EQ(read.status, ReadStatus::kRead);
    EXPECT_EQ(read.bytes, std::string("new\0bytes", 9));
    EXPECT_EQ(files.ReadAll(folder.Text()).status, ReadStatus::kFailed);  // a folder cannot be read as a file
}

TEST(PosixFiles, AFailedReplaceKeepsTheOldContent) {
    testing::TempFolder folder;
    PosixFiles files;
    ASSERT_TRUE(files.ReplaceContents(folder.Text() + "\\a.ini", "old").ok);
    // A folder where the temporary file would go makes the write fail before the rename.
    std::filesystem::create_directory(folder.Path() / ("a.ini.vantorel-" + std::to_string(getpid()) + ".tmp"));
    const WriteResult result = files.ReplaceContents(folder.Text() + "\\a.ini", "new");
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.reason.empty());
    EXPECT_EQ(folder.Read("a.ini"), "old");
}

TEST(RecordingShell, RecordsStartsAndRefusesAMissingProgram) {
    testing::TempFolder folder;
    folder.Write("bfvietnam.exe", "MZ");
    RecordingShell shell;
    EXPECT_TRUE(shell.Open(folder.Text() + "\\bfvietnam.exe", "+Profile A +game B", folder.Text(), 1).started);
    const ShellResult missing = shell.Open(folder.Text() + "\\other.exe", "", folder.Text(), 1);
    EXPECT_FALSE(missing.started);
    EXPECT_EQ(missing.reason, "The system cannot find the file specified.");
    ASSERT_EQ(shell.Starts().size(), 1u);
    EXPECT_EQ(shell.Starts()[0].parameters, "+Profile A +game B");
    EXPECT_EQ(shell.Starts()[0].folder, folder.Text());
}

}  // namespace
}  // namespace vantorel::platform
