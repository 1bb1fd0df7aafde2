#include "link/reply_numbers.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace condvorn {

int32_t ReplyInteger(const char* text) {
  while (*text == ' ') ++text;
  // strtol also accepts tabs and a "0x" prefix; stop it at anything but a
  // sign followed by decimal digits.
  const char* digits = (*text == '+' || *text == '-') ? text + 1 : text;
  if (*digits < '0' || *digits > '9') return 0;
  errno = 0;
  long value = std::strtol(text, nullptr, 10);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

double ReplyDouble(const char* text) {
  while (*text == ' ') ++text;
  // Only a decimal number counts: no "inf", "nan" or hexadecimal forms.
  const char* p = (*text == '+' || *text == '-') ? text + 1 : text;
  bool digitFirst = (*p >= '0' && *p <= '9');
  bool pointFirst = (*p == '.' && p[1] >= '0' && p[1] <= '9');
  if (!digitFirst && !pointFirst) return 0.0;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) return 0.0;
  double value = std::strtod(text, nullptr);
  return std::isfinite(value) ? value : 0.0;
}

}  // namespace condvorn
