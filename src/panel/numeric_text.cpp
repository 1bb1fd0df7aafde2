#include "panel/numeric_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace condvorn {
namespace {

// Where the limits' span allows, a number this close beyond a limit is taken
// as the limit: typed text cannot always hit a limit that is not exact in
// decimal.
constexpr double kLimitTolerance = 1e-7;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool Contains(const std::string& text, char c) { return text.find(c) != std::string::npos; }

bool HasExponent(const std::string& text) { return Contains(text, 'e') || Contains(text, 'E'); }

// The value as a 32-bit integer text, saturated instead of wrapping.
std::string WholeNumberText(double x) {
  if (x > 0) {
    const double top = std::numeric_limits<uint32_t>::max();
    return std::to_string(static_cast<uint32_t>(std::min(x, top)));
  }
  if (!(x >= std::numeric_limits<int32_t>::min())) x = std::isnan(x) ? 0 : std::numeric_limits<int32_t>::min();
  return std::to_string(static_cast<int32_t>(x));
}

// Adds one unit in the last digit of a decimal text whose fraction holds a
// digit other than 9 (so the carry never leaves the fraction).
void RoundUpLastDigit(std::string& text) {
  for (size_t i = text.size(); i-- > 0;) {
    if (text[i] < '0' || text[i] > '9') return;
    if (text[i] != '9') {
      ++text[i];
      return;
    }
    text[i] = '0';
  }
}

bool RunOf(const std::string& text, size_t at, char digit) {
  return text[at] == digit && text[at + 1] == digit && text[at + 2] == digit;
}

// Cuts a printed fraction at the first run of three zeros, or rounds it up
// at the first run of three nines, once `precision` - 1 characters are
// reached; the exponent is kept.
std::string CleanFraction(const std::string& text, int precision) {
  const size_t point = text.find('.');
  if (point == std::string::npos) return text;
  std::string out = text.substr(0, point + 1);
  const size_t length = text.size();
  const size_t firstChecked = static_cast<size_t>(precision - 1);
  bool copiedNonZero = false;
  bool copiedNonNine = false;
  for (size_t i = point + 1; i < length; ++i) {
    const bool checked = i >= firstChecked && i + 3 < length;
    if (checked && copiedNonZero && RunOf(text, i, '0')) break;
    if (checked && copiedNonNine && RunOf(text, i, '9')) {
      RoundUpLastDigit(out);
      break;
    }
    out += text[i];
    if (text[i] >= '0' && text[i] <= '9') {
      copiedNonZero = copiedNonZero || text[i] != '0';
      copiedNonNine = copiedNonNine || text[i] != '9';
    }
  }
  const size_t exponent = text.find_first_of("eE");
  if (!HasExponent(out) && exponent != std::string::npos && exponent > 0) out += text.substr(exponent);
  return out;
}

}  // namespace

std::string FormatG(double value, int precision) {
  char text[64];
  const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::general, precision);
  return std::string(text, written.ptr);
}

std::optional<double> ScanNumber(const std::string& text) {
  const char* next = text.c_str();
  const char* const end = next + text.size();
  while (next < end && IsBlank(*next)) ++next;
  bool negative = false;
  if (next < end && (*next == '+' || *next == '-')) negative = *next++ == '-';
  if (next == end || *next == '+' || *next == '-') return std::nullopt;
  double value = 0;
  const bool hex = end - next > 2 && next[0] == '0' && (next[1] == 'x' || next[1] == 'X');
  const auto read = hex ? std::from_chars(next + 2, end, value, std::chars_format::hex)
                        : std::from_chars(next, end, value, std::chars_format::general);
  // "0x" without hexadecimal digits reads as the 0 in front of it.
  if (read.ec == std::errc::invalid_argument && hex) value = 0;
  else if (read.ec == std::errc::invalid_argument) return std::nullopt;
  // A number beyond a double's range reads as infinity, one too small as 0,
  // as strtod gives them.
  if (read.ec == std::errc::result_out_of_range) {
    const std::string digits(next, read.ptr);
    const size_t exponent = digits.find_first_of(hex ? "pP" : "eE");
    const bool tiny = exponent != std::string::npos && digits.find('-', exponent) != std::string::npos;
    value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
  }
  return negative ? -value : value;
}

bool NumericCharAccepted(const std::string& rest, unsigned int typed, bool integerOnly) {
  if (typed < 32 || (typed >= '0' && typed <= '9')) return true;
  const auto minusSigns = std::count(rest.begin(), rest.end(), '-');
  if (integerOnly) return typed == '-' && minusSigns == 0;
  switch (typed) {
    case '.': return !Contains(rest, '.');
    case 'e':
    case 'E': return !HasExponent(rest);
    case '-': return minusSigns == 0 || (minusSigns == 1 && HasExponent(rest));
    default: return false;
  }
}

NumberReading ReadNumber(const std::string& text, double minimum, double maximum) {
  const std::optional<double> number = ScanNumber(text);
  if (!number) return {kNoNumber, 0.0};
  double value = *number;
  const double tolerance = (maximum - minimum) * kLimitTolerance;
  if (value < minimum && minimum - value < tolerance) value = minimum;
  if (value > maximum && value - maximum < tolerance) value = maximum;
  if (minimum <= value && value <= maximum) return {kNumberInRange, value};
  return {kNumberOutOfRange, value};
}

std::string NumberText(double x, double minimum, double maximum, bool integerOnly, int digits) {
  if (x < minimum) x = minimum;
  if (x > maximum) x = maximum;
  if (integerOnly) return WholeNumberText(x);
  const int precision = digits >= 1 && digits <= 13 ? digits : (std::fabs(x) > 1e-14 ? 8 : 6);
  return CleanFraction(FormatG(x, precision), precision);
}

}  // namespace condvorn
