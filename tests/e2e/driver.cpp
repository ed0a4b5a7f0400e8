// Drives the real vantorel.exe as a user would, through messages to its controls, and checks
// what its windows show, the favourites file and what the stand-in game records.
// Usage: e2e_driver VANTOREL_EXE SAMPLE_SERVER_EXE GAME_FOLDER SCREENSHOT_BMP DPI [XDOTOOL]
// With XDOTOOL (the Unix program, as a Windows path) the mouse and keys come from the X
// server, as a user's do: the drag, Tab, Enter and Alt+F4. Without it the program is driven
// by messages alone.

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "ui/win32/control_ids.h"

namespace {

using namespace vantorel::ui;

int failures = 0;

// The sample server's address, as the sample favourite has it.
constexpr const char* kServerIP = "127.0.0.1";

void Check(bool holds, const std::string& what) {
    std::printf("%s %s\n", holds ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
    if (!holds) {
        ++failures;
    }
}

std::string Narrow(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring Widen(const std::string& text) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

// The program under test has no event to offer for "a window now shows this": the driver
// looks again every 50 ms, for at most `seconds`.
bool WaitUntil(const std::function<bool()>& condition, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    return true;
}

std::string Text(HWND control) {
    wchar_t buffer[1024] = {};
    SendMessageW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer));
    return Narrow(buffer);
}

std::vector<std::string> ComboItems(HWND combo) {
    std::vector<std::string> items;
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t buffer[512] = {};
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buffer));
        items.push_back(Narrow(buffer));
    }
    return items;
}

std::vector<std::string> ListItems(HWND list) {
    std::vector<std::string> items;
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t buffer[512] = {};
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buffer));
        items.push_back(Narrow(buffer));
    }
    return items;
}

std::string Joined(const std::vector<std::string>& items) {
    std::string joined;
    for (const std::string& item : items) {
        joined += (joined.empty() ? "" : " | ") + item;
    }
    return joined;
}

// A click as the mouse makes it; posted, because a click may open a modal message box.
void Click(HWND control) {
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

void Type(HWND edit, const std::string& text) {
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    for (const wchar_t c : Widen(text)) {
        SendMessageW(edit, WM_CHAR, c, 1);
    }
}

void Pick(HWND window, HWND combo, int id, int index) {
    SendMessageW(combo, CB_SETCURSEL, index, 0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

struct Dialog {
    HWND window = nullptr;
    DWORD process = 0;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM parameter) {
    auto* dialog = reinterpret_cast<Dialog*>(parameter);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == dialog->process && std::wstring(className) == L"#32770" && IsWindowVisible(window)) {
        dialog->window = window;
        return FALSE;
    }
    return TRUE;
}

// Waits for the program's message box, answers its title and text, and presses OK.
std::pair<std::string, std::string> AnswerMessageBox(DWORD process) {
    Dialog dialog{nullptr, process};
    WaitUntil(
        [&] {
            dialog.window = nullptr;
            EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&dialog));
            return dialog.window != nullptr;
        },
        15);
    if (!dialog.window) {
        return {"", "(no message box)"};
    }
    const std::string title = Text(dialog.window);
    const std::string text = Text(GetDlgItem(dialog.window, 0xFFFF));
    PostMessageW(dialog.window, WM_COMMAND, IDOK, 0);
    WaitUntil([&] { return !IsWindow(dialog.window); }, 10);
    return {title, text};
}

std::string ReadWholeFile(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

// Writes a part of the screen as a BMP, for people to look at.
void SaveScreenshot(const std::wstring& path, const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const DWORD rowBytes = ((width * 3 + 3) / 4) * 4;
    const DWORD imageBytes = rowBytes * height;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageBytes;
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), imageBytes);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

PROCESS_INFORMATION Start(const std::wstring& program, const std::wstring& arguments, HANDLE output = nullptr) {
    std::wstring line = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (output) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
        startup.hStdError = output;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    PROCESS_INFORMATION process{};
    CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, output != nullptr, 0, nullptr, nullptr, &startup,
                   &process);
    return process;
}

