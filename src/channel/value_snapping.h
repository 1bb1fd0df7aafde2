// Matching requested values to what a channel offers.
#pragma once

#include <cstdint>

#include "condvorn.h"

namespace condvorn {

// ADC codes from 0 to the full scale (adcRange volts) of either polarity.
constexpr double kAdcCodesPerFullScale = 32768.0;

// A gain that can rescale a record: finite and not zero in single
// precision. No other gain is ever chosen.
bool IsScalingGain(double gain);
// True when the current channel lists at least one such gain.
bool OffersScalingGain();

// Nearest entries of the current channel's lists (plain differences; a tie
// keeps the earlier entry; 0 for lists of fewer than two entries or a
// characteristic index out of range). The nearest gain is the nearest
// scaling gain, 0 when the channel offers none.
int32_t NearestGainIndex(double gain);
int32_t NearestLowPassIndex(double cutoff, int32_t type);
int32_t NearestHighPassIndex(double cutoff, int32_t type);

// The smallest offset range of the current channel whose magnitude covers
// the needed offset, else the largest; -1 when the channel has none.
int32_t ChooseOffsetRange(double needed);

// The largest reachable offset, and the full scale of the finest range, in
// the host units of the record.
double MaxOffset(int32_t channel, const ChanSettings& settings);
double SmallestRangeOffset(int32_t channel, const ChanSettings& settings);

}  // namespace condvorn
