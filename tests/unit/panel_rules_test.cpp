// The panel's rules that need no window: the numeric edit's texts, offset
// scrolling and absorption, typed values against their ranges, the reset to
// volts, list items and labels, and the live display's arithmetic.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "api/chan_settings.h"
#include "panel/calibration_reset.h"
#include "panel/numeric_text.h"
#include "panel/offset_rules.h"
#include "panel/panel_texts.h"
#include "panel/trace_plot.h"
#include "panel/typed_value.h"

namespace condvorn {
namespace {

// ---- The numeric edit ----

// Types the text one character at a time into an empty edit with the caret
// at the end; returns the characters refused.
std::string Refused(const std::string& typed, bool integerOnly = false) {
  std::string text, refused;
  for (char c : typed) {
    (NumericCharAccepted(text, static_cast<unsigned char>(c), integerOnly) ? text : refused) += c;
  }
  return refused;
}

TEST(NumericTextTest, TheFilterLetsANumberBeTypedAndRefusesWhatCannotBelongToIt) {
  const std::pair<const char*, const char*> cases[] = {
      {"-1.5e-3", ""}, {"-1.5E-3", ""},
      {"1.2.3", "."},        // a second point
      {"1e2E3e", "Ee"},      // a second exponent letter of either case
      {"-1e-2-", "-"},       // a third minus sign
      {"1-e-", ""},          // the second minus needs an exponent letter somewhere, not after it
      {"--", "-"},           // no exponent: one minus sign only
      {"+2,5 V", "+, V"},
  };
  for (const auto& [typed, refused] : cases) EXPECT_EQ(Refused(typed), refused) << typed;
  EXPECT_EQ(Refused("-12-.e", true), "-.e") << "integer mode: digits and one minus sign";
  EXPECT_TRUE(NumericCharAccepted("1.5", '\b', false)) << "control characters pass";
  EXPECT_FALSE(NumericCharAccepted("", 0xB5, false)) << "nor any character above ASCII";
  // With the whole text selected the rest is empty, so each of these fits.
  for (char c : std::string("7.-eE")) EXPECT_TRUE(NumericCharAccepted("", static_cast<unsigned char>(c), false)) << c;
}

TEST(NumericTextTest, ATextReadsBackAsAValueWithinItsLimits) {
  // The status as the numeric edit's GetValue hands it on: 0 in range, 1 no
  // number, 2 out of range.
  const struct {
    const char* text;
    int status;
    double value;  // checked when in range
  } cases[] = {
      {"3.0000001", 0, 3.0},  // within 6e-7 beyond a limit counts as the limit
      {"-3.0000005", 0, -3.0}, {"3.00001", 2, 0}, {"-7", 2, 0}, {"volts", 1, 0}, {"", 1, 0}, {"-", 1, 0},
      {"2.5V", 0, 2.5}, {"  +1e0", 0, 1.0},  // leading blanks and a plus sign
      {"nan", 2, 0},                         // not a number lies within no limits
      {"1e999", 2, 0}, {"1e-999", 0, 0.0},
      {"0x1p2", 2, 0},  // hexadecimal 4 is a number too
      {"0x1.8p0", 0, 1.5}, {"0xg", 0, 0.0},
  };
  for (const auto& c : cases) {
    const NumberReading reading = ReadNumber(c.text, -3, 3);
    EXPECT_EQ(reading.status, c.status) << c.text;
    if (c.status == 0) {
      EXPECT_EQ(reading.value, c.value) << c.text;
    }
  }
}

TEST(NumericTextTest, AValueIsWrittenCompactlyWithoutRoundingNoise) {
  const struct {
    double x;
    int digits;
    const char* text;
  } cases[] = {
      {-2.5, -1, "-2.5"}, {0.1f, -1, "0.1"},  // 0.100000001 as a single-precision field widened
      {1.23456789, -1, "1.2345679"}, {1.23456789, 3, "1.23"}, {1.23456789e-5, -1, "1.2345679e-05"},
      {3e-15, -1, "3e-15"},  // precision 6
      {123456789, -1, "100000"}, {-123456789, -1, "-100000"},  // clamped to the limits
      // Once the significant digits are reached, a run of three nines rounds
      // the kept fraction up and a run of three zeros ends it.
      {0.0012999999, -1, "0.00130"}, {0.0070009991, -1, "0.007001"}, {0.0012000001, -1, "0.00120"},
      {0.0012999999, 7, "0.0013"},   // printf rounds first at 7 digits
      {19.999999, -1, "19.999999"},  // runs among the first digits stay
  };
  for (const auto& c : cases) EXPECT_EQ(NumberText(c.x, -1e5, 1e5, false, c.digits), c.text) << c.x;
  EXPECT_EQ(NumberText(42.7, 0, 1e12, true, -1), "42");
  EXPECT_EQ(NumberText(-42.7, -1e12, 0, true, -1), "-42");
  EXPECT_EQ(NumberText(1e11, 0, 1e12, true, -1), "4294967295") << "saturated, not wrapped";
}

// ---- Offsets, typed values and the reset to volts ----

constexpr double kTiny = 0.0001;

TEST(OffsetRulesTest, ScrollClicksGoInWholeStepsWithinTheLargestOffset) {
  const double step = ScrollStep(5, 5.0 / 32768 / 10);
  EXPECT_DOUBLE_EQ(step, 0.1) << "a tenth of the ADC span beats 5 % of 5";
  EXPECT_DOUBLE_EQ(ScrollStep(1, -1), 0.05) << "the step is a size, whatever the scale's sign";

  double offset = 0;
  for (double expected : {0.1, 0.2, 0.3}) {
    offset = ScrolledOffset(offset, true, step, 5, kTiny).value();
    EXPECT_NEAR(offset, expected, 1e-12);
  }
  EXPECT_DOUBLE_EQ(ScrolledOffset(4.95, true, step, 5, kTiny).value(), 5.0) << "clamped, then 50 steps";
  EXPECT_FALSE(ScrolledOffset(5.0, true, step, 5, kTiny)) << "nothing beyond the end";
  EXPECT_DOUBLE_EQ(ScrolledOffset(0.13, false, step, 5, kTiny).value(), 0) << "0.03 rounds to 0 steps";
  EXPECT_FALSE(ScrolledOffset(1, true, 0, 5, kTiny)) << "a channel without offsets has no step";
  EXPECT_FALSE(ScrolledOffset(1, true, -0.0, 5, kTiny));
  EXPECT_FALSE(ScrolledOffset(0, true, 1e-5, 5, kTiny)) << "a step below tiny stays at 0";
}

TEST(OffsetRulesTest, TheZeroAbsorbsEveryOffsetChange) {
  ChanSettings record = DefaultChanSettings();
  record.offset = 1.0f;
  record.zero = 0.5f;
  TakeOffset(record, 0.0, kTiny);
  EXPECT_EQ(record.offset, 0.0f);
  EXPECT_FLOAT_EQ(record.zero, 1.5f);
  EXPECT_EQ(record.changed, 1);
  TakeOffset(record, 1.50001, kTiny);
  EXPECT_EQ(record.zero, 0.0f) << "a tiny zero is exactly zero";
}

TEST(OffsetRulesTest, ATypedValueOutsideItsRangeGivesTheNearestLimit) {
  TypedValue typed = CheckTypedValue(" 50 Hz", 0, 100);
  EXPECT_TRUE(typed.accepted);
  EXPECT_DOUBLE_EQ(typed.value, 50);
  typed = CheckTypedValue("5e9", 1, 10000);
  EXPECT_FALSE(typed.accepted);
  EXPECT_EQ(typed.correction, "10000");
  EXPECT_EQ(CheckTypedValue("abc", 1, 10000).correction, "1") << "no number counts as 0, below the minimum";
  EXPECT_EQ(CheckTypedValue("abc", 0, 10000).correction, "10000") << "0 is no number: the maximum";
  EXPECT_EQ(CheckTypedValue("-0.5", 0.01, 1000).correction, "0.01");
}

TEST(OffsetRulesTest, ResetCalibrationGivesVoltsAtTheInputInReadableUnits) {
  ChanSettings record = DefaultChanSettings();
  record.scale = 0.001f;
  record.gain = 100.0f;
  record.offset = 0.2f;  // 200 codes
  ResetToVolts(record, 5.0);
  EXPECT_STREQ(record.units, "mV");
  EXPECT_FLOAT_EQ(record.scale, 1000 * 5.0f / (32768 * 100));
  EXPECT_FLOAT_EQ(record.zero, 1000 * 200 / 6553.6f / 100);

  record.gain = 20000.0f;
  ResetToVolts(record, 5.0);
  EXPECT_STREQ(record.units, "uV");
  record.gain = 10.0f;
  ResetToVolts(record, 5.0);
  EXPECT_STREQ(record.units, "V") << "10 is not above 10";
  EXPECT_FLOAT_EQ(record.scale, 5.0f / 32768 / 10);
  EXPECT_EQ(std::memcmp(record.units, "V\0\0\0\0\0\0\0", 8), 0) << "nothing of the longer names is left";

  record.scale = 0.0f;
  ResetToVolts(record, 5.0);
  EXPECT_EQ(record.zero, 0.0f) << "a record without a scale: no offset in volts to keep";
}

// ---- Lists and labels ----

TEST(PanelTextsTest, CutoffItemsShowFrequenciesTheOffEntryAndModeNames) {
  std::vector<std::string> items;
  for (double cutoff : {0.0, 1.0, 0.1, 12500.0, -0.4, -1.0, -10.0, -11.0, -5.0, -1e300}) {
    items.push_back(CutoffItemText(cutoff, "All pass"));
  }
  EXPECT_EQ(items, (std::vector<std::string>{"All pass", "1", "0.1", "12500", "All pass", "Rect * 1", "Rect * 10",
                                             "Raw * 10", "-5", "-1e+300"}));
  EXPECT_EQ(CutoffItemText(-0.4, "DC"), "DC");
  std::string text = "-12";
  SpecialCutoffName(-12, text);
  EXPECT_EQ(text, "-12");
}

TEST(PanelTextsTest, RangeLabelsInHostUnitsAndInVolts) {
  ChanSettings record = DefaultChanSettings();
  record.scale = 0.001f;
  RangeLabels labels = RangeLabelTexts(record, false, 5.0);
  EXPECT_EQ(labels.top, "32.77  Volt");
  EXPECT_EQ(labels.bottom, "-32.77  Volt");
  std::memcpy(record.units, "microVs", 8);  // seven letters and the NUL
  record.zero = 1.0f;
  EXPECT_EQ(RangeLabelTexts(record, false, 5.0).top, "33.77 microVs");
  std::memcpy(record.units, "12345678", 8);  // no room for a NUL
  EXPECT_EQ(RangeLabelTexts(record, false, 5.0).bottom, "-31.77 12345678");

  record.gain = 10.0f;
  labels = RangeLabelTexts(record, true, 5.0);
  EXPECT_EQ(labels.top, "0.5 V");
  EXPECT_EQ(labels.bottom, "-0.5 V");
  // An offset of 1 host unit is 1000 codes at this scale: 0.1526 V at the
  // ADC, 0.01526 V at the conditioner input.
  record.offset = 1.0f;
  labels = RangeLabelTexts(record, true, 5.0);
  EXPECT_EQ(labels.top, "0.4847 V");
  EXPECT_EQ(labels.bottom, "-0.5153 V");
}

TEST(PanelTextsTest, TheOffsetIsShownFourDecimalsBelowTheDecadeOfTheLargestOffset) {
  const std::tuple<double, double, double> cases[] = {
      {1.23456, 5, 1.235}, {1.23456, 2, 1.2346}, {1.23456, 3000, 1.2}, {1234.56, 5000, 1235},
      {-0.0123456, 0.05, -0.01235}, {0.5, 0, 0.5},  // no offset ranges: as it stands
      {1e-7, 1e-6, 1e-7}, {1e9, 5, 1e9},  // a resolution or a value beyond 32-bit integers is skipped
  };
  for (const auto& [value, maxOffset, shown] : cases) EXPECT_DOUBLE_EQ(OffsetShownValue(value, maxOffset), shown);
}

// ---- The live display ----

std::vector<int32_t> Rows(const std::vector<int16_t>& codes, int32_t height, CodeWindow window) {
  std::vector<TracePoint> points(codes.size());
  PlotTrace(codes.data(), static_cast<int32_t>(codes.size()), 200, height, window, points.data());
  std::vector<int32_t> rows;
  for (const TracePoint& point : points) rows.push_back(point.y);
  return rows;
}

ChanSettings Record(float gain, float offset) {
  ChanSettings record = DefaultChanSettings();
  record.scale = 5.0f / 32768 / gain;
  record.gain = gain;
  record.offset = offset;
  return record;
}

// (The full code range across the frame, and the pending window of deferred
// mode, are seen on the screen in the Wine tests.)
TEST(TracePlotTest, DeferredModeShowsThePendingSettingsOfTheSavedSignal) {
  const ChanSettings pending = Record(2, 0);
  const ChanSettings running = Record(1, 0);
  const CodeWindow window = DisplayWindow(true, pending, running);
  EXPECT_FLOAT_EQ(ToPendingCode(1000, true, pending, running), 2000);
  EXPECT_FLOAT_EQ(ToPendingCode(1000, false, pending, running), 1000);
  EXPECT_GT(Rows({-32768}, 100, window)[0], 99) << "beyond the frame, where clipping takes it";

  // A host's record without a scale divides by zero: the rows stay numbers.
  const CodeWindow broken = DisplayWindow(true, Record(2, 0), DefaultChanSettings());
  for (int32_t row : Rows({32767, -32768}, 100, broken)) EXPECT_LE(std::abs(row), (1 << 20) + 1);
  EXPECT_EQ(TruncatedCode(ToPendingCode(5, true, pending, DefaultChanSettings())), 0);
  EXPECT_EQ(TruncatedCode(1e20f), INT32_MAX);
  EXPECT_EQ(TruncatedCode(-2.7f), -2);
}

TEST(TracePlotTest, TheAverageTakesTheLastHundredCodesAndTruncatesOfABuffersWorth) {
  EXPECT_EQ(AverageCode(std::vector<int16_t>{1, 2}.data(), 2), 1);
  EXPECT_EQ(AverageCode(std::vector<int16_t>{-1, -2}.data(), 2), -1);
  EXPECT_EQ(AverageCode(std::vector<int16_t>{-7}.data(), 1), -7);
  std::vector<int16_t> codes(250, 32767);
  std::fill(codes.begin() + 150, codes.end(), -32768);
  EXPECT_EQ(AverageCode(codes.data(), 250), -32768);
  codes[149] = 0;  // the hundred and first from the end
  codes[150] = -32668;
  EXPECT_EQ(AverageCode(codes.data(), 250), -32767) << "exactly the last hundred";
  codes.assign(kMaxSamples, 32767);
  EXPECT_EQ(AverageCode(codes.data(), kMaxSamples), 32767) << "no overflow";
  for (const auto& [reported, usable] : {std::pair{600, 500}, {INT32_MAX, 500}, {-3, 0}, {42, 42}}) {
    EXPECT_EQ(UsableSampleCount(reported), usable) << reported;
  }
}

TEST(TracePlotTest, TheAverageLabelReadsInVoltsAtTheInputOrInHostUnits) {
  ChanSettings record = Record(10, 0);
  EXPECT_EQ(AverageLabelText(3277, record, true, 5.0), "0.05 V");
  record.offset = record.scale * 1000;  // an offset of 1000 codes
  EXPECT_EQ(AverageLabelText(3277, record, true, 5.0), "0.03474 V");
  record.scale = 0.001f;
  record.zero = 1.0f;
  std::memcpy(record.units, "mV", 3);
  EXPECT_EQ(AverageLabelText(1000, record, false, 5.0), "2 mV");
}

}  // namespace
}  // namespace condvorn
