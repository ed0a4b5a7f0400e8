// The registry read against real keys of the test run's Wine prefix (or of Windows).

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "launcher/mod_main.h"
#include "platform/platform.h"

namespace vantorel {
namespace {

class RealRegistryTest : public ::testing::Test {
  protected:
    void TearDown() override {
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, modMain::kGameKey, KEY_WOW64_32KEY, 0);
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, modMain::kGameKey, KEY_WOW64_64KEY, 0);
    }
    static void Write(REGSAM view, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, modMain::kGameKey, 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, "GAMEDIR", 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        RegCloseKey(key);
    }
};

TEST_F(RealRegistryTest, ReadsAStringFromThe32BitView) {
    const char folder[] = "C:\\Program Files (x86)\\EA GAMES\\Battlefield Vietnam";
    Write(KEY_WOW64_32KEY, REG_SZ, folder, sizeof folder);
    EXPECT_EQ(modMain::ReadGameDir(), folder);
}

TEST_F(RealRegistryTest, ReadsAStringStoredWithoutItsNul) {
    const char folder[] = "D:\\Games\\BFV";
    Write(KEY_WOW64_32KEY, REG_SZ, folder, static_cast<DWORD>(std::strlen(folder)));
    EXPECT_EQ(modMain::ReadGameDir(), "D:\\Games\\BFV");
}

TEST_F(RealRegistryTest, ReadsADwordAsItsLowWord) {
    const DWORD number = 0x00018000;
    Write(KEY_WOW64_32KEY, REG_DWORD, &number, sizeof number);
    EXPECT_EQ(modMain::ReadGameDir(), "-32768");
}

TEST_F(RealRegistryTest, AMissingKeyGivesTheEmptyFolder) {
    EXPECT_EQ(modMain::ReadGameDir(), "");
}

TEST_F(RealRegistryTest, AKeyOnlyInThe64BitViewIsNotTheGames) {
    const char folder[] = "C:\\Elsewhere";
    Write(KEY_WOW64_64KEY, REG_SZ, folder, sizeof folder);
    EXPECT_EQ(modMain::ReadGameDir(), "");
}

}  // namespace
}  // namespace vantorel
