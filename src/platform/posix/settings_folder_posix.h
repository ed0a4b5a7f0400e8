#pragma once

#include "platform/settings_folder.h"

namespace vantorel::platform {

// The user's configuration folder as desktops on Unix keep it: $XDG_CONFIG_HOME, or
// ~/.config when that is not set, with "vantorel" below it.
class PosixSettingsFolder : public SettingsFolder {
  public:
    SettingsFolderResult Locate() override;
    SettingsFolderResult Make() override;
};

}  // namespace vantorel::platform
