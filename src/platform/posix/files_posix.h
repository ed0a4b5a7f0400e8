#pragma once

#include "platform/files.h"

namespace vantorel::platform {

class PosixFiles : public Files {
  public:
    ReadResult ReadAll(const std::string& path, std::size_t limit) override;
    WriteResult ReplaceContents(const std::string& path, std::string_view bytes) override;
    LockResult Lock(const std::string& path, LockMode mode, std::chrono::milliseconds wait) override;
    bool IsRegularFile(const std::string& path) override;
};

}  // namespace vantorel::platform
