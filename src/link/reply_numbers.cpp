#include "link/reply_numbers.h"

#include <charconv>
#include <cstring>
#include <limits>

namespace condvorn {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// White space as the C library's number conversions skip it in the "C"
// locale, whatever locale the host has set.
bool IsWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Skips leading white space and one sign; tells whether the sign was a minus.
const char* SkipToMagnitude(const char* text, bool& negative) {
  while (IsWhiteSpace(*text)) ++text;
  negative = *text == '-';
  if (*text == '+' || *text == '-') ++text;
  return text;
}

}  // namespace

// Both readers use std::from_chars, which follows no locale: a host that
// sets a comma locale in the shared C runtime changes nothing here.
int32_t ReplyInteger(const char* text) {
  bool negative = false;
  text = SkipToMagnitude(text, negative);
  uint64_t magnitude = 0;
  const auto [end, error] = std::from_chars(text, text + std::strlen(text), magnitude);
  if (end == text) return 0;
  constexpr uint64_t kLargest = std::numeric_limits<int32_t>::max();
  if (error == std::errc::result_out_of_range || magnitude > kLargest + 1) magnitude = kLargest + 1;
  if (negative) return static_cast<int32_t>(-static_cast<int64_t>(magnitude));
  return static_cast<int32_t>(magnitude > kLargest ? kLargest : magnitude);
}

double ReplyDouble(const char* text) {
  bool negative = false;
  text = SkipToMagnitude(text, negative);
  // Only a decimal number counts: no "inf", "nan" or hexadecimal forms.
  if (!IsDigit(text[0]) && !(text[0] == '.' && IsDigit(text[1]))) return 0.0;
  double value = 0.0;
  const auto result = std::from_chars(text, text + std::strlen(text), value, std::chars_format::general);
  // A number beyond the range of double reads as none.
  if (result.ec != std::errc()) return 0.0;
  return negative ? -value : value;
}

}  // namespace condvorn
