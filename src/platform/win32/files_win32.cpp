#include "platform/win32/files_win32.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace vantorel::platform {

ReadResult Win32Files::ReadAll(const std::string& path) {
    ReadResult result;
    HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        result.status =
            error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadStatus::kMissing : ReadStatus::kFailed;
        result.reason = WindowsErrorText(error);
        return result;
    }
    char buffer[16384];
    for (;;) {
        DWORD count = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &count, nullptr)) {
            result.status = ReadStatus::kFailed;
            result.reason = WindowsErrorText(GetLastError());
            CloseHandle(file);
            return result;
        }
        if (count == 0) {
            break;
        }
        result.bytes.append(buffer, count);
    }
    CloseHandle(file);
    result.status = ReadStatus::kRead;
    return result;
}

WriteResult Win32Files::ReplaceContents(const std::string& path, std::string_view bytes) {
    const std::wstring target = Widen(path);
    const std::wstring temporary = target + L".tmp" + std::to_wstring(GetCurrentProcessId());
    HANDLE file =
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {false, WindowsErrorText(GetLastError())};
    }
    bool written = true;
    while (written && !bytes.empty()) {
        DWORD count = 0;
        written = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &count, nullptr) != 0;
        bytes.remove_prefix(count);
    }
    written = written && FlushFileBuffers(file);
    const DWORD writeError = GetLastError();
    CloseHandle(file);
    if (!written) {
        DeleteFileW(temporary.c_str());
        return {false, WindowsErrorText(writeError)};
    }
    if (!MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        DeleteFileW(temporary.c_str());
        return {false, WindowsErrorText(error)};
    }
    return {true, {}};
}

}  // namespace vantorel::platform
