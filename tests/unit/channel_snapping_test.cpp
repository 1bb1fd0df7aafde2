// Choosing what a channel can do for a requested gain, cut-off or offset.
#include <gtest/gtest.h>

#include <vector>

#include "api/chan_settings.h"
#include "channel/value_snapping.h"
#include "library_fixture.h"

namespace condvorn::testing {
namespace {

class SnappingTest : public LibraryTest {
 protected:
  SnappingTest() {
    ResetChannelTables();
    Channels().currentChannel = 7;
  }

  // Fills `values` and its count from a list.
  template <typename T>
  static void Set(const std::vector<double>& list, int32_t& count, T& values) {
    count = static_cast<int32_t>(list.size());
    std::copy(list.begin(), list.end(), values);
  }
  void SetGains(const std::vector<double>& gains) { Set(gains, state.gainCount, state.gains); }
  void SetRanges(const std::vector<double>& ranges) { Set(ranges, state.offsetRangeCount, state.offsetRanges); }

  ChannelState& state = Channels().channelStates[7];
};

TEST_F(SnappingTest, TheNearestGainWinsAndATieKeepsTheEarlierOne) {
  SetGains({1, 2, 5, 10});
  const std::pair<double, int> cases[] = {{8, 3}, {7.5, 2}, {3.5, 1}, {-100, 0}, {1e9, 3}, {kNaN, 0}};
  for (const auto& [gain, index] : cases) EXPECT_EQ(NearestGainIndex(gain), index) << gain;
  for (const std::vector<double>& gains : {std::vector<double>{}, std::vector<double>{4}}) {
    SetGains(gains);
    EXPECT_EQ(NearestGainIndex(100), 0) << "short lists give the first entry";
  }
  state.gainCount = -3;
  EXPECT_EQ(NearestGainIndex(100), 0);
}

TEST_F(SnappingTest, ModeCodesAndTheOffEntryTakePartInCutoffLists) {
  state.highPassTypeCount = 1;
  Set({0, -10, -11, -1}, state.highPassTypes[0].cutoffCount, state.highPassTypes[0].cutoffs);
  const std::pair<double, int> cases[] = {{-10.4, 1}, {0, 0}, {-10.5, 1} /* tie */, {-10.6, 2}};
  for (const auto& [cutoff, index] : cases) EXPECT_EQ(NearestHighPassIndex(cutoff, 0), index) << cutoff;
  // A characteristic the channel lacks gives the first cut-off.
  EXPECT_EQ(NearestHighPassIndex(-1, -1), 0);
  EXPECT_EQ(NearestHighPassIndex(-1, 1), 0);
  EXPECT_EQ(NearestLowPassIndex(10, 0), 0) << "no low-pass characteristics";
}

TEST_F(SnappingTest, TheSmallestCoveringOffsetRangeIsChosenByMagnitude) {
  SetRanges({0.5, 5, 50});
  const std::pair<double, int> cases[] = {{0.2, 0}, {3, 1}, {500, 2}, {-4, 1}, {5, 1}, {kNaN, 2}, {-kInfinity, 2}};
  for (const auto& [offset, index] : cases) EXPECT_EQ(ChooseOffsetRange(offset), index) << offset;
  // Equal magnitudes keep the first range.
  SetRanges({-5, 5});
  EXPECT_EQ(ChooseOffsetRange(1), 0);
  EXPECT_EQ(ChooseOffsetRange(9), 0);
  SetRanges({5, 50, -50});
  EXPECT_EQ(ChooseOffsetRange(kNaN), 1);
  SetRanges({});
  EXPECT_EQ(ChooseOffsetRange(0), -1);
}

TEST_F(SnappingTest, OffsetSpansAreInHostUnitsForTheChannelGiven) {
  SetRanges({0.5, -5});
  ChanSettings settings = DefaultChanSettings();
  settings.scale = 1;
  settings.gain = 10;
  EXPECT_DOUBLE_EQ(MaxOffset(7, settings), 327680.0);
  EXPECT_DOUBLE_EQ(SmallestRangeOffset(7, settings), 32768.0);
  Channels().adcRange = 10.0;
  EXPECT_DOUBLE_EQ(MaxOffset(7, settings), 163840.0);
  SetRanges({});
  EXPECT_EQ(MaxOffset(7, settings), 0.0);
  EXPECT_EQ(SmallestRangeOffset(7, settings), 0.0);

  Channels().channelStates[9].offsetRangeCount = 1;  // not the current channel
  Channels().channelStates[9].offsetRanges[0] = 2;
  settings.gain = 1;
  Channels().adcRange = 5.0;
  EXPECT_DOUBLE_EQ(MaxOffset(9, settings), 2 * 6553.6);
}

}  // namespace
}  // namespace condvorn::testing
