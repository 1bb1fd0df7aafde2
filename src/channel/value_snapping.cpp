#include "channel/value_snapping.h"

#include <algorithm>
#include <cmath>

#include "channel/channel_state.h"
#include "channel/single_precision.h"

namespace condvorn {
namespace {

// The entry nearest to the value by plain difference; a tie keeps the
// earlier entry. A value that is not a number stays with the first.
int32_t NearestIndex(const double* list, int32_t count, double value) {
  int32_t best = 0;
  for (int32_t i = 1; i < count; ++i) {
    if (std::fabs(list[best] - value) > std::fabs(list[i] - value)) best = i;
  }
  return best;
}

int32_t NearestCutoffIndex(const FilterType* types, int32_t typeCount, double cutoff,
                           int32_t type) {
  if (type < 0 || type >= typeCount) return 0;
  return NearestIndex(types[type].cutoffs, types[type].cutoffCount, cutoff);
}

// The largest or the smallest magnitude among the channel's offset ranges;
// 0 when it has none.
double RangeMagnitude(const ChannelState& state, bool largest) {
  if (state.offsetRangeCount <= 0) return 0.0;
  double chosen = std::fabs(state.offsetRanges[0]);
  for (int32_t i = 1; i < state.offsetRangeCount; ++i) {
    const double magnitude = std::fabs(state.offsetRanges[i]);
    if (largest ? magnitude > chosen : magnitude < chosen) chosen = magnitude;
  }
  return chosen;
}

// Host units per unit of the offset ranges for the record, multiplied as
// gain x (ADC codes per volt) x host units per code.
double OffsetUnitInHostUnits(const ChanSettings& settings) {
  return settings.gain * (kAdcCodesPerFullScale / Channels().adcRange) * settings.scale;
}

}  // namespace

bool IsScalingGain(double gain) { return FitsSingle(gain) && static_cast<float>(gain) != 0.0f; }

bool OffersScalingGain() {
  const ChannelState& state = CurrentChannelState();
  return std::any_of(state.gains, state.gains + std::max(state.gainCount, 0), IsScalingGain);
}

int32_t NearestGainIndex(double gain) {
  const ChannelState& state = CurrentChannelState();
  int32_t best = -1;
  for (int32_t i = 0; i < state.gainCount; ++i) {
    if (!IsScalingGain(state.gains[i])) continue;
    if (best < 0 || std::fabs(state.gains[best] - gain) > std::fabs(state.gains[i] - gain)) best = i;
  }
  return std::max(best, 0);
}

int32_t NearestLowPassIndex(double cutoff, int32_t type) {
  const ChannelState& state = CurrentChannelState();
  return NearestCutoffIndex(state.lowPassTypes, state.lowPassTypeCount, cutoff, type);
}

int32_t NearestHighPassIndex(double cutoff, int32_t type) {
  const ChannelState& state = CurrentChannelState();
  return NearestCutoffIndex(state.highPassTypes, state.highPassTypeCount, cutoff, type);
}

int32_t ChooseOffsetRange(double needed) {
  const ChannelState& state = CurrentChannelState();
  const int32_t count = state.offsetRangeCount;
  if (count <= 0) return -1;
  const double* ranges = state.offsetRanges;
  int32_t best = 0;
  for (int32_t i = 1; i < count; ++i) {
    if (std::fabs(ranges[i]) > std::fabs(ranges[best])) best = i;
  }
  // The smallest range that covers the need; no range covers a NaN.
  for (int32_t i = 0; i < count; ++i) {
    if (std::fabs(ranges[i]) >= std::fabs(needed) && std::fabs(ranges[best]) > std::fabs(ranges[i])) {
      best = i;
    }
  }
  return best;
}

double MaxOffset(int32_t channel, const ChanSettings& settings) {
  return OffsetUnitInHostUnits(settings) * RangeMagnitude(Channels().channelStates[channel], true);
}

double SmallestRangeOffset(int32_t channel, const ChanSettings& settings) {
  return OffsetUnitInHostUnits(settings) * RangeMagnitude(Channels().channelStates[channel], false);
}

}  // namespace condvorn
