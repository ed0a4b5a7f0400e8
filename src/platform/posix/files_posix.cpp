#include "platform/posix/files_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/posix_path.h"

namespace vantorel::platform {
namespace {

constexpr int kMaxLinks = 40;  // as the kernel's own limit, so a loop of links ends

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

int Flock(int fd, int operation) {
    int result = 0;
    do {
        result = flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : errno;
}

// Held with a lock of its own until it is renamed, so that another launcher's clean-up
// leaves it alone; it takes the mode of the file it replaces from its creation on, so that
// a private file is never readable by others on its way.
class PosixTemporaryFile : public TemporaryFile {
  public:
    PosixTemporaryFile(int fd, std::string path, bool replaces, const struct stat& replaced)
        : fd_(fd), path_(std::move(path)), replaces_(replaces), replaced_(replaced) {}
    ~PosixTemporaryFile() override { close(fd_); }
    PosixTemporaryFile(const PosixTemporaryFile&) = delete;
    PosixTemporaryFile& operator=(const PosixTemporaryFile&) = delete;

    bool Write(std::string_view bytes, std::string& reason) override { return Check(WriteAll(fd_, bytes), reason); }
    bool Flush(std::string& reason) override {
        if (replaces_) {
            // The new file takes the place of the old one, so it keeps its owner and access.
            if (fchmod(fd_, replaced_.st_mode & 07777) != 0) {
                return Check(false, reason);
            }
            if (fchown(fd_, replaced_.st_uid, replaced_.st_gid) != 0) {
                // Only the owner's administrator may give a file away; the content matters more.
            }
        }
        return Check(fsync(fd_) == 0, reason);
    }
    bool RenameOver(const std::string& target, std::string& reason) override {
        return Check(rename(path_.c_str(), target.c_str()) == 0, reason);
    }
    void Discard() override { unlink(path_.c_str()); }

  private:
    static bool Check(bool done, std::string& reason) {
        if (!done) {
            reason = Reason(errno);
        }
        return done;
    }

    int fd_;
    std::string path_;
    bool replaces_;
    struct stat replaced_;
};

// Closing the descriptor lets the lock go.
class PosixLockFile : public LockFile {
  public:
    explicit PosixLockFile(int fd) : fd_(fd) {}
    ~PosixLockFile() override { close(fd_); }
    PosixLockFile(const PosixLockFile&) = delete;
    PosixLockFile& operator=(const PosixLockFile&) = delete;

    bool IsPlainFile() override {
        struct stat info {};
        return fstat(fd_, &info) == 0 && S_ISREG(info.st_mode);
    }
    Attempt TryTake(LockMode mode, std::string& reason) override {
        const int error = Flock(fd_, Operation(mode) | LOCK_NB);
        if (error == 0) {
            return Attempt::kTaken;
        }
        if (error == EWOULDBLOCK) {
            return Attempt::kBusy;
        }
        reason = Reason(error);
        return Attempt::kFailed;
    }
    int Take(LockMode mode) override { return Flock(fd_, Operation(mode)); }

  private:
    static int Operation(LockMode mode) { return mode == LockMode::kShared ? LOCK_SH : LOCK_EX; }

    int fd_;
};

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

std::string PosixFiles::SystemPath(const std::string& path) {
    return ToPosixPath(path);
}

bool PosixFiles::FollowLinks(std::string& path, std::string& reason) {
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

bool PosixFiles::Examine(const std::string& path, Found& found, std::string& reason) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        const int error = errno;
        found = Found::kMissing;
        reason = Reason(error);
        return error == ENOENT;
    }
    found = S_ISREG(info.st_mode) ? Found::kPlainFile : Found::kOther;
    return true;
}

bool PosixFiles::MayWrite(const std::string& path, std::string& reason) {
    // As on Windows, a read-only file is refused, also to an administrator.
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        reason = Reason(EACCES);
        return false;
    }
    const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        reason = Reason(errno);
        return false;
    }
    close(fd);
    return true;
}

std::vector<std::string> PosixFiles::Siblings(const std::string& path) {
    std::vector<std::string> siblings;
    const std::string folder = FolderOf(path);
    const std::string start = NameOf(path) + ".";
    DIR* dir = opendir(folder.c_str());
    if (!dir) {
        return siblings;
    }
    while (const dirent* entry = readdir(dir)) {
        if (std::strncmp(entry->d_name, start.c_str(), start.size()) == 0) {
            siblings.push_back(folder + "/" + entry->d_name);
        }
    }
    closedir(dir);
    return siblings;
}

void PosixFiles::RemoveUnlessHeld(const std::string& path) {
    // A save holds a lock on its temporary file for as long as it runs; one that nobody
    // holds was left by a save that was killed.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return;
    }
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0) {
        unlink(path.c_str());
    }
    close(fd);
}

unsigned long PosixFiles::ProcessId() {
    return static_cast<unsigned long>(getpid());
}

std::unique_ptr<TemporaryFile> PosixFiles::CreateTemporary(const std::string& path, const std::string& target,
                                                           std::string& reason) {
    struct stat replaced {};
    const bool replaces = stat(target.c_str(), &replaced) == 0;
    const mode_t mode = replaces ? replaced.st_mode & 07777 : 0666;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) {
        reason = Reason(errno);
        return nullptr;
    }
    flock(fd, LOCK_EX);
    return std::make_unique<PosixTemporaryFile>(fd, path, replaces, replaced);
}

void PosixFiles::SettleRename(const std::string& target) {
    // The rename is an entry of the folder: it survives a power cut once the folder is synced.
    const int folderFd = open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        fsync(folderFd);
        close(folderFd);
    }
}

std::unique_ptr<LockFile> PosixFiles::OpenLockFile(const std::string& path, std::string& reason) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) {
        reason = Reason(errno);
        return nullptr;
    }
    return std::make_unique<PosixLockFile>(fd);
}

std::string PosixFiles::ErrorText(int error) {
    return Reason(error);
}

bool PosixFiles::IsRegularFile(const std::string& path) {
    struct stat info {};
    return stat(ToPosixPath(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace vantorel::platform
