// The text rules of the panel's numeric edit: which typed characters may
// join a number, how a text reads back as a value checked against limits,
// and how a value is written compactly without floating-point noise.
// Numbers are read and written with a full stop whatever the C locale the
// host process has chosen.
#pragma once

#include <optional>
#include <string>

namespace condvorn {

// printf's "%.*g" (6 significant digits by default).
std::string FormatG(double value, int precision = 6);

// The number at the start of a text, as "%lf" finds it: leading blanks
// skipped, a sign, digits with an optional fraction and exponent (or inf,
// nan, a 0x hexadecimal); whatever follows is ignored. None when the text
// does not start with a number.
std::optional<double> ScanNumber(const std::string& text);

// Whether a typed character may go into an edit whose text, with the
// current selection removed, is `rest`. Control characters and digits
// always may; real-number mode takes one '.', one exponent letter and a
// '-' for the number and one for its exponent.
bool NumericCharAccepted(const std::string& rest, unsigned int typed, bool integerOnly);

// What a numeric edit's text holds, checked against its limits.
enum NumberStatus : int {
  kNumberInRange = 0,     // a number within the limits (or within 1e-7 of their span beyond one)
  kNoNumber = 1,          // no number at the start of the text
  kNumberOutOfRange = 2,  // a number beyond the limits
};

struct NumberReading {
  NumberStatus status;
  double value;  // the number read, moved onto a limit it was within tolerance of
};

NumberReading ReadNumber(const std::string& text, double minimum, double maximum);

// The text a numeric edit shows for x: clamped to the limits; with
// `integerOnly` a whole number; otherwise `digits` significant digits (1 to
// 13; else 8, or 6 for magnitudes of 1e-14 and below), with a fraction cut
// off before a run of three zeros and rounded up at a run of three nines
// once the significant digits are reached.
std::string NumberText(double x, double minimum, double maximum, bool integerOnly, int digits);

}  // namespace condvorn
