#pragma once

#include "platform/directory.h"

namespace vantorel::platform {

class Win32DirectoryListing : public DirectoryListing {
  public:
    ~Win32DirectoryListing() override;
    std::string First(const std::string& pattern, unsigned attributes) override;
    std::string Next() override;

  private:
    void Close();
    std::string NextAccepted(bool haveEntry);

    void* find_ = nullptr;  // HANDLE of FindFirstFileW, null when no listing runs
    unsigned attributes_ = 0;
    std::wstring current_;  // raw WIN32_FIND_DATAW kept between calls
    unsigned long currentAttributes_ = 0;
};

}  // namespace vantorel::platform
