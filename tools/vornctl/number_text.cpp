#include "number_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "channel/cutoff_modes.h"

namespace vornctl {

namespace {

// The name of a mode code that stands in a cut-off list, or nullptr.
const char* ModeName(double code) {
  if (code != std::floor(code) || code < -1e6 || code > 0) return nullptr;
  return condvorn::CutoffModeName(static_cast<int32_t>(code));
}

// A cut-off without its unit.
std::string CutoffValueText(double cutoff) {
  if (cutoff == 0) return "off";
  if (const char* mode = ModeName(cutoff)) return FormatNumber(cutoff) + " (" + mode + ")";
  return FormatNumber(cutoff);
}

}  // namespace

double FloatAsWritten(float value) {
  if (!std::isfinite(value)) return value;
  char text[32];
  for (int digits = 1; digits < 9; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
    if (std::strtof(text, nullptr) == value) return std::strtod(text, nullptr);
  }
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));  // always enough for a float
  return std::strtod(text, nullptr);
}

std::string FormatNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

std::string JoinNumbers(const std::vector<double>& values) {
  std::string text;
  for (double value : values) text += (text.empty() ? "" : " ") + FormatNumber(value);
  return text;
}

std::string WithUnits(const std::string& value, const std::string& units) {
  if (units.empty() || units.front() == ' ') return value + units;
  return value + " " + units;
}

std::string CutoffText(double cutoff) { return cutoff > 0 ? FormatNumber(cutoff) + " Hz" : CutoffValueText(cutoff); }

std::string CutoffListText(const std::vector<double>& cutoffs) {
  std::string text;
  bool anyFrequency = false;
  for (double cutoff : cutoffs) {
    text += (text.empty() ? "" : ", ") + CutoffValueText(cutoff);
    anyFrequency = anyFrequency || cutoff > 0;
  }
  return anyFrequency ? text + " Hz" : text;
}

}  // namespace vornctl
