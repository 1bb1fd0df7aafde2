// CMyComboBox: a drop-down combo box whose text stays legible when it is
// disabled (black on light grey) and whose edit part can be made
// list-only, so that one combo serves both a stepped list and typed values.
// Without items it drops no list.
#pragma once

#include <windows.h>

#include "panel/subclassed_control.h"

namespace condvorn {

class CMyComboBox : public SubclassedControl {
 public:
  explicit CMyComboBox(bool editable = true);
  ~CMyComboBox() override;

  // List-only: the edit part shows the chosen item but takes no typing.
  void SetListOnly(bool listOnly);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  HWND EditPart() const;
  bool HasItems() const;
  // Colours the device context for the combo's present state.
  HBRUSH Colour(HDC dc) const;
  // The edit part stays enabled, so its text keeps these colours; it takes
  // typing only while the combo is editable and enabled.
  void SettleEditPart(bool enabled);

  bool editable_;
  COLORREF enabledTextColour_ = RGB(0, 0, 0);
  COLORREF enabledBackColour_ = RGB(255, 255, 255);
  COLORREF disabledTextColour_ = RGB(0, 0, 0);
  COLORREF disabledBackColour_ = RGB(192, 192, 192);
  HBRUSH disabledBrush_;
  HBRUSH enabledBrush_;
};

}  // namespace condvorn
