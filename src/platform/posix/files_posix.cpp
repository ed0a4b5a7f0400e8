#include "platform/posix/files_posix.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/posix_path.h"

namespace vantorel::platform {
namespace {

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

}  // namespace

ReadResult PosixFiles::ReadAll(const std::string& path) {
    ReadResult result;
    const int fd = open(ToPosixPath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.status = errno == ENOENT ? ReadStatus::kMissing : ReadStatus::kFailed;
        result.reason = Reason(errno);
        return result;
    }
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
    }
    close(fd);
    result.status = ReadStatus::kRead;
    return result;
}

WriteResult PosixFiles::ReplaceContents(const std::string& path, std::string_view bytes) {
    const std::string target = ToPosixPath(path);
    const std::string temporary = target + ".tmp" + std::to_string(getpid());
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return {false, Reason(errno)};
    }
    if (!WriteAll(fd, bytes) || fsync(fd) != 0) {
        const int error = errno;
        close(fd);
        unlink(temporary.c_str());
        return {false, Reason(error)};
    }
    if (close(fd) != 0 || rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        return {false, Reason(error)};
    }
    return {true, {}};
}

}  // namespace vantorel::platform
