#pragma once

#include <string>

#include "platform/window_types.h"

namespace vantorel::platform {

// Lets the user choose a folder in the system's own dialog, modal to `owner` and to every
// other window of the program.
class FolderPicker {
  public:
    virtual ~FolderPicker() = default;
    // The chosen folder, or the empty text when the user cancelled.
    virtual std::string PickFolder(const std::string& prompt, WindowHandle owner) = 0;
};

}  // namespace vantorel::platform
