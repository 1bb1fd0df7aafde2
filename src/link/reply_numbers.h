// Lenient reading of numbers in reply lines: leading white space (blanks,
// tabs and the like) skipped, trailing text ignored, 0 when there is no
// number.
#pragma once

#include <cstdint>

namespace condvorn {

// Optional sign and decimal digits.
int32_t ReplyInteger(const char* text);
// Optional sign, digits, fraction and exponent.
double ReplyDouble(const char* text);

}  // namespace condvorn
