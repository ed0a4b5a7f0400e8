#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fakes/temp_folder.h"
#include "platform/posix/files_posix.h"
#include "platform/posix/shell_posix.h"

namespace vantorel::platform {
namespace {

constexpr std::size_t kAnySize = 1 << 20;

TEST(PosixFiles, ReadsWritesAndTellsAMissingFileFromAFailure) {
    testing::TempFolder folder;
    PosixFiles files;
    EXPECT_EQ(files.ReadAll(folder.Text() + "\\none.ini", kAnySize).status, ReadStatus::kMissing);
    ASSERT_TRUE(files.ReplaceContents(folder.Text() + "\\a.ini", "old").ok);
    ASSERT_TRUE(files.ReplaceContents(folder.Text() + "\\a.ini", std::string("new\0bytes", 9)).ok);
    const ReadResult read = files.ReadAll(folder.Text() + "\\a.ini", kAnySize);
    EXPECT_EQ(read.status, ReadStatus::kRead);
    EXPECT_EQ(read.bytes, std::string("new\0bytes", 9));
    EXPECT_EQ(files.ReadAll(folder.Text(), kAnySize).status, ReadStatus::kFailed);  // a folder cannot be read as a file
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

TEST(PosixFiles, OpensOnlyPlainFilesAndNeverWaitsOnAPipe) {
    testing::TempFolder folder;
    PosixFiles files;
    const std::string pipe = folder.Text() + "\\pipe.ini";
    ASSERT_EQ(mkfifo((folder.Path() / "pipe.ini").c_str(), 0644), 0);
    const ReadResult read = files.ReadAll(pipe, kAnySize);
    EXPECT_EQ(read.status, ReadStatus::kFailed);
    EXPECT_EQ(read.reason, "It is not a plain file.");
    EXPECT_EQ(files.ReplaceContents(pipe, "x").reason, "It is not a plain file.");
    EXPECT_TRUE(std::filesystem::is_fifo(folder.Path() / "pipe.ini"));
    EXPECT_FALSE(files.IsRegularFile(pipe));
    EXPECT_FALSE(files.IsRegularFile(folder.Text()));
    EXPECT_FALSE(files.IsRegularFile(folder.Text() + "\\none"));
    folder.Write("plain", "");
    EXPECT_TRUE(files.IsRegularFile(folder.Text() + "\\plain"));
}

TEST(PosixFiles, KeepsAReadOnlyFileAndTheAccessOfAWritableOne) {
    testing::TempFolder folder;
    PosixFiles files;
    using std::filesystem::perms;
    folder.Write("mine.ini", "old");
    std::filesystem::permissions(folder.Path() / "mine.ini", perms::owner_read | perms::owner_write);
    ASSERT_TRUE(files.ReplaceContents(folder.Text() + "\\mine.ini", "new").ok);
    EXPECT_EQ(std::filesystem::status(folder.Path() / "mine.ini").permissions(),
              perms::owner_read | perms::owner_write);

    folder.Write("locked.ini", "old");
    std::filesystem::permissions(folder.Path() / "locked.ini", perms::owner_read | perms::group_read);
    const WriteResult result = files.ReplaceContents(folder.Text() + "\\locked.ini", "new");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, "Permission denied");
    EXPECT_EQ(folder.Read("locked.ini"), "old");
    EXPECT_EQ(std::filesystem::status(folder.Path() / "locked.ini").permissions(),
              perms::owner_read | perms::group_read);
}

TEST(PosixFiles, WritesThroughLinksToTheirTarget) {
    testing::TempFolder folder;
    PosixFiles files;
    folder.Write("real/target.ini", "old");
    std::filesystem::create_symlink("real/target.ini", folder.Path() / "hop.ini");
    std::filesystem::create_symlink(folder.Path() / "hop.ini", folder.Path() / "link.ini");
    ASSERT_TRUE(files.ReplaceContents(folder.Text() + "\\link.ini", "new").ok);
    EXPECT_TRUE(std::filesystem::is_symlink(folder.Path() / "link.ini"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.Path() / "hop.ini"));
    EXPECT_EQ(folder.Read("real/target.ini"), "new");

    std::filesystem::create_symlink("loop.ini", folder.Path() / "loop.ini");
    EXPECT_EQ(files.ReplaceContents(folder.Text() + "\\loop.ini", "x").reason, "Too many levels of symbolic links");
}

TEST(PosixFiles, RemovesLeftTemporariesButNotOneASaveStillHolds) {
    testing::TempFolder folder;
    PosixFiles files;
    folder.Write("a.ini.vantorel-1.tmp", "left by a killed save");
    folder.Write("a.ini.vantorel-2.tmp", "being written by another launcher");
    const int held = open((folder.Path() / "a.ini.vantorel-2.tmp").c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    ASSERT_TRUE(files.ReplaceContents(folder.Text() + "\\a.ini", "new").ok);
    close(held);
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "a.ini.vantorel-1.tmp"));
    EXPECT_TRUE(std::filesystem::exists(folder.Path() / "a.ini.vantorel-2.tmp"));
}

TEST(PosixFiles, ReadersShareTheLockAndASaveHoldsItAlone) {
    testing::TempFolder folder;
    PosixFiles files;
    const std::string path = folder.Text() + "\\a.ini";
    constexpr std::chrono::milliseconds kBrief{20};
    {
        const LockResult reader = files.Lock(path, LockMode::kShared, kBrief);
        ASSERT_TRUE(reader.lock) << reader.reason;
        EXPECT_TRUE(files.Lock(path, LockMode::kShared, kBrief).lock);
        const LockResult save = files.Lock(path, LockMode::kExclusive, kBrief);
        EXPECT_FALSE(save.lock);
        EXPECT_TRUE(save.busy);
    }
    LockResult save = files.Lock(path, LockMode::kExclusive, kBrief);
    ASSERT_TRUE(save.lock);
    EXPECT_TRUE(files.Lock(path, LockMode::kShared, kBrief).busy);
    save.lock.reset();
    EXPECT_TRUE(files.Lock(path, LockMode::kExclusive, kBrief).lock);
    EXPECT_TRUE(std::filesystem::is_regular_file(folder.Path() / "a.ini.vantorel-lock"));
    EXPECT_EQ(files.Lock(folder.Text() + "\\missing\\a.ini", LockMode::kShared, kBrief).reason,
              "No such file or directory");
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
