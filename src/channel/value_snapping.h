// Matching requested values to what a channel offers.
#pragma once

#include <cstdint>

#include "condvorn.h"

namespace condvorn {

// Nearest entries of the current channel's lists (plain differences; a tie
// keeps the earlier entry; 0 for lists of fewer than two entries or a
// characteristic index out of range).
int32_t NearestGainIndex(double gain);
int32_t NearestLowPassIndex(double cutoff, int32_t type);
int32_t NearestHighPassIndex(double cutoff, int32_t type);

// The smallest offset range of the current channel whose magnitude covers
// the needed offset, else the largest; -1 when the channel has none.
int32_t ChooseOffsetRange(double needed);

// Host units per unit of the offset ranges for the record: its gain, times
// ADC codes per volt (32768 / adcRange), times its host units per code.
double OffsetUnitInHostUnits(const ChanSettings& settings);

// The largest reachable offset, and the full scale of the finest range, in
// the host units of the record.
double MaxOffset(int32_t channel, const ChanSettings& settings);
double SmallestRangeOffset(int32_t channel, const ChanSettings& settings);

}  // namespace condvorn
