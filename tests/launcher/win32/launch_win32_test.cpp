// LaunchGame starting the stand-in game through the real shell, which records the command
// line and the working folder it was given.

#include <gtest/gtest.h>
#include <windows.h>

#include "fakes/temp_folder.h"
#include "launcher/mod_main.h"
#include "platform/memory_registry.h"
#include "platform/platform.h"

namespace vantorel {
namespace {

std::filesystem::path ThisProgramsFolder() {
    wchar_t path[MAX_PATH * 4] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return std::filesystem::path(path).parent_path();
}

class LaunchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        gameFolder_ = folder.Path() / "Battlefield Vietnam";
        std::filesystem::create_directories(gameFolder_);
        std::filesystem::copy_file(ThisProgramsFolder() / "bfvietnam.exe", gameFolder_ / "bfvietnam.exe");
        platform::Current().registry = &registry_;
        registry_.SetString(platform::kLocalMachine, modMain::kGameKey, "GAMEDIR", GameFolder());
        modMain::ReadGameDir();
        started_ = CreateEventW(nullptr, TRUE, FALSE, L"VantorelStandInGameStarted");
    }
    void TearDown() override { CloseHandle(started_); }

    std::string GameFolder() const { return testing::TempFolder::Utf8(gameFolder_); }

    // The stand-in game's record, once it has signalled that it wrote it.
    std::string Record() {
        EXPECT_EQ(WaitForSingleObject(started_, 20000), WAIT_OBJECT_0);
        return folder.Read("Battlefield Vietnam/bfvietnam.starts.txt");
    }

    testing::TempFolder folder;
    std::filesystem::path gameFolder_;

  private:
    platform::ScopedPlatform restore_;
    platform::MemoryRegistry registry_;
    HANDLE started_ = nullptr;
};

TEST_F(LaunchTest, StartsTheGameWithTheProfileInItsFolder) {
    const modMain::LaunchResult result = modMain::LaunchGame("Big Al", "BfVietnam", "0.0.0.0:0");
    ASSERT_TRUE(result.started) << result.reason;
    EXPECT_EQ(Record(), "args: +Profile Big Al +game BfVietnam\r\nfolder: " + GameFolder() + "\r\n");
}

TEST_F(LaunchTest, StartsTheGameJoiningAServer) {
    ASSERT_TRUE(modMain::LaunchGame("Big Al", "BfVietnam", "127.0.0.1:15567").started);
    EXPECT_EQ(Record(),
              "args: +restart 1 +game BfVietnam +joinServer 127.0.0.1:15567\r\nfolder: " + GameFolder() + "\r\n");
}

TEST_F(LaunchTest, ReportsAMissingExecutable) {
    std::filesystem::remove(gameFolder_ / "bfvietnam.exe");
    const modMain::LaunchResult result = modMain::LaunchGame("Big Al", "BfVietnam", "0.0.0.0:0");
    EXPECT_FALSE(result.started);
    EXPECT_NE(result.reason.find("The game could not be started"), std::string::npos) << result.reason;
}

}  // namespace
}  // namespace vantorel
