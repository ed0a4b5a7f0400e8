// A stand-in for the game's bfvietnam.exe: it appends the command line and the working
// folder it was started with to "bfvietnam.starts.txt" beside itself, signals the event
// "VantorelStandInGameStarted" when someone waits on it, and exits.

#include <windows.h>

#include <string>

namespace {

// The arguments without the program's own name, as the game would read them.
std::wstring Arguments() {
    const wchar_t* line = GetCommandLineW();
    if (*line == L'"') {
        ++line;
        while (*line && *line != L'"') {
            ++line;
        }
        if (*line == L'"') {
            ++line;
        }
    } else {
        while (*line && *line != L' ' && *line != L'\t') {
            ++line;
        }
    }
    while (*line == L' ' || *line == L'\t') {
        ++line;
    }
    return line;
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size, nullptr, nullptr);
    return utf8;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t module[MAX_PATH * 4] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH * 4);
    std::wstring record = module;
    record = record.substr(0, record.find_last_of(L"\\/") + 1) + L"bfvietnam.starts.txt";

    wchar_t folder[MAX_PATH * 4] = {};
    GetCurrentDirectoryW(MAX_PATH * 4, folder);

    const std::string entry = "args: " + ToUtf8(Arguments()) + "\r\nfolder: " + ToUtf8(folder) + "\r\n";
    HANDLE file = CreateFileW(record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    DWORD written = 0;
    WriteFile(file, entry.data(), static_cast<DWORD>(entry.size()), &written, nullptr);
    CloseHandle(file);

    if (HANDLE started = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"VantorelStandInGameStarted")) {
        SetEvent(started);
        CloseHandle(started);
    }
    return 0;
}
