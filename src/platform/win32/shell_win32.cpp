#include "platform/win32/shell_win32.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/win32/wide.h"

namespace vantorel::platform {

ShellResult Win32Shell::Open(const std::string& program, const std::string& parameters, const std::string& folder,
                             int showMode) {
    // The wide call carries every character of the texts; the game still receives its
    // command line in its own code page from Windows.
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    const std::wstring file = Widen(program);
    const std::wstring arguments = Widen(parameters);
    const std::wstring directory = Widen(folder);
    info.lpVerb = L"open";
    info.lpFile = file.c_str();
    info.lpParameters = arguments.c_str();
    info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
    info.nShow = showMode;
    if (ShellExecuteExW(&info)) {
        return {true, {}};
    }
    return {false, WindowsErrorText(GetLastError())};
}

}  // namespace vantorel::platform
