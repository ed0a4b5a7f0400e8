#pragma once
// Keeps real controls showing what the logic's control models hold, and hands the user's
// input back to the models.

#include <windows.h>

#include <functional>
#include <memory>

#include "forms/combo_box.h"
#include "forms/controls.h"

namespace vantorel::ui {

void BindTextBox(TextBox& model, HWND edit);
// The caller keeps what it answers for as long as the control lives.
std::unique_ptr<ComboBox::Observer> BindComboBox(ComboBox& model, HWND combo);
void BindListBox(ListBox& model, HWND list);
void BindCheckBox(CheckBox& model, HWND check);
// A timer of the window: started and stopped as the model's Enabled changes.
void BindTimer(Timer& model, HWND window, UINT_PTR id);

// The user's input, from the parent's WM_COMMAND.
void TextBoxChanged(TextBox& model, HWND edit);
void ComboBoxCommand(ComboBox& model, HWND combo, WORD notification);
void CheckBoxClicked(CheckBox& model, HWND check);

std::string ControlText(HWND control);

}  // namespace vantorel::ui
