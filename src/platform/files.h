#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vantorel::platform {

enum class ReadStatus { kRead, kMissing, kFailed, kTooLarge };

struct ReadResult {
    ReadStatus status = ReadStatus::kMissing;
    std::string bytes;
    std::string reason;  // with kFailed
};

struct WriteResult {
    bool ok = false;
    std::string reason;
};

// Held while a file is read (shared) or read, changed and replaced (exclusive) by any
// process: released when destroyed, or by the system when the process ends.
class FileLock {
  public:
    virtual ~FileLock() = default;
};

enum class LockMode { kShared, kExclusive };

struct LockResult {
    std::unique_ptr<FileLock> lock;  // none when it could not be taken
    bool busy = false;               // another process held it for the whole wait
    std::string reason;
};

// Whole-file access for the favourites file. Paths use "\" as the separator, as the game
// folder from the registry does.
class Files {
  public:
    virtual ~Files() = default;

    // Only a plain file is read; anything else of that name (a folder, a pipe, a device)
    // is kFailed with the reason, and is never waited on. A file of more than `limit`
    // bytes is kTooLarge, and no more than that is ever read of it.
    virtual ReadResult ReadAll(const std::string& path, std::size_t limit) = 0;

    // Replaces the file's content so that an interrupted write leaves either the old or
    // the new content, never a mix: the bytes go to a temporary file in the same folder,
    // which is then renamed over the old one. A file that the user could not write in
    // place (read-only, or not a plain file) is not replaced: that fails with the reason.
    // A link is written through to the file it points to. Temporary files that an
    // earlier, interrupted replacement left beside the file are removed first; one that
    // a replacement still running holds is left alone.
    virtual WriteResult ReplaceContents(const std::string& path, std::string_view bytes) = 0;

    // Locks the file against other processes (and other callers in this one), waiting at
    // most `wait` for a holder to finish. The lock lives in a file beside it named
    // "<file name>.vantorel-lock", which stays, since removing it would let two processes
    // lock two different files. Readers share the lock; a save holds it alone from its
    // read to its rename, so that no two saves interleave and, on Windows, no reader
    // holds the file open while it is renamed over.
    virtual LockResult Lock(const std::string& path, LockMode mode, std::chrono::milliseconds wait) = 0;

    virtual bool IsRegularFile(const std::string& path) = 0;
};

// Temporary files of a replacement are named "<file name>.vantorel-<number>.tmp", so that
// one left behind by a process that was killed can be told from the user's own files.
inline constexpr const char* kTemporaryMark = ".vantorel-";
inline constexpr const char* kTemporaryEnd = ".tmp";
inline constexpr const char* kLockEnd = ".vantorel-lock";

}  // namespace vantorel::platform
