#pragma once

#include "platform/settings_folder.h"

namespace vantorel::platform {

// "Vantorel" in the user's local application data folder: what it remembers (the game's
// folder among it) belongs to this computer, so it does not roam with the user.
class Win32SettingsFolder : public SettingsFolder {
  public:
    SettingsFolderResult Locate() override;
    SettingsFolderResult Make() override;
};

}  // namespace vantorel::platform
