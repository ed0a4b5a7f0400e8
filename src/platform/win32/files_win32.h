#pragma once

#include "platform/safe_files.h"

namespace vantorel::platform {

class Win32Files : public SafeFiles {
  public:
    ReadResult ReadAll(const std::string& path, std::size_t limit) override;
    bool IsRegularFile(const std::string& path) override;

  protected:
    std::string SystemPath(const std::string& path) override { return path; }
    bool FollowLinks(std::string& path, std::string& reason) override;
    bool Examine(const std::string& path, Found& found, std::string& reason) override;
    bool MayWrite(const std::string& path, std::string& reason) override;
    std::vector<std::string> Siblings(const std::string& path) override;
    void RemoveUnlessHeld(const std::string& path) override;
    unsigned long ProcessId() override;
    std::unique_ptr<TemporaryFile> CreateTemporary(const std::string& path, const std::string& target,
                                                   std::string& reason) override;
    std::unique_ptr<LockFile> OpenLockFile(const std::string& path, std::string& reason) override;
    std::string ErrorText(int error) override;
};

}  // namespace vantorel::platform
