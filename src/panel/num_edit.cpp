#include "panel/num_edit.h"

#include <algorithm>

#include "panel/dialog_controls.h"
#include "panel/numeric_text.h"

namespace condvorn {
namespace {

constexpr UINT kStandardBeep = 0xFFFFFFFF;

}  // namespace

bool CNumEdit::AttachNumEdit(int id, HWND dialog, double a, double b) {
  integerOnly_ = false;
  SetRange(a, b);
  return SubclassDlgItem(id, dialog);
}

void CNumEdit::SetRange(double a, double b) {
  minimum_ = std::min(a, b);
  maximum_ = std::max(a, b);
}

int CNumEdit::GetValue(double* result) {
  if (!IsWindow(hwnd())) return kNoControl;
  textBuffer_ = WindowText(hwnd());
  const NumberReading reading = ReadNumber(textBuffer_, minimum_, maximum_);
  if (reading.status == kNumberInRange && result != nullptr) *result = reading.value;
  return reading.status;
}

double CNumEdit::Value() {
  double value = 0.0;
  return GetValue(&value) == kNumberInRange ? value : 0.0;
}

void CNumEdit::SetValue(double x) {
  if (!IsWindow(hwnd())) return;
  const std::string text = NumberText(x, minimum_, maximum_, integerOnly_, digits_);
  if (text == textBuffer_) return;
  if (GetFocus() == hwnd()) {
    DWORD start = 0;
    DWORD end = 0;
    SendMessageA(hwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    LPARAM selectionEnd = end;
    // A selection from the start that the line length reports as the whole
    // line stays the whole line, however long the new text is.
    if (start == 0 && static_cast<LRESULT>(end) == SendMessageA(hwnd(), EM_LINELENGTH, static_cast<WPARAM>(-1), 0)) {
      selectionEnd = -1;
    }
    SetWindowTextA(hwnd(), text.c_str());
    SendMessageA(hwnd(), EM_SETSEL, start, selectionEnd);
    SendMessageA(hwnd(), EM_SCROLLCARET, 0, 0);
  } else {
    SetWindowTextA(hwnd(), text.c_str());
  }
  textBuffer_ = text;
}

LRESULT CNumEdit::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CHAR && !NumericCharAccepted(TextWithoutSelection(), static_cast<unsigned int>(wParam), integerOnly_)) {
    MessageBeep(kStandardBeep);
    return 0;
  }
  return DefaultProc(message, wParam, lParam);
}

std::string CNumEdit::TextWithoutSelection() const {
  std::string text = WindowText(hwnd());
  DWORD start = 0;
  DWORD end = 0;
  SendMessageA(hwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  if (start < end && end <= text.size()) text.erase(start, end - start);
  return text;
}

}  // namespace condvorn
