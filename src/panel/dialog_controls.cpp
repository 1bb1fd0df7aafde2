#include "panel/dialog_controls.h"

#include <algorithm>
#include <vector>

namespace condvorn {

void ResetCombo(HWND combo) { SendMessageA(combo, CB_RESETCONTENT, 0, 0); }

void AddComboItem(HWND combo, const std::string& text) {
  SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void SelectComboItem(HWND combo, int index) { SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

int ComboSelection(HWND combo) { return static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0)); }

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthA(window);
  std::vector<char> text(static_cast<size_t>(std::max(length, 0)) + 1, '\0');
  GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
  return text.data();
}

void SetWindowTextTo(HWND window, const std::string& text) { SetWindowTextA(window, text.c_str()); }

bool IsChecked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void SetChecked(HWND button, bool checked) {
  SendMessageA(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

RECT ClientRectOf(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void MoveTo(HWND control, const RECT& rect) {
  MoveWindow(control, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

}  // namespace condvorn