// Starts a sample server or master and waits until its first line says that it is ready
// (it begins with `ready`); `port` takes the port it says, for one of the system's choice.
PROCESS_INFORMATION StartSample(const std::wstring& program, const std::wstring& arguments, const std::string& ready,
                                int* port) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    CreatePipe(&readEnd, &writeEnd, &inherit, 0);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    const PROCESS_INFORMATION process = Start(program, arguments, writeEnd);
    CloseHandle(writeEnd);
    std::string said;
    char buffer[256];
    DWORD count = 0;
    while (said.find('\n') == std::string::npos && ReadFile(readEnd, buffer, sizeof buffer, &count, nullptr) &&
           count > 0) {
        said.append(buffer, count);
    }
    CloseHandle(readEnd);
    Check(said.rfind(ready, 0) == 0, "the sample is ready: " + said);
    if (port) {
        const std::size_t at = said.find(" port ");
        *port = at == std::string::npos ? 0 : std::atoi(said.c_str() + at + 6);
    }
    return process;
}

PROCESS_INFORMATION StartSampleServer(const std::wstring& program, const std::wstring& arguments, int* port = nullptr) {
    return StartSample(program, arguments, "answering on", port);
}

// Runs the X server's input tool with the given arguments and waits for it.
bool XInput(const std::wstring& xdotool, const std::wstring& arguments) {
    const PROCESS_INFORMATION process = Start(xdotool, arguments);
    if (!process.hProcess) {
        return false;
    }
    const bool done = WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0;
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return done && code == 0;
}

std::wstring Number(long value) {
    return std::to_wstring(value);
}

// The control that has the keyboard focus in the program's window thread.
HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

// Where the focus is, for a failure's message.
std::string FocusName(HWND window) {
    const HWND focus = FocusOf(window);
    wchar_t className[64] = {};
    GetClassNameW(focus, className, 64);
    return "focus on " + Narrow(className) + " " + std::to_string(GetDlgCtrlID(focus)) + " in " +
           std::to_string(GetDlgCtrlID(GetParent(focus)));
}

bool HasFocusIn(HWND window, HWND control) {
    const HWND focus = FocusOf(window);
    return focus != nullptr && (focus == control || IsChild(control, focus));
}

// A click into a box, at its left end (clear of a combo box's button).
std::wstring ClickInto(HWND control) {
    RECT area;
    GetWindowRect(control, &area);
    return L"mousemove " + Number(area.left + 12) + L" " + Number((area.top + area.bottom) / 2) + L" click 1";
}

// The stats window sits against the launcher (right, left or below) and inside the work area.
bool Docked(HWND launcher, HWND stats) {
    RECT l, s;
    GetWindowRect(launcher, &l);
    GetWindowRect(stats, &s);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(launcher, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const bool beside = (s.left == l.right || s.right == l.left) && s.top <= l.bottom && s.bottom >= l.top;
    const bool below = s.top == l.bottom && s.left < l.right && s.right > l.left;
    const bool inside = s.left >= work.left && s.top >= work.top && s.right <= work.right && s.bottom <= work.bottom;
    return (beside || below) && inside;
}

std::string Where(HWND window) {
    RECT area;
    GetWindowRect(window, &area);
    return std::to_string(area.left) + "," + std::to_string(area.top) + "-" + std::to_string(area.right) + "," +
           std::to_string(area.bottom);
}

// A sum of the pixels of a part of the screen, to tell whether something was drawn there.
unsigned long long ScreenSum(const RECT& area) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    unsigned long long sum = 0;
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    for (int i = 0; i < width * height; ++i) {
        sum = sum * 31 + (pixels[i] & 0xFFFFFF);
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return sum;
}

// A cell of a list view in another process: the item and its text buffer are made in that
// process, since a message's pointer means nothing across processes.
std::string ListViewText(HWND list, DWORD process, int row, int column) {
    HANDLE target = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process);
    if (!target) {
        return "(no access)";
    }
    constexpr std::size_t kChars = 256;
    void* remote =
        VirtualAllocEx(target, nullptr, sizeof(LVITEMW) + kChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote) + sizeof(LVITEMW));
    item.cchTextMax = kChars;
    wchar_t text[kChars] = {};
    WriteProcessMemory(target, remote, &item, sizeof item, nullptr);
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(target, item.pszText, text, sizeof text - sizeof(wchar_t), nullptr);
    VirtualFreeEx(target, remote, 0, MEM_RELEASE);
    CloseHandle(target);
    return Narrow(text);
}

// A column's cells from the top, joined.
std::string ListViewColumn(HWND list, DWORD process, int column) {
    std::string cells;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        cells += (row ? " | " : "") + ListViewText(list, process, row, column);
    }
    return cells;
}

