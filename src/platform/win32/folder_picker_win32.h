#pragma once

#include "platform/folder_picker.h"

namespace vantorel::platform {

class Win32FolderPicker : public FolderPicker {
  public:
    std::string PickFolder(const std::string& prompt, WindowHandle owner) override;
};

}  // namespace vantorel::platform
