#include "platform/win32/files_win32.h"

#include <windows.h>

#include <vector>

#include "platform/win32/wide.h"

namespace vantorel::platform {
namespace {

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// The file that a symbolic link (or other reparse point) finally names, so that the save
// replaces that file and leaves the link in place.
bool FollowReparsePoints(std::wstring& path, std::string& reason) {
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

// Kept open without sharing deletion until it has been renamed, so that another save's
// clean-up cannot delete it while it still has its temporary name.
class Win32TemporaryFile : public TemporaryFile {
  public:
    Win32TemporaryFile(HANDLE file, std::wstring path) : file_(file), path_(std::move(path)) {}
    ~Win32TemporaryFile() override { Close(); }
    Win32TemporaryFile(const Win32TemporaryFile&) = delete;
    Win32TemporaryFile& operator=(const Win32TemporaryFile&) = delete;

    bool Write(std::string_view bytes, std::string& reason) override {
        while (!bytes.empty()) {
            DWORD count = 0;
            if (!WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &count, nullptr)) {
                return Failed(reason);
            }
            bytes.remove_prefix(count);
        }
        return true;
    }
    bool Flush(std::string& reason) override { return FlushFileBuffers(file_) || Failed(reason); }
    bool RenameOver(const std::string& target, std::string& reason) override {
        return RenameOpenFile(file_, Widen(target)) || Failed(reason);
    }
    void Discard() override {
        Close();
        DeleteFileW(path_.c_str());
    }

  private:
    static bool Failed(std::string& reason) {
        reason = WindowsErrorText(GetLastError());
        return false;
    }
    void Close() {
        if (file_ != INVALID_HANDLE_VALUE) {
            CloseHandle(file_);
            file_ = INVALID_HANDLE_VALUE;
        }
    }

    HANDLE file_;
    std::wstring path_;
};

// Closing the handle lets the lock go; it is let go first, as the system may otherwise
// keep it for a while after the close. The lock is on the first byte, which the lock file
// never holds.
class Win32LockFile : public LockFile {
  public:
    explicit Win32LockFile(HANDLE file) : file_(file) {}
    ~Win32LockFile() override {
        UnlockFile(file_, 0, 0, 1, 0);
        CloseHandle(file_);
    }
    Win32LockFile(const Win32LockFile&) = delete;
    Win32LockFile& operator=(const Win32LockFile&) = delete;

    bool IsPlainFile() override { return GetFileType(file_) == FILE_TYPE_DISK; }
    Attempt TryTake(LockMode mode, std::string& reason) override {
        const DWORD error = Lock(Flags(mode) | LOCKFILE_FAIL_IMMEDIATELY);
        if (error == ERROR_SUCCESS) {
            return Attempt::kTaken;
        }
        if (error == ERROR_LOCK_VIOLATION) {
            return Attempt::kBusy;
        }
        reason = WindowsErrorText(error);
        return Attempt::kFailed;
    }
    int Take(LockMode mode) override { return static_cast<int>(Lock(Flags(mode))); }

  private:
    static DWORD Flags(LockMode mode) { return mode == LockMode::kExclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0; }
    DWORD Lock(DWORD flags) {
        OVERLAPPED at{};
        return LockFileEx(file_, flags, 0, 1, 0, &at) ? ERROR_SUCCESS : GetLastError();
    }

    HANDLE file_;
};

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

bool Win32Files::FollowLinks(std::string& path, std::string& reason) {
    std::wstring target = Widen(path);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return true;
    }
    if (!FollowReparsePoints(target, reason)) {
        return false;
    }
    // A name that UTF-8 cannot carry would name another file on the way back.
    path = Narrow(target);
    if (Widen(path) != target) {
        reason = WindowsErrorText(ERROR_INVALID_NAME);
        return false;
    }
    return true;
}

bool Win32Files::Examine(const std::string& path, Found& found, std::string&) {
    // Missing, or a folder on the way that is: the save's own error comes with its creation.
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        found = Found::kMissing;
    } else {
        found =
            (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0 ? Found::kOther : Found::kPlainFile;
    }
    return true;
}

bool Win32Files::MayWrite(const std::string& path, std::string& reason) {
    // As the profile calls do, a read-only file is not written.
    const std::wstring file = Widen(path);
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        reason = WindowsErrorText(ERROR_ACCESS_DENIED);
        return false;
    }
    HANDLE opened = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        reason = WindowsErrorText(GetLastError());
        return false;
    }
    CloseHandle(opened);
    return true;
}

std::vector<std::string> Win32Files::Siblings(const std::string& path) {
    std::vector<std::string> siblings;
    const std::wstring target = Widen(path);
    const std::wstring folder = FolderOf(target);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((target + L".*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return siblings;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            siblings.push_back(Narrow(folder + found.cFileName));
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return siblings;
}

void Win32Files::RemoveUnlessHeld(const std::string& path) {
    // A save keeps its temporary file open without sharing deletion: that one cannot be
    // deleted, and stays.
    DeleteFileW(Widen(path).c_str());
}

unsigned long Win32Files::ProcessId() {
    return GetCurrentProcessId();
}

std::unique_ptr<TemporaryFile> Win32Files::CreateTemporary(const std::string& path, const std::string&,
                                                           std::string& reason) {
    std::wstring file = Widen(path);
    HANDLE created = CreateFileW(file.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE) {
        reason = WindowsErrorText(GetLastError());
        return nullptr;
    }
    return std::make_unique<Win32TemporaryFile>(created, std::move(file));
}

std::unique_ptr<LockFile> Win32Files::OpenLockFile(const std::string& path, std::string& reason) {
    // Hidden, since it stays in the game folder beside the favourites.
    HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        reason = WindowsErrorText(GetLastError());
        return nullptr;
    }
    return std::make_unique<Win32LockFile>(file);
}

std::string Win32Files::ErrorText(int error) {
    return WindowsErrorText(static_cast<DWORD>(error));
}

bool Win32Files::IsRegularFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

}  // namespace vantorel::platform
