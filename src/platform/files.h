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
    virtual ReadResult ReadAll(const std::string& path) = 0;

    // Replaces the file's content so that an interrupted write leaves either the old or
    // the new content, never a mix: the bytes go to a temporary file in the same folder,
    // which is then renamed over the old one.
    virtual WriteResult ReplaceContents(const std::string& path, std::string_view bytes) = 0;
};

}  // namespace vantorel::platform
