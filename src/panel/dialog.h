// A dialog box from one of the library's resource templates, modal or
// modeless, whose messages go to one virtual handler. The thin layer over
// Win32 that the control panel is built on: no framework, the system's
// dialog class underneath.
#pragma once

#include <windows.h>

namespace condvorn {

class Dialog {
 public:
  Dialog(int templateId, HWND owner);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  HWND hwnd() const { return hwnd_; }

  // Runs the dialog modally: the result given to EndDialog, or -1 when the
  // window could not be made.
  INT_PTR DoModal();
  // Creates the window of a modeless dialog; false when it could not be
  // made. Its keyboard navigation works whatever the host's message loop.
  bool Create();

 protected:
  // The dialog's messages, before the defaults below: true when handled,
  // with `result` the message's result.
  virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // WM_INITDIALOG: true to give the focus to the first tab stop.
  virtual BOOL OnInitDialog() { return TRUE; }
  // The OK button, Enter, and the Cancel button, Esc, the close box.
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  // After the window's last message; a modeless dialog may delete itself.
  virtual void PostNcDestroy() {}

  // The module whose resources are in use: the library's, in its handlers.
  static HINSTANCE Resources();
  bool IsModal() const { return modal_; }
  // Ends a modal run with a result; a modeless dialog's window is destroyed.
  void EndDialog(INT_PTR result);
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  // The colour request of a subclassed control goes back to that control.
  HBRUSH ReflectColour(UINT message, WPARAM wParam, LPARAM lParam);

  int templateId_;
  HWND owner_;
  HWND hwnd_ = nullptr;
  bool modal_ = false;
};

}  // namespace condvorn
