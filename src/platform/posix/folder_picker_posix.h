#pragma once

#include "platform/folder_picker.h"

namespace vantorel::platform {

// The native build has no desktop to show a dialog on: every question is cancelled.
class PosixFolderPicker : public FolderPicker {
  public:
    std::string PickFolder(const std::string&, WindowHandle) override { return {}; }
};

}  // namespace vantorel::platform
