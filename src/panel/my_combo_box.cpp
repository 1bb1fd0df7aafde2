#include "panel/my_combo_box.h"

namespace condvorn {

CMyComboBox::CMyComboBox(bool editable)
    : editable_(editable),
      disabledBrush_(CreateSolidBrush(disabledBackColour_)),
      enabledBrush_(CreateSolidBrush(enabledBackColour_)) {}

CMyComboBox::~CMyComboBox() {
  if (disabledBrush_ != nullptr) DeleteObject(disabledBrush_);
  if (enabledBrush_ != nullptr) DeleteObject(enabledBrush_);
}

void CMyComboBox::SetListOnly(bool listOnly) {
  editable_ = !listOnly;
  SettleEditPart(IsWindowEnabled(hwnd()) != FALSE);
}

LRESULT CMyComboBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CTLCOLOREDIT:  // from the edit part, whose parent the combo is
    case WM_CTLCOLORSTATIC:
    case kReflectedBase + WM_CTLCOLOREDIT:  // the combo's own, back from the dialog
    case kReflectedBase + WM_CTLCOLORSTATIC:
      return reinterpret_cast<LRESULT>(Colour(reinterpret_cast<HDC>(wParam)));
    case WM_ENABLE: {
      const LRESULT result = DefaultProc(message, wParam, lParam);
      SettleEditPart(wParam != FALSE);
      return result;
    }
    // A combo without items (one whose number is typed) drops no list: the
    // list would be empty, as tall as the template allows. (A list with
    // items is as tall as they are.) A click on its arrow only gives the
    // edit part the focus.
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (!HasItems()) {
        SetFocus(EditPart() != nullptr ? EditPart() : hwnd());
        return 0;
      }
      return DefaultProc(message, wParam, lParam);
    case CB_SHOWDROPDOWN:
      return wParam != FALSE && !HasItems() ? TRUE : DefaultProc(message, wParam, lParam);
    default:
      return DefaultProc(message, wParam, lParam);
  }
}

bool CMyComboBox::HasItems() const { return SendMessageA(hwnd(), CB_GETCOUNT, 0, 0) > 0; }

HWND CMyComboBox::EditPart() const {
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  return GetComboBoxInfo(hwnd(), &info) ? info.hwndItem : nullptr;
}

HBRUSH CMyComboBox::Colour(HDC dc) const {
  const bool enabled = IsWindowEnabled(hwnd()) != FALSE;
  SetTextColor(dc, enabled ? enabledTextColour_ : disabledTextColour_);
  SetBkColor(dc, enabled ? enabledBackColour_ : disabledBackColour_);
  return enabled ? enabledBrush_ : disabledBrush_;
}

void CMyComboBox::SettleEditPart(bool enabled) {
  if (HWND edit = EditPart()) {
    EnableWindow(edit, TRUE);
    SendMessageA(edit, EM_SETREADONLY, !(editable_ && enabled), 0);
  }
  InvalidateRect(hwnd(), nullptr, TRUE);
}

}  // namespace condvorn
