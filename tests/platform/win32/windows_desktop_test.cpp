// The two real windows on the desktop, without a screen (the prefix's null graphics driver):
// their size at the system's DPI and after a change of DPI, every caption fitting, docking
// after any move, the ownership, the labels, the keyboard, the boxes, and the headers and
// resources of the programs. desktop_settings.sh runs the DPI cases again from 120 to 192
// DPI with the widest font the skin may get.

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "browse/kept_list.h"
#include "fakes/temp_folder.h"
#include "fakes/udp_peer.h"
#include "launcher/mod_main.h"
#include "platform/event_loop.h"
#include "platform/folder_picker.h"
#include "platform/memory_registry.h"
#include "platform/platform.h"
#include "forms/dock_place.h"
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
        // "Launch Game" keeps its right edge and grows to the left as its caption needs.
        const RECT launch = ControlArea(window, kLaunch);
        EXPECT_EQ(launch.right, px(3240 + 2415));
        EXPECT_EQ(launch.top, px(5040));
        EXPECT_GE(launch.right - launch.left, px(2415));
        EXPECT_EQ(launch.bottom - launch.top, px(495));
        const RECT port = ControlArea(window, kPort);
        EXPECT_EQ(port.left, px(2760));
        EXPECT_EQ(port.right - port.left, px(1095));
        EXPECT_EQ(FontHeight(window, kLaunch), height(1575));
        EXPECT_EQ(FontHeight(window, kProfileCaption), height(825));
        EXPECT_EQ(ClientArea(stats).right, px(3945));
        EXPECT_EQ(ClientArea(stats).bottom, px(3975));
        // The player list shows whole rows only, as many as its place holds, under its header.
        const RECT players = ControlArea(stats, kPlayers);
        const int row = static_cast<int>(SendMessageW(GetDlgItem(stats, kPlayers), LB_GETITEMHEIGHT, 0, 0));
        EXPECT_EQ(players.top, px(1800));
        EXPECT_LE(players.bottom - players.top, px(1590));
        EXPECT_GT(players.bottom - players.top, px(1590) - row);
        EXPECT_EQ((players.bottom - players.top) % row, 0);
        EXPECT_EQ(ControlArea(stats, kPlayerHeader).bottom, players.top);
        EXPECT_EQ(FontHeight(stats, kServerTitle), height(975));
        EXPECT_EQ(FontHeight(stats, kPlayers), height(675));
    }
    // Every fixed caption is wholly inside its control, inside the window, its text clear of
    // the other captions' text; the check box's leaves room for its box.
    void ExpectCaptionsFit() {
        const struct {
            HWND parent;
            int id;
            int box;  // pixels beside the text at 96 DPI
        } captions[] = {
            {window, kLauncherTitle, 0},    {window, kProfileCaption, 0},    {window, kModCaption, 0},
            {window, kFavoritesCaption, 0}, {window, kServerNameCaption, 0}, {window, kIPCaption, 0},
            {window, kPortCaption, 0},      {window, kAddFavorite, 0},       {window, kRemoveFavorite, 0},
            {window, kLaunch, 0},           {window, kLauncherClose, 0},     {stats, kWaitForSlot, 13},
            {window, kOpenServers, 0},
        };
        std::vector<std::pair<int, RECT>> placed;
        for (const auto& caption : captions) {
            const HWND control = GetDlgItem(caption.parent, caption.id);
            const RECT area = ControlArea(caption.parent, caption.id);
            wchar_t text[128] = {};
            const int length = GetWindowTextW(control, text, 128);
            HDC dc = GetDC(control);
            const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
            SIZE size{};
            GetTextExtentPoint32W(dc, text, length, &size);
            // A font put in for Arial Black still answers to that name: what it is shows in the
            // text's width, the same as in the font asked for by its own name.
            SIZE expectedSize = size;
            const char* expected = std::getenv("VANTOREL_EXPECT_FONT");
            if (expected != nullptr) {
                LOGFONTW described{};
                GetObjectW(GetCurrentObject(dc, OBJ_FONT), sizeof described, &described);
                const std::wstring name(expected, expected + std::strlen(expected));
                name.copy(described.lfFaceName, LF_FACESIZE - 1);
                described.lfFaceName[name.size()] = L'\0';
                const HFONT named = CreateFontIndirectW(&described);
                const HGDIOBJ was = SelectObject(dc, named);
                GetTextExtentPoint32W(dc, text, length, &expectedSize);
                SelectObject(dc, was);
                DeleteObject(named);
            }
            SelectObject(dc, previous);
            ReleaseDC(control, dc);
            EXPECT_EQ(size.cx, expectedSize.cx) << caption.id << " is not in " << expected;
            const int dpi = SystemDpi();
            EXPECT_LE(size.cx + MulDiv(caption.box, dpi, 96), area.right - area.left) << caption.id << " at " << dpi;
            EXPECT_LE(size.cy, area.bottom - area.top) << caption.id;
            const RECT client = ClientArea(caption.parent);
            EXPECT_TRUE(area.left >= 0 && area.top >= 0 && area.right <= client.right && area.bottom <= client.bottom)
                << caption.id;
            // The text is drawn from the control's top left corner.
            const RECT drawn{area.left, area.top, area.left + size.cx, area.top + size.cy};
            if (caption.parent == window) {
                for (const auto& [other, otherText] : placed) {
                    RECT overlap;
                    EXPECT_FALSE(IntersectRect(&overlap, &drawn, &otherText)) << caption.id << " over " << other;
                }
                placed.push_back({caption.id, drawn});
            }
        }
    }
    // Where the docking puts the stats window for the launcher's place, its own size and the
    // work area of the launcher's screen.
    void ExpectDocked() {
        RECT launcherArea, statsArea;
        GetWindowRect(window, &launcherArea);
        GetWindowRect(stats, &statsArea);
        const RECT work = WorkArea(window);
        const auto twips = [](const RECT& area) {
            return TwipsRect{area.left * 15, area.top * 15, (area.right - area.left) * 15,
                             (area.bottom - area.top) * 15};
        };
        const TwipsRect statsTwips = twips(statsArea);
        const TwipsRect expected =
            dockPlace::StatsPlace(twips(launcherArea), {statsTwips.width, statsTwips.height}, twips(work));
        EXPECT_EQ(statsArea.left * 15, expected.left);
        EXPECT_EQ(statsArea.top * 15, expected.top);
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
    ExpectCaptionsFit();
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

TEST_F(DesktopTest, BothWindowsAreTranslucentWithHolesInTheKeyColourAfterEveryResize) {
    SendMessageW(stats, WM_SIZE, SIZE_RESTORED, 0);  // a second time changes nothing
    for (const HWND shown : {window, stats}) {
        EXPECT_NE(GetWindowLongW(shown, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
        COLORREF key = 0;
        BYTE alpha = 0;
        DWORD flags = 0;
        ASSERT_TRUE(GetLayeredWindowAttributes(shown, &key, &alpha, &flags));
        EXPECT_EQ(key, RGB(255, 0, 255));
        EXPECT_EQ(alpha, 230);
        EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY | LWA_ALPHA));
    }
}

TEST_F(DesktopTest, LabelsShowAmpersandsAndOnlyTheBackgroundAndTitleDrag) {
    for (const auto& [parent, id] : {std::pair{window, static_cast<int>(kIPCaption)},
                                     {window, kProfileCaption},
                                     {stats, kServerTitle},
                                     {stats, kMap},
                                     {stats, kPlayerCounts},
                                     {stats, kBorderStrip + 1}}) {
        const HWND label = GetDlgItem(parent, id);
        EXPECT_EQ(GetWindowLongW(label, GWL_STYLE) & SS_NOPREFIX, id == kBorderStrip + 1 ? 0 : SS_NOPREFIX) << id;
        // A label that let the mouse through would hand a press to the window: a drag.
        EXPECT_EQ(SendMessageW(label, WM_NCHITTEST, 0, 0), HTCLIENT) << id;
    }
}

TEST_F(DesktopTest, TabWalksTheBoxesAndTheLabelButtonsInReadingOrder) {
    // "Servers" comes after "Launch Game", so that the way to it is as it was.
    const int order[] = {kProfiles,       kMods,   kFavorites,   kServerName,    kIP,      kPort, kAddFavorite,
                         kRemoveFavorite, kLaunch, kOpenServers, kLauncherClose, kProfiles};
    HWND at = GetDlgItem(window, order[0]);
    for (std::size_t i = 1; i < std::size(order); ++i) {
        at = GetNextDlgTabItem(window, at, FALSE);
        EXPECT_EQ(GetDlgCtrlID(at), order[i]) << "after " << order[i - 1];
    }
    EXPECT_EQ(GetDlgCtrlID(GetNextDlgTabItem(window, GetDlgItem(window, kMods), TRUE)), kProfiles);
    // The label buttons draw themselves, the focus mark and "&" as itself included.
    for (const int id : {kAddFavorite, kRemoveFavorite, kLaunch, kOpenServers, kLauncherClose}) {
        EXPECT_EQ(GetWindowLongW(GetDlgItem(window, id), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW) << id;
    }
}

std::string ItemText(HWND list, int row, int column) {
    wchar_t text[256] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 256;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    std::string narrow;
    for (const wchar_t* c = text; *c != 0; ++c) {
        narrow += static_cast<char>(*c < 0x80 ? *c : '?');
    }
    return narrow;
}

std::wstring BesideThisProgram(const std::wstring& name) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring path(self);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

// The masters the Servers window asks are named beside the program: here one on this host that
// refuses, so that no test reaches beyond it. The runs of this program on other code pages
// and DPIs write the same, each through a file of its own, so none reads another's half.
void NameARefusingMaster() {
    const std::wstring path = BesideThisProgram(L"Vantorel.ini");
    const std::wstring own = path + L"." + std::to_wstring(GetCurrentProcessId());
    HANDLE file = CreateFileW(own.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const char text[] = "[Masters]\r\n127.0.0.1:1\r\n";
    DWORD written = 0;
    WriteFile(file, text, sizeof text - 1, &written, nullptr);
    CloseHandle(file);
    ASSERT_TRUE(MoveFileExW(own.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
}

// The Servers window opens from its button and by Ctrl+B wherever the launcher's focus is;
// its list is a virtual report view with the columns, filled at once from the kept list and
// sorted by a click on a header; Tab reaches every control.
TEST_F(DesktopTest, TheServersWindowOpensFromItsButtonAndCtrlBAndListsInSortableColumns) {
    // Servers that never answer, on ports of this test's own.
    const testing::UdpPeer silent[3];
    std::vector<browse::KeptServer> kept;
    for (int i = 0; i < 3; ++i) {
        browse::ServerAnswer values;
        values.title = std::string("Kept ") + static_cast<char>('A' + i);
        values.players = (i * 13) % 30;
        values.maxPlayers = 32;
        values.gamePort = 15567;
        kept.push_back({{"127.0.0.1", static_cast<std::uint16_t>(silent[i].Port())}, values});
    }
    game.folder.Write(browse::kKeptListName, browse::KeptListText("14.08.2004  20:33:28", kept));
    NameARefusingMaster();

    SendMessageW(window, WM_COMMAND, MAKEWPARAM(kOpenServers, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, kOpenServers)));
    const HWND servers = FindWindowW(kServersClass, nullptr);
    ASSERT_NE(servers, nullptr);
    EXPECT_TRUE(IsWindowVisible(servers));
    EXPECT_EQ(GetWindow(servers, GW_OWNER), window);
    EXPECT_NE(GetWindowLongW(servers, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    const HWND list = GetDlgItem(servers, kServerList);
    wchar_t className[64] = {};
    GetClassNameW(list, className, 64);
    EXPECT_EQ(std::wstring(className), WC_LISTVIEWW);
    EXPECT_EQ(GetWindowLongW(list, GWL_STYLE) & (LVS_TYPEMASK | LVS_OWNERDATA), LVS_REPORT | LVS_OWNERDATA);
    const HWND header = ListView_GetHeader(list);
    ASSERT_EQ(Header_GetItemCount(header), browse::kColumnCount);
    for (int i = 0; i < browse::kColumnCount; ++i) {
        wchar_t caption[64] = {};
        HDITEMW item{};
        item.mask = HDI_TEXT;
        item.pszText = caption;
        item.cchTextMax = 64;
        SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(std::wstring(caption),
                  std::wstring(browse::kColumnCaptions[i].begin(), browse::kColumnCaptions[i].end()));
    }
    ASSERT_EQ(ListView_GetItemCount(list), 3);
    EXPECT_EQ(ItemText(list, 0, 0) + "|" + ItemText(list, 1, 0) + "|" + ItemText(list, 2, 0), "Kept A|Kept B|Kept C");

    // A click on "Players": the most first, and the header says so.
    NMLISTVIEW click{};
    click.hdr = {list, static_cast<UINT_PTR>(kServerList), static_cast<UINT>(LVN_COLUMNCLICK)};
    click.iItem = -1;
    click.iSubItem = static_cast<int>(browse::Column::kPlayers);
    SendMessageW(servers, WM_NOTIFY, kServerList, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(ItemText(list, 0, 1) + "|" + ItemText(list, 1, 1) + "|" + ItemText(list, 2, 1), "26/32|13/32|0/32");
    EXPECT_EQ(ItemText(list, 0, 0), "Kept C");

    const int order[] = {kSearch,  kNotEmpty,       kNotFull, kNoPassword,   kSameVersion, kServerList,
                         kRefresh, kAddToFavorites, kJoin,    kServersClose, kSearch};
    HWND at = GetDlgItem(servers, order[0]);
    for (std::size_t i = 1; i < std::size(order); ++i) {
        at = GetNextDlgTabItem(servers, at, FALSE);
        EXPECT_EQ(GetDlgCtrlID(at), order[i]) << "after " << order[i - 1];
    }

    // The master is asked over the loop, and its refusal said.
    const HWND masters = GetDlgItem(servers, kMastersStatus);
    const auto mastersText = [masters] {
        wchar_t text[256] = {};
        GetWindowTextW(masters, text, 256);
        return std::wstring(text);
    };
    for (int turn = 0; turn < 200 && mastersText() != L"127.0.0.1:1: refused"; ++turn) {
        platform::Current().events->RunOnce(50);
    }
    EXPECT_EQ(mastersText(), L"127.0.0.1:1: refused");

    // "X" closes it; Ctrl+B in the launcher's profile box brings it back, through the loop.
    SendMessageW(servers, WM_COMMAND, MAKEWPARAM(kServersClose, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(servers, kServersClose)));
    EXPECT_FALSE(IsWindowVisible(servers));
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    const HWND profiles = GetDlgItem(window, kProfiles);
    COMBOBOXINFO parts{};
    parts.cbSize = sizeof parts;
    GetComboBoxInfo(profiles, &parts);
    PostMessageW(parts.hwndItem ? parts.hwndItem : profiles, WM_KEYDOWN, 'B', 1);
    platform::Current().events->DoEvents();
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_TRUE(IsWindowVisible(servers));
}

TEST_F(DesktopTest, AClickIntoABoxSelectsItsTextAndOnlyTheFocusedDropDownShowsItsSelected) {
    const auto selection = [](HWND edit) {
        DWORD start = 0, end = 0;
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return std::pair{start, end};
    };
    const auto comboEdit = [this](int id) {
        COMBOBOXINFO parts{};
        parts.cbSize = sizeof parts;
        GetComboBoxInfo(GetDlgItem(window, id), &parts);
        return parts.hwndItem;
    };
    // The profiles box has the focus after the load; once it is left, its text is no longer
    // selected either.
    SetFocus(GetDlgItem(window, kPort));
    for (const int id : {kProfiles, kMods, kFavorites}) {
        const auto [start, end] = selection(comboEdit(id));
        EXPECT_EQ(start, end) << id;
    }
    const HWND ip = GetDlgItem(window, kIP);
    SendMessageW(ip, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 3));
    SendMessageW(ip, WM_LBUTTONUP, 0, MAKELPARAM(20, 3));
    EXPECT_EQ(GetFocus(), ip);
    EXPECT_EQ(selection(ip), (std::pair<DWORD, DWORD>{0, 7}));  // all of "0.0.0.0"
    // A second click inside the box places the caret as usual.
    SendMessageW(ip, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 3));
    SendMessageW(ip, WM_LBUTTONUP, 0, MAKELPARAM(2, 3));
    EXPECT_EQ(selection(ip).first, selection(ip).second);
}

// Answers the program's box from inside its own loop, noting which windows it blocked.
struct BoxWatch {
    static inline bool enabled[2] = {true, true};
    static inline bool visible[2] = {false, false};
    static inline int answers = 0;
    static inline int waited = 0;
    static inline WPARAM answer = IDOK;
    static BOOL CALLBACK Find(HWND candidate, LPARAM found) {
        wchar_t name[16] = {};
        GetClassNameW(candidate, name, 16);
        if (std::wstring(name) == L"#32770") {
            *reinterpret_cast<HWND*>(found) = candidate;
        }
        return TRUE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
        HWND box = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), Find, reinterpret_cast<LPARAM>(&box));
        // A box is answered once it shows, or after a second if it never does.
        if (box == nullptr || (!IsWindowVisible(box) && ++waited < 20)) {
            return;
        }
        waited = 0;
        KillTimer(nullptr, timer);
        const HWND windows[] = {FindWindowW(kLauncherClass, nullptr), FindWindowW(kStatsClass, nullptr)};
        for (int i = 0; i < 2; ++i) {
            enabled[i] = IsWindowEnabled(windows[i]) != FALSE;
            visible[i] = IsWindowVisible(windows[i]) != FALSE;
        }
        ++answers;
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    }
};

TEST_F(DesktopTest, EveryBoxBlocksBothWindowsAndFreesThemAfterwards) {
    BoxWatch::answers = 0;
    // A message, a question, and the folder picker (cancelled: no folder).
    for (const int box : {0, 1, 2}) {
        BoxWatch::enabled[0] = BoxWatch::enabled[1] = true;
        BoxWatch::answer = box == 0 ? IDOK : box == 1 ? IDNO : IDCANCEL;
        SetTimer(nullptr, 0, 50, BoxWatch::Tick);
        if (box == 0) {
            launcher.ShowMessage("Server Added!", MessageIcon::kInformation, "Info");
        } else if (box == 1) {
            EXPECT_FALSE(launcher.AskYesNo("A favourite named X exists. Replace it?", "Info"));
        } else {
            EXPECT_EQ(platform::Current().folderPicker->PickFolder("Choose the game's folder", launcher.Handle()), "");
        }
        EXPECT_FALSE(BoxWatch::enabled[0]) << box;
        EXPECT_FALSE(BoxWatch::enabled[1]) << box;
        EXPECT_TRUE(IsWindowEnabled(window)) << box;
        EXPECT_TRUE(IsWindowEnabled(stats)) << box;
    }
    EXPECT_EQ(BoxWatch::answers, 3);
}

TEST(DesktopStart, AGameNotFoundIsAskedAboutOverBothWindowsAndTheAnswerNoLeavesThemUsable) {
    platform::ScopedPlatform restore;
    platform::MemoryRegistry noGame;
    platform::Current().registry = &noGame;
    LauncherWindow launcher;
    BoxWatch::answers = 0;
    BoxWatch::answer = IDNO;
    SetTimer(nullptr, 0, 50, BoxWatch::Tick);
    launcher.Load();
    ASSERT_EQ(BoxWatch::answers, 1);
    EXPECT_TRUE(BoxWatch::visible[0]);  // the stats window is not alone on the screen
    EXPECT_TRUE(BoxWatch::visible[1]);
    EXPECT_FALSE(BoxWatch::enabled[0]);
    EXPECT_FALSE(BoxWatch::enabled[1]);
    EXPECT_TRUE(IsWindowEnabled(reinterpret_cast<HWND>(launcher.Handle())));
}

BOOL CALLBACK CountResource(HMODULE, LPCWSTR, LPWSTR, LONG_PTR count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

IMAGE_NT_HEADERS32 PeHeaders(const std::wstring& program) {
    HANDLE file = CreateFileW(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    IMAGE_DOS_HEADER dos{};
    IMAGE_NT_HEADERS32 nt{};
    DWORD read = 0;
    ReadFile(file, &dos, sizeof dos, &read, nullptr);
    SetFilePointer(file, dos.e_lfanew, nullptr, FILE_BEGIN);
    ReadFile(file, &nt, sizeof nt, &read, nullptr);
    CloseHandle(file);
    return nt;
}

TEST(Programs, BothSayTheyNeedWindowsVistaAndHaveTheIcon) {
    for (const wchar_t* name : {L"vantorel.exe", L"bfv-query.exe"}) {
        const std::wstring program = BesideThisProgram(name);
        const IMAGE_NT_HEADERS32 nt = PeHeaders(program);
        EXPECT_EQ(nt.OptionalHeader.MajorSubsystemVersion, 6);
        EXPECT_EQ(nt.OptionalHeader.MinorSubsystemVersion, 0);
        EXPECT_EQ(nt.OptionalHeader.MajorOperatingSystemVersion, 6);
        HMODULE image =
            LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(image, nullptr);
        int icons = 0;
        EnumResourceNamesW(image, MAKEINTRESOURCEW(14), CountResource, reinterpret_cast<LONG_PTR>(&icons));
        EXPECT_EQ(icons, 1);  // RT_GROUP_ICON
        FreeLibrary(image);
    }
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
