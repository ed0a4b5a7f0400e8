#include "platform/win32/registry_win32.h"

#include <windows.h>

#include "platform/ansi.h"

namespace vantorel::platform {

long Win32Registry::OpenKey(RegistryKey root, const std::string& subKey, RegistryKey* key) {
    // The game is a 32-bit program: on 64-bit Windows (and in 64-bit Wine prefixes) its
    // installer's key lies in the 32-bit view, which this flag names on every system.
    HKEY opened = nullptr;
    const LONG result =
        RegOpenKeyExA(reinterpret_cast<HKEY>(root), Utf8ToAnsi(subKey).c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &opened);
    if (result == ERROR_SUCCESS) {
        *key = reinterpret_cast<RegistryKey>(opened);
    }
    return result;
}

long Win32Registry::QueryValue(RegistryKey key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                               std::uint32_t* byteCount) {
    DWORD valueType = 0;
    DWORD size = byteCount ? *byteCount : 0;
    const LONG result = RegQueryValueExA(reinterpret_cast<HKEY>(key), Utf8ToAnsi(valueName).c_str(), nullptr,
                                         &valueType, data, byteCount ? &size : nullptr);
    if (type) {
        *type = valueType;
    }
    if (byteCount) {
        *byteCount = size;
    }
    return result;
}

void Win32Registry::CloseKey(RegistryKey key) {
    RegCloseKey(reinterpret_cast<HKEY>(key));
}

}  // namespace vantorel::platform
