// The numeric edit's text rules: the keystroke filter, reading a text back
// against limits, and writing a value without rounding noise.
#include <gtest/gtest.h>

#include <string>

#include "panel/numeric_text.h"

namespace condvorn {
namespace {

// Types the text one character at a time into an empty edit with the caret
// at the end; returns the characters refused.
std::string Refused(const std::string& typed, bool integerOnly = false) {
  std::string text, refused;
  for (char c : typed) {
    if (NumericCharAccepted(text, static_cast<unsigned char>(c), integerOnly)) {
      text += c;
    } else {
      refused += c;
    }
  }
  return refused;
}

TEST(NumericTextTest, TheFilterLetANumberBeTypedAndRefusesWhatCannotBelongToIt) {
  EXPECT_EQ(Refused("-1.5e-3"), "");
  EXPECT_EQ(Refused("-1.5E-3"), "");
  EXPECT_EQ(Refused("1.2.3"), ".") << "a second point";
  EXPECT_EQ(Refused("1e2E3e"), "Ee") << "a second exponent letter of either case";
  EXPECT_EQ(Refused("-1e-2-"), "-") << "a third minus sign";
  EXPECT_EQ(Refused("1-e-"), "") << "the second minus needs an exponent letter somewhere, not after it";
  EXPECT_EQ(Refused("--"), "-") << "no exponent: one minus sign only";
  EXPECT_EQ(Refused("+2,5 V"), "+, V");
  EXPECT_TRUE(NumericCharAccepted("1.5", '\b', false)) << "control characters pass";
  EXPECT_FALSE(NumericCharAccepted("", 0xB5, false)) << "nor any character above ASCII";
  // With the whole text selected the rest is empty, so each of these fits.
  for (char c : std::string("7.-eE")) EXPECT_TRUE(NumericCharAccepted("", static_cast<unsigned char>(c), false)) << c;
  EXPECT_EQ(Refused("-12-.e", true), "-.e") << "integer mode: digits and one minus sign";
}

TEST(NumericTextTest, ATextReadsBackAsAValueWithinItsLimits) {
  auto read = [](const std::string& text) { return ReadNumber(text, -3, 3); };
  EXPECT_EQ(read("3.0000001").status, kNumberInRange);
  EXPECT_EQ(read("3.0000001").value, 3.0) << "within 6e-7 beyond a limit counts as the limit";
  EXPECT_EQ(read("-3.0000005").value, -3.0);
  EXPECT_EQ(read("3.00001").status, kNumberOutOfRange);
  EXPECT_EQ(read("-7").status, kNumberOutOfRange);
  EXPECT_EQ(read("volts").status, kNoNumber);
  EXPECT_EQ(read("").status, kNoNumber);
  EXPECT_EQ(read("-").status, kNoNumber);
  EXPECT_EQ(read("2.5V").status, kNumberInRange);
  EXPECT_EQ(read("2.5V").value, 2.5);
  EXPECT_EQ(read("  +1e0").value, 1.0) << "leading blanks and a plus sign";
  EXPECT_EQ(read("nan").status, kNumberOutOfRange) << "not a number lies within no limits";
  EXPECT_EQ(read("1e999").status, kNumberOutOfRange);
  EXPECT_EQ(read("1e-999").value, 0.0);
  EXPECT_EQ(read("0x1p2").status, kNumberOutOfRange) << "hexadecimal 4 is a number too";
  EXPECT_EQ(read("0x1.8p0").value, 1.5);
  EXPECT_EQ(read("0xg").value, 0.0);
}

TEST(NumericTextTest, AValueIsWrittenCompactlyWithoutRoundingNoise) {
  auto text = [](double x, int digits = -1) { return NumberText(x, -1e5, 1e5, false, digits); };
  EXPECT_EQ(text(0), "0") << "precision 6";
  EXPECT_EQ(text(-2.5), "-2.5");
  EXPECT_EQ(text(0.1f), "0.1") << "0.100000001 as a single-precision field widened";
  EXPECT_EQ(text(1.23456789), "1.2345679") << "precision 8";
  EXPECT_EQ(text(1.23456789, 3), "1.23");
  EXPECT_EQ(text(1.23456789e-5), "1.2345679e-05");
  EXPECT_EQ(text(3e-15), "3e-15");
  EXPECT_EQ(text(123456789), "100000") << "clamped to the limits";
  EXPECT_EQ(text(-123456789), "-100000");
  // Once the significant digits are reached, a run of three nines rounds
  // the kept fraction up and a run of three zeros ends it.
  EXPECT_EQ(text(0.0012999999), "0.00130");
  EXPECT_EQ(text(0.0070009991), "0.007001");
  EXPECT_EQ(text(0.0012000001), "0.00120");
  EXPECT_EQ(text(0.0012999999, 7), "0.0013") << "printf rounds first at 7 digits";
  EXPECT_EQ(text(19.999999), "19.999999") << "runs among the first digits stay";
  EXPECT_EQ(NumberText(42.7, 0, 1e12, true, -1), "42");
  EXPECT_EQ(NumberText(-42.7, -1e12, 0, true, -1), "-42");
  EXPECT_EQ(NumberText(1e11, 0, 1e12, true, -1), "4294967295") << "saturated, not wrapped";
}

}  // namespace
}  // namespace condvorn
