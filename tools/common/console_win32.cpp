#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>

#include "console.h"
#include "platform/win32/wide.h"

namespace vantorel::tools {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        return std::vector<std::string>(argv + 1, argv + argc);
    }
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
        arguments.push_back(platform::Narrow(wide[i]));
    }
    LocalFree(wide);
    return arguments;
}

std::FILE* OpenToRead(const std::string& path) {
    return _wfopen(platform::Widen(path).c_str(), L"rb");
}

bool WriteText(std::FILE* stream, std::string_view text) {
    const HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) {
        return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
    }
    // What the C library holds for this stream goes first.
    std::fflush(stream);
    const std::wstring wide = platform::Widen(text);
    // Older consoles refuse long writes: a few thousand characters at a time, never
    // splitting a surrogate pair.
    constexpr std::size_t kMostPerWrite = 8192;
    for (std::size_t at = 0; at < wide.size();) {
        std::size_t count = std::min(kMostPerWrite, wide.size() - at);
        if (at + count < wide.size() && wide[at + count - 1] >= 0xD800 && wide[at + count - 1] <= 0xDBFF) {
            --count;
        }
        DWORD written = 0;
        if (!WriteConsoleW(handle, wide.data() + at, static_cast<DWORD>(count), &written, nullptr) || written == 0) {
            return false;
        }
        at += written;
    }
    return true;
}

std::FILE* BinaryStandardInput() {
    _setmode(_fileno(stdin), _O_BINARY);
    return stdin;
}

bool SlashHelpIsCustom() {
    return true;
}

}  // namespace vantorel::tools
