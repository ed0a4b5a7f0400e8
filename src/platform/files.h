#pragma once

#include <string>
#include <string_view>

namespace vantorel::platform {

enum class ReadStatus { kRead, kMissing, kFailed };

struct ReadResult {
    ReadStatus status = ReadStatus::kMissing;
    std::string bytes;
    std::string reason;  // with kFailed
};

struct WriteResult {
    bool ok = false;
    std::string reason;
};

// Whole-file access for the favourites file. Paths use "\" as the separator, as the game
// folder from the registry does.
class Files {
  public:
    virtual ~Files() = default;

    // Only a plain file is read; anything else of that name (a folder, a pipe, a device)
    // is kFailed with the reason, and is never waited on.
    virtual ReadResult ReadAll(const std::string& path) = 0;

    // Replaces the file's content so that an interrupted write leaves either the old or
    // the new content, never a mix: the bytes go to a temporary file in the same folder,
    // which is then renamed over the old one. A file that the user could not write in
    // place (read-only, or not a plain file) is not replaced: that fails with the reason.
    // A link is written through to the file it points to. Temporary files that an
    // earlier, interrupted replacement left beside the file are removed first.
    virtual WriteResult ReplaceContents(const std::string& path, std::string_view bytes) = 0;

    virtual bool IsRegularFile(const std::string& path) = 0;
};

// Temporary files of a replacement are named "<file name>.vantorel-<number>.tmp", so that
// one left behind by a process that was killed can be told from the user's own files.
inline constexpr const char* kTemporaryMark = ".vantorel-";
inline constexpr const char* kTemporaryEnd = ".tmp";

}  // namespace vantorel::platform
