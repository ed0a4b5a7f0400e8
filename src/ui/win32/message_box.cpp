#include "ui/win32/message_box.h"

#include "platform/win32/thread_modal.h"
#include "platform/win32/wide.h"

namespace vantorel::ui {
namespace {

int Box(HWND owner, const std::string& text, const std::string& title, UINT style) {
    // The box disables its owner; the other window of the pair, which an owner's disabling
    // does not reach, is disabled here.
    const platform::OtherWindowsDisabled modal(owner);
    return MessageBoxW(owner, platform::Widen(text).c_str(), platform::Widen(title).c_str(), style | MB_APPLMODAL);
}

}  // namespace

void ShowMessageBox(HWND owner, const std::string& text, MessageIcon icon, const std::string& title) {
    UINT style = MB_OK;
    switch (icon) {
        case MessageIcon::kInformation: style |= MB_ICONINFORMATION; break;
        case MessageIcon::kExclamation: style |= MB_ICONEXCLAMATION; break;
        case MessageIcon::kCritical: style |= MB_ICONERROR; break;
    }
    Box(owner, text, title, style);
}

bool AskYesNoBox(HWND owner, const std::string& text, const std::string& title) {
    return Box(owner, text, title, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

}  // namespace vantorel::ui
