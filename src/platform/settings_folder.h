#pragma once

#include <string>

namespace vantorel::platform {

struct SettingsFolderResult {
    std::string path;    // empty when there is none
    std::string reason;  // why, then
};

// The folder where this user's own settings are kept, apart from the game's folder, which
// other users share and which may not be writable.
class SettingsFolder {
  public:
    virtual ~SettingsFolder() = default;
    // Where it is, whether or not it exists yet.
    virtual SettingsFolderResult Locate() = 0;
    // Where it is, made first (with the folders above it) when it is missing.
    virtual SettingsFolderResult Make() = 0;
};

}  // namespace vantorel::platform
