// The two real windows on the desktop, without a screen (the prefix's null graphics driver):
// their size at the system's DPI and after a change of DPI, docking after any move, the
// ownership, the labels, and the manifest of vantorel.exe. desktop_settings.sh runs the
// DPI cases again at 144 and 192 DPI.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "fakes/temp_folder.h"
#include "launcher/mod_main.h"
#include "platform/memory_registry.h"
#include "platform/platform.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/launcher_window.h"
#include "vantorel_version.h"

namespace vantorel {
namespace {

using namespace ui;

int SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

RECT ClientArea(HWND window) {
    RECT area;
    GetClientRect(window, &area);
    return area;
}

RECT ControlArea(HWND window, int id) {
    RECT area;
    GetWindowRect(GetDlgItem(window, id), &area);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&area), 2);
    return area;
}

int FontHeight(HWND window, int id) {
    const auto font = reinterpret_cast<HFONT>(SendMessageW(GetDlgItem(window, id), WM_GETFONT, 0, 0));
    LOGFONTW described{};
    GetObjectW(font, sizeof described, &described);
    return described.lfHeight;
}

// A game installation for the launcher's load to find: without one it says so in a box that
// would wait for a click.
struct InstalledGame {
    InstalledGame() {
        platform::Current().registry = &registry;
        registry.SetString(platform::kLocalMachine, modMain::kGameKey, "GAMEDIR", folder.Text());
        folder.Write("bfvietnam.exe", "");
    }
    platform::ScopedPlatform restore;
    testing::TempFolder folder;
    platform::MemoryRegistry registry;
};

class DesktopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        launcher.Load();
        window = reinterpret_cast<HWND>(launcher.Handle());
        stats = FindWindowW(kStatsClass, nullptr);
        ASSERT_NE(stats, nullptr);
    }
    // Sizes in twips, at `dpi`.
    void ExpectLaidOutAt(int dpi) {
        const auto px = [dpi](int twips) { return MulDiv(twips, dpi, 1440); };
        const auto height = [dpi](int hundredthsOfPoint) { return -MulDiv(hundredthsOfPoint, dpi, 7200); };
        EXPECT_EQ(ClientArea(window).right, px(5940));
        EXPECT_EQ(ClientArea(window).bottom, px(5700));
        const RECT launch = ControlArea(window, kLaunch);
        EXPECT_EQ(launch.left, px(3240));
        EXPECT_EQ(launch.top, px(5040));
        EXPECT_EQ(launch.right - launch.left, px(2415));
        EXPECT_EQ(launch.bottom - launch.top, px(495));
        const RECT port = ControlArea(window, kPort);
        EXPECT_EQ(port.left, px(2760));
        EXPECT_EQ(port.right - port.left, px(1095));
        EXPECT_EQ(FontHeight(window, kLaunch), height(1575));
        EXPECT_EQ(FontHeight(window, kProfileCaption), height(825));
        EXPECT_EQ(ClientArea(stats).right, px(3945));
        EXPECT_EQ(ClientArea(stats).bottom, px(3975));
        const RECT players = ControlArea(stats, kPlayers);
        EXPECT_EQ(players.top, px(1800));
        EXPECT_EQ(players.bottom - players.top, px(1590));
        EXPECT_EQ(FontHeight(stats, kServerTitle), height(975));
        EXPECT_EQ(FontHeight(stats, kPlayers), height(675));
    }
    void ExpectDocked() {
        RECT launcherArea, statsArea;
        GetWindowRect(window, &launcherArea);
        GetWindowRect(stats, &statsArea);
        EXPECT_EQ(statsArea.left, launcherArea.right);
        EXPECT_EQ(statsArea.top, launcherArea.top);
    }

    InstalledGame game;  // made before the launcher, which reads it at its load
    LauncherWindow launcher;
    HWND window = nullptr;
    HWND stats = nullptr;
};

TEST_F(DesktopTest, EveryTwipsSizeAndFontScalesWithTheSystemDpi) {
    if (const char* asked = std::getenv("VANTOREL_EXPECT_DPI")) {
        EXPECT_EQ(SystemDpi(), std::atoi(asked));
    }
    ExpectLaidOutAt(SystemDpi());
    ExpectDocked();
}

