#include "platform/win32/files_win32.h"

#include <windows.h>

#include <vector>

#include "platform/lock_wait.h"
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

// The file itself when the path names a link, and its attributes (invalid when missing).
bool ResolveTarget(std::wstring& target, DWORD& attributes, std::string& reason) {
    attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return true;
    }
    if (!FollowLinks(target, reason)) {
        return false;
    }
    attributes = GetFileAttributesW(target.c_str());
    return true;
}

// As the profile calls do, a read-only file is not written, and neither is one this user
// may not open for writing.
bool MayReplace(std::wstring& target, std::string& reason) {
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    if (!ResolveTarget(target, attributes, reason)) {
        return false;
    }
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return true;  // missing: created by the save, or the folder's error comes with it
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
// earlier versions ("<name>.tmp<process id>"). A save keeps its temporary file open,
// without sharing deletion, until it has been renamed, so the one of a save still running
// cannot be deleted and stays.
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

// Renames the open file over the target, so that the temporary file is never closed, and
// so never deletable by another save's clean-up, while it still has its temporary name.
bool RenameOpenFile(HANDLE file, const std::wstring& target) {
    const DWORD needed = GetFullPathNameW(target.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return false;
    }
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(target.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) {
        return false;
    }
    full.resize(length);
    const std::size_t bytes = sizeof(FILE_RENAME_INFO) + full.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(bytes, 0);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->FileNameLength = static_cast<DWORD>(full.size() * sizeof(wchar_t));
    full.copy(rename->FileName, full.size());
    return SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(bytes)) != 0;
}

// Closing the handle lets the lock go; it is let go first, as the system may otherwise
// keep it for a while after the close.
class Win32FileLock : public FileLock {
  public:
    explicit Win32FileLock(HANDLE file) : file_(file) {}
    ~Win32FileLock() override { Release(file_); }
    Win32FileLock(const Win32FileLock&) = delete;
    Win32FileLock& operator=(const Win32FileLock&) = delete;

    static void Release(HANDLE file) {
        UnlockFile(file, 0, 0, 1, 0);
        CloseHandle(file);
    }

  private:
    HANDLE file_;
};

// Locks the first byte, which the lock file never holds.
DWORD TakeLock(HANDLE file, DWORD flags) {
    OVERLAPPED at{};
    return LockFileEx(file, flags, 0, 1, 0, &at) ? ERROR_SUCCESS : GetLastError();
}

}  // namespace

ReadResult Win32Files::ReadAll(const std::string& path, std::size_t limit) {
    ReadResult result;
    const std::wstring wide = Widen(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) {
        result.status = ReadStatus::kFailed;
        result.reason = kNotPlainFile;
        return result;
    }
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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
    // The size is checked again while reading, since the file may grow meanwhile.
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && static_cast<unsigned long long>(size.QuadPart) > limit) {
        CloseHandle(file);
        result.status = ReadStatus::kTooLarge;
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
        if (result.bytes.size() > limit) {
            CloseHandle(file);
            result.bytes.clear();
            result.status = ReadStatus::kTooLarge;
            return result;
        }
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
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {false, WindowsErrorText(GetLastError())};
    }
    bool written = true;
    while (written && !bytes.empty()) {
        DWORD count = 0;
        written = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &count, nullptr) != 0;
        bytes.remove_prefix(count);
    }
    written = written && FlushFileBuffers(file) && RenameOpenFile(file, target);
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!written) {
        DeleteFileW(temporary.c_str());
        return {false, WindowsErrorText(error)};
    }
    return {true, {}};
}

LockResult Win32Files::Lock(const std::string& path, LockMode mode, std::chrono::milliseconds wait) {
    std::wstring target = Widen(path);
    std::string reason;
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    if (!ResolveTarget(target, attributes, reason)) {
        return {nullptr, false, reason};
    }
    // Hidden, since it stays in the game folder beside the favourites.
    HANDLE file = CreateFileW((target + Widen(kLockEnd)).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {nullptr, false, WindowsErrorText(GetLastError())};
    }
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return {nullptr, false, path + kLockEnd + ": " + kNotPlainFile};
    }
    const DWORD flags = mode == LockMode::kExclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0;
    const DWORD error = TakeLock(file, flags | LOCKFILE_FAIL_IMMEDIATELY);
    if (error == ERROR_SUCCESS) {
        return {std::make_unique<Win32FileLock>(file), false, {}};
    }
    if (error != ERROR_LOCK_VIOLATION) {
        CloseHandle(file);
        return {nullptr, false, WindowsErrorText(error)};
    }
    const LockWait waited = WaitOnHelper([file, flags] { return static_cast<int>(TakeLock(file, flags)); },
                                         [file](int) { Win32FileLock::Release(file); }, wait);
    switch (waited.outcome) {
        case LockWait::kTaken: return {std::make_unique<Win32FileLock>(file), false, {}};
        case LockWait::kTimedOut: return {nullptr, true, {}};
        case LockWait::kFailed: break;
    }
    CloseHandle(file);
    return {nullptr, false, WindowsErrorText(static_cast<DWORD>(waited.error))};
}

bool Win32Files::IsRegularFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

}  // namespace vantorel::platform
