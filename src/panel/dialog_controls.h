// Small helpers for a dialog's controls: combo-box items and selections,
// texts, check states and rectangles in the dialog's client coordinates.
#pragma once

#include <windows.h>

#include <string>

namespace condvorn {

void ResetCombo(HWND combo);
void AddComboItem(HWND combo, const std::string& text);
void SelectComboItem(HWND combo, int index);
// The selected item's index, -1 when none is.
int ComboSelection(HWND combo);

std::string WindowText(HWND window);
void SetWindowTextTo(HWND window, const std::string& text);

bool IsChecked(HWND button);
void SetChecked(HWND button, bool checked);

// The control's rectangle in its dialog's client coordinates.
RECT ClientRectOf(HWND control);
void MoveTo(HWND control, const RECT& rect);

}  // namespace condvorn
