#pragma once

#include <windows.h>

#include <string>

#include "forms/controls.h"

namespace vantorel::ui {

// A message box with only an OK button, owned by `owner`. Like every box of the program it
// blocks both windows, the launcher and the stats window, until it is answered.
void ShowMessageBox(HWND owner, const std::string& text, MessageIcon icon, const std::string& title);

// A question with Yes and No buttons, blocking both windows the same way; true for Yes.
bool AskYesNoBox(HWND owner, const std::string& text, const std::string& title);

}  // namespace vantorel::ui
