// What the panel shows for cut-off lists, the display's range labels and
// the offset's resolution.
#include <gtest/gtest.h>

#include <cstring>

#include "api/chan_settings.h"
#include "panel/panel_texts.h"

namespace condvorn {
namespace {

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
  EXPECT_DOUBLE_EQ(OffsetShownValue(1.23456, 5), 1.235);
  EXPECT_DOUBLE_EQ(OffsetShownValue(1.23456, 2), 1.2346);
  EXPECT_DOUBLE_EQ(OffsetShownValue(1.23456, 3000), 1.2);
  EXPECT_DOUBLE_EQ(OffsetShownValue(1234.56, 5000), 1235);
  EXPECT_DOUBLE_EQ(OffsetShownValue(0.0123456, 0.05), 0.01235);
  EXPECT_DOUBLE_EQ(OffsetShownValue(-0.0123456, 0.05), -0.01235);
  EXPECT_DOUBLE_EQ(OffsetShownValue(0.5, 0), 0.5) << "no offset ranges: as it stands";
  EXPECT_DOUBLE_EQ(OffsetShownValue(1e-7, 1e-6), 1e-7) << "a resolution beyond 32-bit integers is skipped";
  EXPECT_DOUBLE_EQ(OffsetShownValue(1e9, 5), 1e9) << "so is a value beyond them";
}

}  // namespace
}  // namespace condvorn
