// A control of a dialog whose messages pass through an object first: its
// window procedure is replaced, and what the object does not handle goes on
// to the control's own procedure. The dialog reflects the control's colour
// requests back to it.
#pragma once

#include <windows.h>

namespace condvorn {

class SubclassedControl {
 public:
  // A colour request (WM_CTLCOLOR...) reflected by the dialog arrives as
  // this base plus the original message.
  static constexpr UINT kReflectedBase = WM_USER + 0x1C00;

  SubclassedControl() = default;
  virtual ~SubclassedControl();
  SubclassedControl(const SubclassedControl&) = delete;
  SubclassedControl& operator=(const SubclassedControl&) = delete;

  // Takes over the dialog's control with that id; false when there is none.
  bool SubclassDlgItem(int id, HWND dialog);
  HWND hwnd() const { return hwnd_; }

  // The object that has taken over a control, or null.
  static SubclassedControl* FromHandle(HWND control);

 protected:
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // The control's own handling of a message.
  LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Detach();

  HWND hwnd_ = nullptr;
  WNDPROC controlProc_ = nullptr;
};

}  // namespace condvorn
