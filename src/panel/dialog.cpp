#include "panel/dialog.h"

#include <algorithm>
#include <vector>

#include "api/module_scope.h"
#include "panel/subclassed_control.h"

namespace condvorn {
namespace {

// Modeless dialogs need IsDialogMessage in the thread's message loop for
// Tab, Enter and Esc; a host that does not call it gets it from a message
// hook on its thread while such a dialog is open.
std::vector<HWND> modelessDialogs;
HHOOK navigationHook = nullptr;

LRESULT CALLBACK NavigationHook(int code, WPARAM wParam, LPARAM lParam) {
  auto* message = reinterpret_cast<MSG*>(lParam);
  if (code == HC_ACTION && wParam == PM_REMOVE && message->message >= WM_KEYFIRST &&
      message->message <= WM_KEYLAST) {
    const HWND dialog = GetAncestor(message->hwnd, GA_ROOT);
    if (std::count(modelessDialogs.begin(), modelessDialogs.end(), dialog) != 0 &&
        IsDialogMessageA(dialog, message)) {
      message->message = WM_NULL;  // handled: the host's loop passes it on as nothing
    }
  }
  return CallNextHookEx(navigationHook, code, wParam, lParam);
}

void AddModeless(HWND dialog) {
  if (modelessDialogs.empty()) {
    navigationHook = SetWindowsHookExA(WH_GETMESSAGE, NavigationHook, nullptr, GetCurrentThreadId());
  }
  modelessDialogs.push_back(dialog);
}

void RemoveModeless(HWND dialog) {
  auto found = std::find(modelessDialogs.begin(), modelessDialogs.end(), dialog);
  if (found == modelessDialogs.end()) return;
  modelessDialogs.erase(found);
  if (modelessDialogs.empty() && navigationHook != nullptr) {
    UnhookWindowsHookEx(navigationHook);
    navigationHook = nullptr;
  }
}

}  // namespace

HINSTANCE Dialog::Resources() { return static_cast<HINSTANCE>(ResourceModule()); }

Dialog::Dialog(int templateId, HWND owner) : templateId_(templateId), owner_(IsWindow(owner) ? owner : nullptr) {}

Dialog::~Dialog() {
  if (hwnd_ != nullptr) {
    RemoveModeless(hwnd_);
    SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
    DestroyWindow(hwnd_);
  }
}

INT_PTR Dialog::DoModal() {
  modal_ = true;
  return DialogBoxParamA(Resources(), MAKEINTRESOURCEA(templateId_), owner_, DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

bool Dialog::Create() {
  modal_ = false;
  HWND window = CreateDialogParamA(Resources(), MAKEINTRESOURCEA(templateId_), owner_, DialogProc,
                                   reinterpret_cast<LPARAM>(this));
  if (window == nullptr) return false;
  AddModeless(window);
  return true;
}

void Dialog::EndDialog(INT_PTR result) {
  if (modal_) {
    ::EndDialog(hwnd_, result);
  } else {
    DestroyWindow(hwnd_);
  }
}

bool Dialog::HandleMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(window, DWLP_USER, lParam);
    reinterpret_cast<Dialog*>(lParam)->hwnd_ = window;
  }
  auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
  if (self == nullptr) return FALSE;
  // The library's own resources while it handles the message, as in its exports.
  ModuleScope scope;
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, DWLP_USER, 0);
    RemoveModeless(window);
    self->hwnd_ = nullptr;
    self->PostNcDestroy();  // may delete the object: nothing of it is used afterwards
    return FALSE;
  }
  return self->Dispatch(message, wParam, lParam);
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleMessage(message, wParam, lParam, result)) {
    SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
    return TRUE;
  }
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      if (LOWORD(wParam) == IDOK) {
        OnOK();
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        OnCancel();
        return TRUE;
      }
      return FALSE;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
      // A colour request's result is the brush itself, not a message result.
      return reinterpret_cast<INT_PTR>(ReflectColour(message, wParam, lParam));
    default:
      return FALSE;
  }
}

HBRUSH Dialog::ReflectColour(UINT message, WPARAM wParam, LPARAM lParam) {
  auto control = reinterpret_cast<HWND>(lParam);
  if (SubclassedControl::FromHandle(control) == nullptr) return nullptr;
  return reinterpret_cast<HBRUSH>(SendMessageA(control, SubclassedControl::kReflectedBase + message, wParam, lParam));
}

}  // namespace condvorn
