#include "platform/posix/files_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/lock_wait.h"
#include "platform/posix/posix_path.h"

namespace vantorel::platform {
namespace {

constexpr int kMaxLinks = 40;  // as the kernel's own limit, so a loop of links ends
constexpr const char* kNotPlainFile = "It is not a plain file.";

std::string Reason(int error) {
    return std::strerror(error);
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file that `path` names once every link is followed; a missing file is named as it
// is, for the save to create.
bool FollowLinks(std::string& path, std::string& reason) {
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return true;
        }
        std::string target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
        const ssize_t length = readlink(path.c_str(), target.data(), target.size());
        if (length < 0) {
            reason = Reason(errno);
            return false;
        }
        target.resize(static_cast<std::size_t>(length));
        path = !target.empty() && target.front() == '/' ? target : FolderOf(path) + "/" + target;
    }
    reason = Reason(ELOOP);
    return false;
}

// Temporary files of this file, from this program ("<name>.vantorel-<n>.tmp") or from its
// earlier versions ("<name>.tmp<process id>").
bool IsTemporaryOf(const std::string& entry, const std::string& name) {
    const std::string mark = name + kTemporaryMark;
    const std::string end = kTemporaryEnd;
    if (entry.size() > mark.size() + end.size() && entry.compare(0, mark.size(), mark) == 0 &&
        entry.compare(entry.size() - end.size(), end.size(), end) == 0) {
        return true;
    }
    const std::string legacy = name + ".tmp";
    if (entry.size() <= legacy.size() || entry.compare(0, legacy.size(), legacy) != 0) {
        return false;
    }
    return entry.find_first_not_of("0123456789", legacy.size()) == std::string::npos;
}

// A save holds a lock on its temporary file for as long as it runs; one that nobody holds
// was left by a save that was killed.
void RemoveLeftTemporaries(const std::string& folder, const std::string& name) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) {
        return;
    }
    while (const dirent* entry = readdir(dir)) {
        if (!IsTemporaryOf(entry->d_name, name)) {
            continue;
        }
        const std::string path = folder + "/" + entry->d_name;
        const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            continue;
        }
        struct stat info {};
        if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0) {
            unlink(path.c_str());
        }
        close(fd);
    }
    closedir(dir);
}

// Whether the file may be replaced: as on Windows, a read-only file is refused, also to
// an administrator, and so is one that this user may not open for writing.
bool MayReplace(const std::string& target, bool& exists, struct stat& info, std::string& reason) {
    exists = stat(target.c_str(), &info) == 0;
    if (!exists) {
        if (errno == ENOENT) {
            return true;
        }
        reason = Reason(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        reason = kNotPlainFile;
        return false;
    }
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        reason = Reason(EACCES);
        return false;
    }
    const int fd = open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        reason = Reason(errno);
        return false;
    }
    close(fd);
    return true;
}

// Closing the descriptor lets the lock go.
class PosixFileLock : public FileLock {
  public:
    explicit PosixFileLock(int fd) : fd_(fd) {}
    ~PosixFileLock() override { close(fd_); }
    PosixFileLock(const PosixFileLock&) = delete;
    PosixFileLock& operator=(const PosixFileLock&) = delete;

  private:
    int fd_;
};

int TakeLock(int fd, int operation) {
    int result = 0;
    do {
        result = flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : errno;
}

}  // namespace

ReadResult PosixFiles::ReadAll(const std::string& path, std::size_t limit) {
    ReadResult result;
    // Not blocking: a pipe of that name would otherwise wait for a writer for ever.
    const int fd = open(ToPosixPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        result.status = errno == ENOENT ? ReadStatus::kMissing : ReadStatus::kFailed;
        result.reason = Reason(errno);
        return result;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        result.status = ReadStatus::kFailed;
        result.reason = kNotPlainFile;
        close(fd);
        return result;
    }
    // The size is checked again while reading, since the file may grow meanwhile.
    if (static_cast<std::uint64_t>(info.st_size) > limit) {
        result.status = ReadStatus::kTooLarge;
        close(fd);
        return result;
    }
    result.bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[16384];
    for (;;) {
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            result.status = ReadStatus::kFailed;
            result.reason = Reason(errno);
            close(fd);
            return result;
        }
        if (count == 0) {
            break;
        }
        result.bytes.append(buffer, static_cast<std::size_t>(count));
        if (result.bytes.size() > limit) {
            result.status = ReadStatus::kTooLarge;
            result.bytes.clear();
            close(fd);
            return result;
        }
    }
    close(fd);
    result.status = ReadStatus::kRead;
    return result;
}

WriteResult PosixFiles::ReplaceContents(const std::string& path, std::string_view bytes) {
    std::string target = ToPosixPath(path);
    std::string reason;
    bool exists = false;
    struct stat info {};
    if (!FollowLinks(target, reason) || !MayReplace(target, exists, info, reason)) {
        return {false, reason};
    }
    const std::string folder = FolderOf(target);
    RemoveLeftTemporaries(folder, NameOf(target));

    const std::string temporary = target + kTemporaryMark + std::to_string(getpid()) + kTemporaryEnd;
    const mode_t mode = exists ? info.st_mode & 07777 : 0666;
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) {
        return {false, Reason(errno)};
    }
    // Held until the rename, so that another launcher's clean-up leaves this file alone.
    flock(fd, LOCK_EX);
    bool written = WriteAll(fd, bytes);
    if (written && exists) {
        // The new file takes the place of the old one, so it keeps its owner and access.
        written = fchmod(fd, mode) == 0;
        if (fchown(fd, info.st_uid, info.st_gid) != 0) {
            // Only the owner's administrator may give a file away; the content matters more.
        }
    }
    written = written && fsync(fd) == 0 && rename(temporary.c_str(), target.c_str()) == 0;
    const int error = errno;
    if (!written) {
        unlink(temporary.c_str());
    }
    close(fd);
    if (!written) {
        return {false, Reason(error)};
    }
    const int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        fsync(folderFd);  // makes the rename itself survive a power cut
        close(folderFd);
    }
    return {true, {}};
}

LockResult PosixFiles::Lock(const std::string& path, LockMode mode, std::chrono::milliseconds wait) {
    std::string target = ToPosixPath(path);
    std::string reason;
    if (!FollowLinks(target, reason)) {
        return {nullptr, false, reason};
    }
    const std::string lockPath = target + kLockEnd;
    const int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) {
        return {nullptr, false, Reason(errno)};
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return {nullptr, false, lockPath + ": " + kNotPlainFile};
    }
    const int operation = mode == LockMode::kShared ? LOCK_SH : LOCK_EX;
    if (flock(fd, operation | LOCK_NB) == 0) {
        return {std::make_unique<PosixFileLock>(fd), false, {}};
    }
    if (errno != EWOULDBLOCK) {
        const int error = errno;
        close(fd);
        return {nullptr, false, Reason(error)};
    }
    const LockWait waited =
        WaitOnHelper([fd, operation] { return TakeLock(fd, operation); }, [fd](int) { close(fd); }, wait);
    switch (waited.outcome) {
        case LockWait::kTaken: return {std::make_unique<PosixFileLock>(fd), false, {}};
        case LockWait::kTimedOut: return {nullptr, true, {}};
        case LockWait::kFailed: break;
    }
    close(fd);
    return {nullptr, false, Reason(waited.error)};
}

bool PosixFiles::IsRegularFile(const std::string& path) {
    struct stat info {};
    return stat(ToPosixPath(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace vantorel::platform