TEST_F(DesktopTest, AMoveToAMonitorOfTwiceTheDpiLaysBothWindowsOutAgain) {
    const int dpi = SystemDpi() * 2;
    RECT suggested{100, 80, 100 + MulDiv(5940, dpi, 1440), 80 + MulDiv(5700, dpi, 1440)};
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    SendMessageW(stats, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    ExpectLaidOutAt(dpi);
    ExpectDocked();  // the launcher's move and new size took the stats window along
}

TEST_F(DesktopTest, TheStatsWindowFollowsEveryMoveOfTheLauncher) {
    // As a window manager or the keyboard moves it: no drag, only the move itself.
    SetWindowPos(window, nullptr, 37, 211, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ExpectDocked();
    MoveWindow(window, 300, 5, ClientArea(window).right, ClientArea(window).bottom, TRUE);
    ExpectDocked();
}

TEST_F(DesktopTest, TheLauncherOwnsTheStatsWindowWhichHasNoTaskbarEntry) {
    EXPECT_EQ(GetWindow(stats, GW_OWNER), window);
    EXPECT_NE(GetWindowLongW(stats, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    EXPECT_NE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_CONTROLPARENT, 0);
}

TEST_F(DesktopTest, LabelsShowAmpersandsAndOnlyTheBackgroundAndTitleDrag) {
    for (const auto& [parent, id] : {std::pair{window, static_cast<int>(kIPCaption)},
                                     {window, kProfileCaption},
                                     {window, kAddFavorite},
                                     {stats, kServerTitle},
                                     {stats, kMap},
                                     {stats, kPlayerCounts},
                                     {stats, kBorderStrip}}) {
        const HWND label = GetDlgItem(parent, id);
        EXPECT_EQ(GetWindowLongW(label, GWL_STYLE) & SS_NOPREFIX, id == kBorderStrip ? 0 : SS_NOPREFIX) << id;
        // A label that let the mouse through would hand a press to the window: a drag.
        EXPECT_EQ(SendMessageW(label, WM_NCHITTEST, 0, 0), HTCLIENT) << id;
    }
}

TEST_F(DesktopTest, TabWalksTheBoxesInReadingOrder) {
    const int order[] = {kProfiles, kMods, kFavorites, kServerName, kIP, kPort, kProfiles};
    HWND at = GetDlgItem(window, order[0]);
    for (std::size_t i = 1; i < std::size(order); ++i) {
        at = GetNextDlgTabItem(window, at, FALSE);
        EXPECT_EQ(GetDlgCtrlID(at), order[i]) << "after " << order[i - 1];
    }
    EXPECT_EQ(GetDlgCtrlID(GetNextDlgTabItem(window, GetDlgItem(window, kMods), TRUE)), kProfiles);
}

BOOL CALLBACK CountResource(HMODULE, LPCWSTR, LPWSTR, LONG_PTR count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// The release is 32-bit on every host (its zip test checks the headers); the test build may
// be 64-bit, and vantorel.exe is then built for the same processor as this program, with a
// manifest that names it.
WORD MachineOf(const std::wstring& program) {
    HANDLE file = CreateFileW(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    IMAGE_DOS_HEADER dos{};
    IMAGE_FILE_HEADER header{};
    DWORD signature = 0;
    DWORD read = 0;
    ReadFile(file, &dos, sizeof dos, &read, nullptr);
    SetFilePointer(file, dos.e_lfanew, nullptr, FILE_BEGIN);
    ReadFile(file, &signature, sizeof signature, &read, nullptr);
    ReadFile(file, &header, sizeof header, &read, nullptr);
    CloseHandle(file);
    return header.Machine;
}

TEST(Manifest, VantorelExeAsksForDpiAwarenessAndNoExecutionLevelForItsOwnProcessor) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring program(self);
    program = program.substr(0, program.find_last_of(L"\\/") + 1) + L"vantorel.exe";
    HMODULE image = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(image, nullptr);
    const WORD machine = MachineOf(program);
    EXPECT_EQ(machine, MachineOf(self));
    EXPECT_TRUE(machine == IMAGE_FILE_MACHINE_I386 || machine == IMAGE_FILE_MACHINE_AMD64) << machine;

    int manifests = 0;
    EnumResourceNamesW(image, MAKEINTRESOURCEW(24), CountResource, reinterpret_cast<LONG_PTR>(&manifests));
    EXPECT_EQ(manifests, 1);
    const HRSRC found = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr);
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(image, found))),
                               SizeofResource(image, found));
    FreeLibrary(image);
    EXPECT_EQ(manifest.find("trustInfo"), std::string::npos);
    EXPECT_EQ(manifest.find("requestedExecutionLevel"), std::string::npos);
    EXPECT_NE(manifest.find(">PerMonitorV2"), std::string::npos);
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
    const std::string identity = std::string("version=\"") + VANTOREL_VERSION + ".0\" processorArchitecture=\"" +
                                 (machine == IMAGE_FILE_MACHINE_AMD64 ? "amd64" : "x86") + "\"";
    EXPECT_NE(manifest.find(identity), std::string::npos) << manifest;
}

}  // namespace
}  // namespace vantorel
