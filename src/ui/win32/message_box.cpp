#include "ui/win32/message_box.h"

#include "platform/win32/wide.h"

namespace vantorel::ui {

void ShowMessageBox(HWND owner, HWND alsoDisabled, const std::string& text, MessageIcon icon,
                    const std::string& title) {
    UINT style = MB_OK | MB_APPLMODAL;
    switch (icon) {
        case MessageIcon::kInformation: style |= MB_ICONINFORMATION; break;
        case MessageIcon::kExclamation: style |= MB_ICONEXCLAMATION; break;
        case MessageIcon::kCritical: style |= MB_ICONERROR; break;
    }
    // EnableWindow answers whether the window was disabled before: only what this box
    // disabled is enabled again.
    const bool disabledHere = alsoDisabled != nullptr && alsoDisabled != owner && !EnableWindow(alsoDisabled, FALSE);
    MessageBoxW(owner, platform::Widen(text).c_str(), platform::Widen(title).c_str(), style);
    if (disabledHere) {
        EnableWindow(alsoDisabled, TRUE);
    }
}

bool AskYesNoBox(HWND owner, const std::string& text, const std::string& title) {
    return MessageBoxW(owner, platform::Widen(text).c_str(), platform::Widen(title).c_str(),
                       MB_YESNO | MB_ICONQUESTION | MB_APPLMODAL) == IDYES;
}

}  // namespace vantorel::ui