// A click on a list view's column header, as the mouse makes it.
void ClickHeader(HWND list, int column) {
    const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    int left = 0;
    for (int i = 0; i < column; ++i) {
        left += static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, i, 0));
    }
    const int x = left + static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0)) / 2;
    PostMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 4));
    PostMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(x, 4));
}

std::string LastStart(const std::wstring& record) {
    const std::string all = ReadWholeFile(record);
    const std::size_t args = all.rfind("args: ");
    return args == std::string::npos ? "" : all.substr(args);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 6 && argc != 7) {
        std::printf("usage: e2e_driver VANTOREL_EXE SAMPLE_SERVER_EXE GAME_FOLDER SCREENSHOT_BMP DPI [XDOTOOL]\n");
        return 2;
    }
    const std::wstring vantorel = argv[1], sampleServer = argv[2], game = argv[3], screenshot = argv[4];
    const int dpi = std::stoi(argv[5]);
    const std::wstring xdotool = argc == 7 ? argv[6] : L"";
    const auto scaled = [dpi](int twips) { return MulDiv(twips, dpi, 1440); };
    const std::wstring record = game + L"\\bfvietnam.starts.txt";
    const std::wstring favorites = game + L"\\Favorites.ini";
    const std::string gameText = Narrow(game);
    HANDLE gameStarted = CreateEventW(nullptr, TRUE, FALSE, L"VantorelStandInGameStarted");

    const PROCESS_INFORMATION program = Start(vantorel, L"");
    Check(program.hProcess != nullptr, "vantorel.exe starts");
    HWND launcher = nullptr, stats = nullptr;
    WaitUntil(
        [&] {
            launcher = FindWindowW(kLauncherClass, nullptr);
            stats = FindWindowW(kStatsClass, nullptr);
            return launcher && stats && IsWindowVisible(launcher) && IsWindowVisible(stats);
        },
        30);
    Check(launcher && stats, "both windows are shown");
    if (!launcher || !stats) {
        TerminateProcess(program.hProcess, 1);
        return 1;
    }
    const auto control = [](HWND window, int id) { return GetDlgItem(window, id); };

    // 1. Right after start.
    Check(Joined(ComboItems(control(launcher, kProfiles))) == "Alice | Bravo | Charlie", "the sample profiles");
    Check(Text(control(launcher, kProfiles)) == "Charlie", "the third profile is selected");
    Check(Joined(ComboItems(control(launcher, kMods))) == "BfVietnam | Desert Heat | Hue Siege", "the sample mods");
    Check(Text(control(launcher, kMods)) == "BfVietnam", "the mod box shows BfVietnam");
    Check(Joined(ComboItems(control(launcher, kFavorites))) == "-- No Server -- | Sample server",
          "the favourites list: " + Joined(ComboItems(control(launcher, kFavorites))));
    Check(Text(control(launcher, kIP)) == "0.0.0.0", "the IP box shows 0.0.0.0");
    Check(Text(control(launcher, kPort)) == "0", "the port box shows 0");
    RECT launcherArea, statsArea;
    GetWindowRect(launcher, &launcherArea);
    GetWindowRect(stats, &statsArea);
    Check(Docked(launcher, stats), "the stats window sits against the launcher, inside the work area: launcher " +
                                       Where(launcher) + ", stats " + Where(stats));
    Check(Text(control(stats, kStatsTitle)) == "Server Stats", "the stats window shows Server Stats");
    Check(GetWindow(stats, GW_OWNER) == launcher, "the launcher owns the stats window");
    Check((GetWindowLongW(stats, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0, "the stats window is a tool window");
    RECT launchArea, client;
    GetWindowRect(control(launcher, kLaunch), &launchArea);
    GetClientRect(launcher, &client);
    Check(client.right == scaled(5940) && client.bottom == scaled(5700) &&
              launchArea.right - launchArea.left >= scaled(2415) && launchArea.bottom - launchArea.top == scaled(495),
          "at " + std::to_string(dpi) + " DPI the launcher is " + std::to_string(client.right) + " x " +
              std::to_string(client.bottom) + " pixels, Launch Game " +
              std::to_string(launchArea.right - launchArea.left) + " x " +
              std::to_string(launchArea.bottom - launchArea.top));
    Check(!IsWindowVisible(control(stats, kWaitForSlot)), "no check box yet");

    // 2. The sample server: full at first, a slot frees after five seconds.
    const PROCESS_INFORMATION server = StartSampleServer(
        sampleServer, L"--port 23000 --free-after 5 --duration 60 --quiet --hostname \"Rock & Roll\"");
    Check(server.hProcess != nullptr, "the sample server starts");
    Pick(launcher, control(launcher, kFavorites), kFavorites, 1);
    Check(Text(control(launcher, kServerName)) == "Sample server", "picking fills the name box");
    Check(Text(control(launcher, kIP)) == kServerIP && Text(control(launcher, kPort)) == "15567",
          "picking fills the IP and port boxes");
    // The list fills line by line after the labels: the reply is shown once all 30 are in.
    const bool shown = WaitUntil(
        [&] {
            return Text(control(stats, kStatsTitle)) == "Server Stats" &&
                   SendMessageW(control(stats, kPlayers), LB_GETCOUNT, 0, 0) == 30;
        },
        20);
    Check(shown, "the reply is shown");
    Check(Text(control(stats, kServerTitle)) == "Rock & Roll",
          "the server's title: " + Text(control(stats, kServerTitle)));
    Check((GetWindowLongW(control(stats, kServerTitle), GWL_STYLE) & SS_NOPREFIX) != 0, "\"&\" shows as itself");
    Check(Text(control(stats, kMap)) == " - Hue - ", "the map line");
    Check(Text(control(stats, kPlayerCounts)) == "Players:  30 / 32 (2 reserved)",
          "the counts: " + Text(control(stats, kPlayerCounts)));
    const std::vector<std::string> lines = ListItems(control(stats, kPlayers));
    Check(lines.size() == 30 && lines[0] == "us   Jérôme            00/00/00     30",
          "the player lines, " + std::to_string(lines.size()) + ", first \"" + (lines.empty() ? "" : lines[0]) + "\"");
    const HWND check = control(stats, kWaitForSlot);
    Check(IsWindowVisible(check) && Text(check) == "Wait for a free slot, then join", "a full server shows the box");
    RECT pair;
    GetWindowRect(launcher, &launcherArea);
    GetWindowRect(stats, &statsArea);
    UnionRect(&pair, &launcherArea, &statsArea);
    SaveScreenshot(screenshot, pair);
    SendMessageW(check, BM_CLICK, 0, 0);
    Check(SendMessageW(check, BM_GETCHECK, 0, 0) == BST_CHECKED, "the box is ticked");
    const bool launched = WaitForSingleObject(gameStarted, 30000) == WAIT_OBJECT_0;
    Check(launched, "the game starts once a slot frees");
    Check(LastStart(record) == "args: +restart 1 +game BfVietnam +joinServer " + std::string(kServerIP) +
                                   ":15567\r\nfolder: " + gameText + "\r\n",
          "it joins the server from the game folder: " + LastStart(record));
    Check(WaitUntil([&] { return SendMessageW(check, BM_GETCHECK, 0, 0) == BST_UNCHECKED; }, 5), "the box is unticked");
    ResetEvent(gameStarted);

    // 3. Add a favourite and remove it.
    Type(control(launcher, kServerName), "Driver test");
    Type(control(launcher, kIP), "10.1.2.3");
    Type(control(launcher, kPort), "15568");
    Click(control(launcher, kAddFavorite));
    const auto added = AnswerMessageBox(program.dwProcessId);
    Check(added.first == "Info" && added.second == "Server Added!", "adding says " + added.second);
    std::string file = ReadWholeFile(favorites);
    Check(file.find("[Driver test]\r\nServer=10.1.2.3\r\nPort=15568\r\nCreation=") != std::string::npos,
          "Favorites.ini holds the new favourite");
    Check(Joined(ComboItems(control(launcher, kFavorites))) == "-- No Server -- | Sample server | Driver test",
          "the list shows it");
    Check(Text(control(launcher, kServerName)).empty() && Text(control(launcher, kIP)) == "0.0.0.0",
          "the boxes are reset");
    Type(control(launcher, kServerName), "Driver test");
    Click(control(launcher, kRemoveFavorite));
    const auto removed = AnswerMessageBox(program.dwProcessId);
    Check(removed.first == "Info" && removed.second == "Server Removed!", "removing says " + removed.second);
    file = ReadWholeFile(favorites);
    Check(file.find("[Driver test]\r\nServer=0.0.0.0\r\nPort=0\r\nCreation=") != std::string::npos,
          "Favorites.ini marks it removed");
    Check(file.rfind("[Sample server]\r\nServer=" + std::string(kServerIP) +
                         "\r\nPort=15567\r\nCreation=08.12.2026  12:00:00\r\n",
                     0) == 0,
          "the sample favourite is kept as it was");
    Check(Joined(ComboItems(control(launcher, kFavorites))) == "-- No Server -- | Sample server", "the list hides it");

    // The stats window minimises and restores with the launcher, and comes back docked.
    ShowWindow(launcher, SW_MINIMIZE);
    Check(WaitUntil([&] { return !IsWindowVisible(stats); }, 10), "minimising the launcher hides the stats window");
    ShowWindow(launcher, SW_RESTORE);
    Check(WaitUntil([&] { return IsWindowVisible(stats) && Docked(launcher, stats); }, 10),
          "restoring it brings the stats window back beside it");

    // 4. Launch with no server.
    Pick(launcher, control(launcher, kFavorites), kFavorites, 0);
    Click(control(launcher, kLaunch));
    Check(WaitForSingleObject(gameStarted, 20000) == WAIT_OBJECT_0, "Launch Game starts the game");
    Check(LastStart(record) == "args: +Profile Charlie +game BfVietnam\r\nfolder: " + gameText + "\r\n",
          "with the profile: " + LastStart(record));
    ResetEvent(gameStarted);

    // 5. The Servers window: the kept list and the favourite, asked at once, and a sample
    // master beside them (named in Vantorel.ini beside the program) that lists the kept
    // servers and one more; sorted by the players, filtered by a player's name, and a server
    // joined by Enter.
    int ports[4] = {};
    const PROCESS_INFORMATION listed[] = {
        StartSampleServer(sampleServer, L"--port 0 --duration 120 --quiet --hostname Alpha --players 3", &ports[0]),
        StartSampleServer(sampleServer, L"--port 0 --duration 120 --quiet --hostname Bravo --players 12", &ports[1]),
        StartSampleServer(sampleServer, L"--port 0 --duration 120 --quiet --hostname Charlie --players 20 --map Khe",
                          &ports[2]),
        StartSampleServer(sampleServer, L"--port 0 --duration 120 --quiet --hostname Delta --players 5", &ports[3])};
    std::wstring listed4;
    for (const int port : ports) {
        listed4 += L" " + std::wstring(kServerIP, kServerIP + std::strlen(kServerIP)) + L":" + std::to_wstring(port);
    }
    int masterPort = 0;
    const std::wstring sampleMaster =
        sampleServer.substr(0, sampleServer.find_last_of(L"\\/") + 1) + L"bfv-sample-master.exe";
    const PROCESS_INFORMATION master =
        StartSample(sampleMaster, L"--port 0 --duration 120 --quiet" + listed4, "listing 4 servers", &masterPort);
    const std::string masterText = std::string(kServerIP) + ":" + std::to_string(masterPort);
    std::ofstream(std::filesystem::path(vantorel).parent_path() / "Vantorel.ini", std::ios::binary)
        << "[Masters]\r\n"
        << masterText << "\r\n";
    {
        std::string kept = "Vantorel servers 1\r\nsaved\t08.12.2026  12:00:00\r\n";
        for (const int port : {ports[0], ports[1], ports[2]}) {
            kept += std::string(kServerIP) + ":" + std::to_string(port) + "\t15567\t\t\t0\t\t\t\t\t\r\n";
        }
        std::ofstream(std::filesystem::path(game + L"\\VantorelServers.txt"), std::ios::binary) << kept;
    }
    Click(control(launcher, kOpenServers));
    HWND servers = nullptr;
    Check(WaitUntil(
              [&] {
                  servers = FindWindowW(kServersClass, nullptr);
                  return servers && IsWindowVisible(servers);
              },
              10),
          "\"Servers\" opens the Servers window");
    if (servers) {
        const HWND list = control(servers, kServerList);
        const auto status = [&] { return Text(control(servers, kListStatus)); };
        const bool answered = WaitUntil([&] { return status().rfind("5 servers, 5 answered", 0) == 0; }, 20);
        Check(answered, "the kept servers, the master's and the favourite are listed and answer: " + status());
        Check(Text(control(servers, kMastersStatus)) == masterText + ": 4 servers",
              "the master's state: " + Text(control(servers, kMastersStatus)));
        ClickHeader(list, 1);
        // The favourite's server has freed its slot by now: 29 of 32.
        Check(WaitUntil(
                  [&] { return ListViewColumn(list, program.dwProcessId, 1) == "29/32 | 20/32 | 12/32 | 5/32 | 3/32"; },
                  5),
              "a click on Players puts the most first: " + ListViewColumn(list, program.dwProcessId, 1));
        RECT area;
        GetWindowRect(servers, &area);
        std::wstring shot = screenshot;
        shot.insert(shot.size() - 4, L"-servers");
        SaveScreenshot(shot, area);
        Type(control(servers, kSearch), "rookie");
        const bool filtered =
            WaitUntil([&] { return Text(control(servers, kHiddenCount)) == "2 hidden by filters"; }, 5);
        Check(filtered, "a player's name hides the servers he is not on: " + Text(control(servers, kHiddenCount)));
        // The favourite is marked.
        Check(ListViewColumn(list, program.dwProcessId, 0) == "* Rock & Roll | Charlie | Bravo",
              "the servers with Rookie on them: " + ListViewColumn(list, program.dwProcessId, 0));
        PostMessageW(list, WM_KEYDOWN, VK_END, 0);
        PostMessageW(list, WM_KEYDOWN, VK_RETURN, 0);
        Check(WaitForSingleObject(gameStarted, 20000) == WAIT_OBJECT_0, "Enter on a listed server starts the game");
        Check(LastStart(record) == "args: +restart 1 +game BfVietnam +joinServer " + std::string(kServerIP) +
                                       ":15567\r\nfolder: " + gameText + "\r\n",
              "joining Bravo: " + LastStart(record));
        Check(WaitUntil([&] { return Text(control(stats, kServerTitle)) == "Bravo"; }, 10),
              "the stats window shows the server picked in the list: " + Text(control(stats, kServerTitle)));
        ResetEvent(gameStarted);
        PostMessageW(servers, WM_CLOSE, 0, 0);
        Check(WaitUntil([&] { return !IsWindowVisible(servers); }, 5), "the Servers window closes");
    }
    for (const PROCESS_INFORMATION& process : listed) {
        TerminateProcess(process.hProcess, 0);
    }
    TerminateProcess(master.hProcess, 0);

    if (!xdotool.empty()) {
        // 6. The mouse and the keyboard, from the X server.
        GetWindowRect(launcher, &launcherArea);
        // A bare spot of the background, between the favourites box and the name caption.
        const long x = launcherArea.left + scaled(4000), y = launcherArea.top + scaled(3230);
        XInput(xdotool, L"mousemove " + Number(x) + L" " + Number(y) + L" mousedown 1 sleep 0.3 mousemove " +
                            Number(x + 20) + L" " + Number(y + 10) + L" sleep 0.3 mousemove " + Number(x + 60) + L" " +
                            Number(y + 40) + L" sleep 0.3 mouseup 1");
        RECT moved;
        const bool docked = WaitUntil(
            [&] {
                GetWindowRect(launcher, &moved);
                return moved.left != launcherArea.left && Docked(launcher, stats);
            },
            10);
        Check(docked, "after a drag by the background the launcher is at " + Where(launcher) + " (was " +
                          std::to_string(launcherArea.left) + "," + std::to_string(launcherArea.top) +
                          ") and the stats window at " + Where(stats));

        // A quick drag: press, move and release before the program has looked at any of it.
        // The window does not follow the pointer afterwards; the launcher lands where it was let
        // go. (Wine hands the stats window such a drag's move without the button held, so
        // that one does not move at all.)
        for (const HWND dragged : {launcher, stats}) {
            const std::string name = dragged == launcher ? "the launcher" : "the stats window";
            RECT before, released, after;
            GetWindowRect(dragged, &before);
            const long qx = before.left + scaled(dragged == launcher ? 4000 : 2000);
            const long qy = before.top + scaled(dragged == launcher ? 3230 : 480);
            // The window is active first, as one is that the user works in.
            XInput(xdotool, L"mousemove " + Number(qx) + L" " + Number(qy) + L" click 1");
            WaitUntil([&] { return GetForegroundWindow() == dragged; }, 5);
            XInput(xdotool, L"mousemove " + Number(qx) + L" " + Number(qy) + L" mousedown 1 mousemove " +
                                Number(qx + 30) + L" " + Number(qy + 20) + L" mouseup 1");
            if (dragged == launcher) {
                Check(WaitUntil(
                          [&] {
                              GetWindowRect(dragged, &released);
                              return released.left == before.left + 30 && released.top == before.top + 20;
                          },
                          5),
                      name + " lands where a quick drag let it go: " + Where(dragged) + ", from " +
                          std::to_string(before.left) + "," + std::to_string(before.top));
            } else {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_ALLINPUT);
            }
            GetWindowRect(dragged, &released);
            XInput(xdotool, L"mousemove " + Number(qx + 130) + L" " + Number(qy + 90) + L" sleep 0.5 mousemove " +
                                Number(qx + 180) + L" " + Number(qy + 120) + L" sleep 0.5");
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 500, QS_ALLINPUT);
            GetWindowRect(dragged, &after);
            Check(EqualRect(&after, &released),
                  name + " does not follow the pointer after a quick drag: " + Where(dragged) + ", let go at " +
                      std::to_string(released.left) + "," + std::to_string(released.top));
        }

        // A click into the IP box selects "0.0.0.0", so typing replaces it; Enter there shows
        // that server in the stats window and starts nothing.
        XInput(xdotool, ClickInto(control(launcher, kIP)) + L" type --delay 20 127.0.0.1");
        Check(WaitUntil([&] { return Text(control(launcher, kIP)) == kServerIP; }, 5),
              "typing into the clicked IP box replaces its text: " + Text(control(launcher, kIP)));
        XInput(xdotool, L"key Return");
        Check(WaitUntil([&] { return Text(control(stats, kServerTitle)) == "Rock & Roll"; }, 15),
              "Enter in the IP box shows the typed server: " + Text(control(stats, kStatsTitle)));
        Check(WaitForSingleObject(gameStarted, 0) == WAIT_TIMEOUT, "and starts no game");

        // Tab reaches "Launch Game", which shows a focus mark; Enter there launches.
        RECT launchOnScreen;
        GetWindowRect(control(launcher, kLaunch), &launchOnScreen);
        const unsigned long long unfocused = ScreenSum(launchOnScreen);
        XInput(xdotool, L"key Tab Tab Tab Tab");
        Check(WaitUntil([&] { return HasFocusIn(launcher, control(launcher, kLaunch)); }, 5),
              "Tab reaches Launch Game: " + FocusName(launcher));
        Check(WaitUntil([&] { return ScreenSum(launchOnScreen) != unfocused; }, 5),
              "Launch Game shows that it has the focus");
        XInput(xdotool, L"key Return");
        Check(WaitForSingleObject(gameStarted, 20000) == WAIT_OBJECT_0, "Enter on Launch Game starts the game");
        Check(LastStart(record) == "args: +restart 1 +game BfVietnam +joinServer " + std::string(kServerIP) +
                                       ":0\r\nfolder: " + gameText + "\r\n",
              "joining the typed server: " + LastStart(record));

        // 7. Alt+F4 on the stats window does what "X" does.
        GetWindowRect(stats, &statsArea);
        XInput(xdotool, L"mousemove " + Number(statsArea.left + scaled(2000)) + L" " +
                            Number(statsArea.top + scaled(480)) + L" click 1");
        Check(WaitUntil([&] { return GetForegroundWindow() == stats; }, 5), "a click activates the stats window");
        XInput(xdotool, L"key alt+F4");
    } else {
        // 6. "X" ends the process.
        Click(control(launcher, kLauncherClose));
    }

    const bool ended = WaitForSingleObject(program.hProcess, 15000) == WAIT_OBJECT_0;
    Check(ended, xdotool.empty() ? "X ends the process" : "Alt+F4 on the stats window ends the process");
    if (!ended) {
        TerminateProcess(program.hProcess, 1);
    }
    TerminateProcess(server.hProcess, 0);

    // The last choices are kept in the user's own folder, not the game's.
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    const std::string remembered = ReadWholeFile(std::wstring(local ? local : L"") + L"\\Vantorel\\Vantorel.ini");
    Check(remembered.find("\r\nProfile=Charlie\r\nMod=BfVietnam\r\n") != std::string::npos,
          "the last profile and mod are remembered for this user: " + remembered);
    Check(ReadWholeFile(game + L"\\Vantorel.ini").empty(), "and nothing of it is in the game folder");
    std::printf("%s\n", failures == 0 ? "end-to-end test passed" : "end-to-end test FAILED");
    return failures == 0 ? 0 : 1;
}
