// Numbers and cut-offs as vornctl writes them.
#pragma once

#include <string>
#include <vector>

namespace vornctl {

// The double nearest to the float's shortest text (0.1f gives 0.1), so that
// JSON, which writes the shortest text of a double, shows a record's float
// field as the float it is; the double reads back as the same float.
double FloatAsWritten(float value);

// Six significant digits, trailing zeros dropped ("%g").
std::string FormatNumber(double value);
// Numbers separated by blanks.
std::string JoinNumbers(const std::vector<double>& values);

// A value followed by the name of its units, with a blank between.
std::string WithUnits(const std::string& value, const std::string& units);

// A cut-off: "off" for 0, a mode code with its name ("-10 (Rect * 10)"),
// else the frequency in Hz ("100 Hz").
std::string CutoffText(double cutoff);
// Cut-offs separated by commas, e.g. "off, 10, 100 Hz".
std::string CutoffListText(const std::vector<double>& cutoffs);

}  // namespace vornctl
