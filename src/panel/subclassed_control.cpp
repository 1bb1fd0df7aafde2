#include "panel/subclassed_control.h"

namespace condvorn {
namespace {

constexpr const char* kObjectProperty = "CONDVorn.control";

}  // namespace

SubclassedControl::~SubclassedControl() { Detach(); }

bool SubclassedControl::SubclassDlgItem(int id, HWND dialog) {
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr || hwnd_ != nullptr) return false;
  if (!SetPropA(control, kObjectProperty, this)) return false;
  hwnd_ = control;
  controlProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc)));
  return true;
}

SubclassedControl* SubclassedControl::FromHandle(HWND control) {
  return control != nullptr ? static_cast<SubclassedControl*>(GetPropA(control, kObjectProperty)) : nullptr;
}

LRESULT SubclassedControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefaultProc(message, wParam, lParam);
}

LRESULT SubclassedControl::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(controlProc_, hwnd_, message, wParam, lParam);
}

void SubclassedControl::Detach() {
  if (hwnd_ == nullptr) return;
  SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(controlProc_));
  RemovePropA(hwnd_, kObjectProperty);
  hwnd_ = nullptr;
}

LRESULT CALLBACK SubclassedControl::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  SubclassedControl* self = FromHandle(window);
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    // The control's last message: give it back its own procedure first.
    const WNDPROC controlProc = self->controlProc_;
    self->Detach();
    return CallWindowProcA(controlProc, window, message, wParam, lParam);
  }
  return self->HandleMessage(message, wParam, lParam);
}

}  // namespace condvorn
