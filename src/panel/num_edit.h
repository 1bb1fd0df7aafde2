// CNumEdit: an edit control for one number. It refuses keystrokes that
// cannot belong to a number (with a beep), reads its text back as a value
// checked against its limits, and writes values without rounding noise.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "panel/subclassed_control.h"

namespace condvorn {

class CNumEdit : public SubclassedControl {
 public:
  // GetValue's result when the control no longer exists; the others are
  // the NumberStatus values.
  static constexpr int kNoControl = -1;

  // Real-number mode with the limits a and b (either order), on the
  // dialog's edit control `id`; false when the dialog has no such control.
  bool AttachNumEdit(int id, HWND dialog, double a, double b);
  // The smaller of a and b becomes the lower limit.
  void SetRange(double a, double b);

  // Reads the text: 0 with the value stored in `result` (when given) for a
  // number within the limits, 1 for no number, 2 for a number beyond them,
  // kNoControl without a control.
  int GetValue(double* result = nullptr);
  // The value, or 0.0 when GetValue does not give 0.
  double Value();
  // Writes the value, clamped to the limits, keeping the caret where it
  // was; an unchanged text is not written again.
  void SetValue(double x);

  // The text last read from or written to the control.
  const std::string& textBuffer() const { return textBuffer_; }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // The text as it would be with the current selection removed.
  std::string TextWithoutSelection() const;

  bool integerOnly_ = false;
  double maximum_ = 100000.0;
  double minimum_ = -100000.0;
  int32_t digits_ = -1;  // significant digits written; -1 chooses them
  std::string textBuffer_;
};

}  // namespace condvorn
