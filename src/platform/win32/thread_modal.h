#pragma once

#include <windows.h>

#include <vector>

namespace vantorel::platform {

// While it lives, every other enabled top-level window of this thread is disabled, as a
// dialog disables its owner: a box or dialog of one window then blocks all of them. The
// owner itself is left to the dialog, which enables it again before it goes, so that the
// owner and not some other program becomes the active window.
class OtherWindowsDisabled {
  public:
    explicit OtherWindowsDisabled(HWND owner);
    ~OtherWindowsDisabled();
    OtherWindowsDisabled(const OtherWindowsDisabled&) = delete;
    OtherWindowsDisabled& operator=(const OtherWindowsDisabled&) = delete;

  private:
    static BOOL CALLBACK Disable(HWND window, LPARAM self);
    HWND owner_;
    std::vector<HWND> disabled_;
};

}  // namespace vantorel::platform
