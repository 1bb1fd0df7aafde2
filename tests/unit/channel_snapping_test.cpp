// Choosing what a channel can do for a requested gain, cut-off or offset.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "api/chan_settings.h"
#include "channel/value_snapping.h"
#include "library_fixture.h"

namespace condvorn::testing {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class SnappingTest : public LibraryTest {
 protected:
  SnappingTest() {
    ResetChannelTables();
    Lib().currentChannel = 7;
  }

  ChannelState& state = Lib().channelStates[7];

  void SetGains(const std::vector<double>& gains) {
    state.gainCount = static_cast<int32_t>(gains.size());
    std::copy(gains.begin(), gains.end(), state.gains);
  }
  void SetRanges(const std::vector<double>& ranges) {
    state.offsetRangeCount = static_cast<int32_t>(ranges.size());
    std::copy(ranges.begin(), ranges.end(), state.offsetRanges);
  }
  void SetHighPassCutoffs(const std::vector<double>& cutoffs) {
    state.highPassTypeCount = 1;
    state.highPassTypes[0].cutoffCount = static_cast<int32_t>(cutoffs.size());
    std::copy(cutoffs.begin(), cutoffs.end(), state.highPassTypes[0].cutoffs);
  }
};

TEST_F(SnappingTest, TheNearestGainWinsAndATieKeepsTheEarlierOne) {
  SetGains({1, 2, 5, 10});
  EXPECT_EQ(NearestGainIndex(8), 3);
  EXPECT_EQ(NearestGainIndex(7.5), 2);
  EXPECT_EQ(NearestGainIndex(3.5), 1);
  EXPECT_EQ(NearestGainIndex(-100), 0);
  EXPECT_EQ(NearestGainIndex(1e9), 3);
  EXPECT_EQ(NearestGainIndex(kNaN), 0);
}

TEST_F(SnappingTest, ShortGainListsGiveTheFirstEntry) {
  for (const std::vector<double>& gains : {std::vector<double>{}, std::vector<double>{4}}) {
    SetGains(gains);
    EXPECT_EQ(NearestGainIndex(100), 0);
  }
  state.gainCount = -3;
  EXPECT_EQ(NearestGainIndex(100), 0);
}

TEST_F(SnappingTest, ModeCodesAndTheOffEntryTakePartInCutoffLists) {
  SetHighPassCutoffs({0, -10, -11, -1});
  EXPECT_EQ(NearestHighPassIndex(-10.4, 0), 1);
  EXPECT_EQ(NearestHighPassIndex(0, 0), 0);
  EXPECT_EQ(NearestHighPassIndex(-10.5, 0), 1) << "tie";
  EXPECT_EQ(NearestHighPassIndex(-10.6, 0), 2);
}

TEST_F(SnappingTest, ACharacteristicTheChannelLacksGivesTheFirstCutoff) {
  SetHighPassCutoffs({0, 1, 10});
  EXPECT_EQ(NearestHighPassIndex(10, -1), 0);
  EXPECT_EQ(NearestHighPassIndex(10, 1), 0);
  EXPECT_EQ(NearestLowPassIndex(10, 0), 0) << "no low-pass characteristics";
}

TEST_F(SnappingTest, TheSmallestCoveringOffsetRangeIsChosenByMagnitude) {
  SetRanges({0.5, 5, 50});
  EXPECT_EQ(ChooseOffsetRange(0.2), 0);
  EXPECT_EQ(ChooseOffsetRange(3), 1);
  EXPECT_EQ(ChooseOffsetRange(500), 2);
  EXPECT_EQ(ChooseOffsetRange(-4), 1);
  EXPECT_EQ(ChooseOffsetRange(5), 1);
  EXPECT_EQ(ChooseOffsetRange(kNaN), 2);
  EXPECT_EQ(ChooseOffsetRange(-std::numeric_limits<double>::infinity()), 2);
}

TEST_F(SnappingTest, EqualMagnitudesKeepTheFirstRange) {
  SetRanges({-5, 5});
  EXPECT_EQ(ChooseOffsetRange(1), 0);
  EXPECT_EQ(ChooseOffsetRange(9), 0);
  SetRanges({5, 50, -50});
  EXPECT_EQ(ChooseOffsetRange(kNaN), 1);
}

TEST_F(SnappingTest, NoRangesNoChoice) {
  SetRanges({});
  EXPECT_EQ(ChooseOffsetRange(0), -1);
}

TEST_F(SnappingTest, OffsetSpansAreInHostUnits) {
  SetRanges({0.5, -5});
  ChanSettings settings = DefaultChanSettings();
  settings.scale = 1;
  settings.gain = 10;
  EXPECT_DOUBLE_EQ(MaxOffset(7, settings), 327680.0);
  EXPECT_DOUBLE_EQ(SmallestRangeOffset(7, settings), 32768.0);
  Lib().adcRange = 10.0;
  EXPECT_DOUBLE_EQ(MaxOffset(7, settings), 163840.0);
  SetRanges({});
  EXPECT_EQ(MaxOffset(7, settings), 0.0);
  EXPECT_EQ(SmallestRangeOffset(7, settings), 0.0);
}

TEST_F(SnappingTest, OffsetSpansReadTheChannelGivenNotTheCurrentOne) {
  Lib().channelStates[9].offsetRangeCount = 1;
  Lib().channelStates[9].offsetRanges[0] = 2;
  ChanSettings settings = DefaultChanSettings();
  settings.scale = 1;
  EXPECT_DOUBLE_EQ(MaxOffset(9, settings), 2 * 6553.6);
}

}  // namespace
}  // namespace condvorn::testing
