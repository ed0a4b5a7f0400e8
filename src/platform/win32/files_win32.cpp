#include "platform/win32/files_win32.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace vantorel::platform {
namespace {

constexpr const char* kNotPlainFile = "It is not a plain file.";

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// The file that a symbolic link (or other reparse point) finally names, so that the save
// replaces that file and leaves the link in place.
bool FollowLinks(std::wstring& path, std::string& reason) {
    HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) {
            return true;  // a link to nothing: there is no file to write through to
        }
        reason = WindowsErrorText(error);
        return false;
    }
    std::wstring resolved(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(file, resolved.data(), static_cast<DWORD>(resolved.size()), 0);
    if (length >= resolved.size()) {
        resolved.resize(length + 1);
        length = GetFinalPathNameByHandleW(file, resolved.data(), static_cast<DWORD>(resolved.size()), 0);
    }
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (length == 0 || length >= resolved.size()) {
        reason = WindowsErrorText(error);
        return false;
    }
    resolved.resize(length);
    if (resolved.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        resolved = L"\\\\" + resolved.substr(8);
    } else if (resolved.rfind(L"\\\\?\\", 0) == 0) {
        resolved = resolved.substr(4);
    }
    path = resolved;
    return true;
}

// As the profile calls do, a read-only file is not written, and neither is one this user
// may not open for writing.
bool MayReplace(std::wstring& target, std::string& reason) {
    DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return true;  // missing: created by the save, or the folder's error comes with it
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        if (!FollowLinks(target, reason)) {
            return false;
        }
        attributes = GetFileAttributesW(target.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            return true;
        }
    }
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
        reason = kNotPlainFile;
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        reason = WindowsErrorText(ERROR_ACCESS_DENIED);
        return false;
    }
    HANDLE file = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        reason = WindowsErrorText(GetLastError());
        return false;
    }
    CloseHandle(file);
    return true;
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Temporary files of this file, from this program ("<name>.vantorel-<n>.tmp") or from its
// earlier versions ("<name>.tmp<process id>"). A save keeps its temporary file open with
// no sharing, so the one of a save still running cannot be deleted and stays.
void RemoveLeftTemporaries(const std::wstring& target) {
    const std::wstring folder = FolderOf(target);
    const std::wstring name = target.substr(folder.size());
    const std::wstring mark = name + Widen(kTemporaryMark);
    const std::wstring end = Widen(kTemporaryEnd);
    const std::wstring legacy = name + L".tmp";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((target + L".*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        // The pattern also matches short 8.3 names, so the long name is checked in full.
        const std::wstring entry = found.cFileName;
        const bool ours = entry.size() > mark.size() + end.size() && entry.rfind(mark, 0) == 0 && EndsWith(entry, end);
        const bool older = entry.size() > legacy.size() && entry.rfind(legacy, 0) == 0 &&
                           entry.find_first_not_of(L"0123456789", legacy.size()) == std::wstring::npos;
        if ((ours || older) && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            DeleteFileW((folder + entry).c_str());
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace

ReadResult Win32Files::ReadAll(const std::string& path) {
    ReadResult result;
    const std::wstring wide = Widen(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) {
        result.status = ReadStatus::kFailed;
        result.reason = kNotPlainFile;
        return result;
    }
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        result.status =
            error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadStatus::kMissing : ReadStatus::kFailed;
        result.reason = WindowsErrorText(error);
        return result;
    }
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        result.status = ReadStatus::kFailed;
        result.reason = kNotPlainFile;
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
    std::wstring target = Widen(path);
    std::string reason;
    if (!MayReplace(target, reason)) {
        return {false, reason};
    }
    RemoveLeftTemporaries(target);
    const std::wstring temporary =
        target + Widen(kTemporaryMark) + std::to_wstring(GetCurrentProcessId()) + Widen(kTemporaryEnd);
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

bool Win32Files::IsRegularFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

}  // namespace vantorel::platform
