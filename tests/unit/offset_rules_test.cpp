// Offset scrolling and absorption, typed values against their ranges, and
// the reset of a channel's calibration to volts.
#include <gtest/gtest.h>

#include <cstring>

#include "api/chan_settings.h"
#include "panel/calibration_reset.h"
#include "panel/offset_rules.h"
#include "panel/typed_value.h"

namespace condvorn {
namespace {

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

}  // namespace
}  // namespace condvorn
