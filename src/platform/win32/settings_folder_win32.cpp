#include "platform/win32/settings_folder_win32.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/win32/wide.h"

namespace vantorel::platform {

SettingsFolderResult Win32SettingsFolder::Locate() {
    wchar_t folder[MAX_PATH] = {};
    const HRESULT found = SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
    if (FAILED(found)) {
        return {{}, "Windows names no application data folder for this user: " + WindowsErrorText(found)};
    }
    return {Narrow(folder) + "\\Vantorel", {}};
}

SettingsFolderResult Win32SettingsFolder::Make() {
    SettingsFolderResult folder = Locate();
    if (folder.path.empty()) {
        return folder;
    }
    // The application data folder itself is there for every user; only ours may be missing.
    if (!CreateDirectoryW(Widen(folder.path).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        return {{}, "Could not make " + folder.path + ": " + WindowsErrorText(GetLastError())};
    }
    return folder;
}

}  // namespace vantorel::platform
