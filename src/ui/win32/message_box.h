#pragma once

#include <windows.h>

#include <string>

#include "launcher/controls.h"

namespace vantorel::ui {

// A message box with only an OK button, owned by `owner` and modal to it and to
// `alsoDisabled` (the other window of the pair, which an owner's disabling does not reach).
void ShowMessageBox(HWND owner, HWND alsoDisabled, const std::string& text, MessageIcon icon, const std::string& title);

// A question with Yes and No buttons, modal to the application; true for Yes.
bool AskYesNoBox(HWND owner, const std::string& text, const std::string& title);

}  // namespace vantorel::ui
