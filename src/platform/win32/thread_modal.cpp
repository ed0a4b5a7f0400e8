#include "platform/win32/thread_modal.h"

namespace vantorel::platform {

OtherWindowsDisabled::OtherWindowsDisabled(HWND owner) : owner_(owner) {
    EnumThreadWindows(GetCurrentThreadId(), Disable, reinterpret_cast<LPARAM>(this));
}

OtherWindowsDisabled::~OtherWindowsDisabled() {
    for (HWND window : disabled_) {
        if (IsWindow(window)) {
            EnableWindow(window, TRUE);
        }
    }
}

BOOL CALLBACK OtherWindowsDisabled::Disable(HWND window, LPARAM self) {
    auto* scope = reinterpret_cast<OtherWindowsDisabled*>(self);
    // Only visible windows: the hidden socket window must go on taking its messages.
    if (window != scope->owner_ && IsWindowVisible(window) && IsWindowEnabled(window)) {
        EnableWindow(window, FALSE);
        scope->disabled_.push_back(window);
    }
    return TRUE;
}

}  // namespace vantorel::platform
