// The arithmetic of offset entry: what counts as no offset at all, how far
// one click of the offset scroll bar goes, and how a record takes a new
// offset without moving the host's calibrated readings.
#pragma once

#include <optional>

#include "condvorn.h"

namespace condvorn {

// Offsets smaller in magnitude than this are taken as exactly zero: 2^-13
// of the full scale of the channel's finest offset range.
double TinyOffset(double smallestRangeOffset);

// One click of the offset scroll bar: 5 % of the largest offset, or a tenth
// of the ADC's whole span (65536 codes) in host units, whichever is smaller.
double ScrollStep(double maxOffset, double scale);

// The offset one click up or down from `old`: kept within +/- maxOffset,
// rounded to a whole number of steps, and zero when tiny. None when the
// click changes nothing.
std::optional<double> ScrolledOffset(double old, bool up, double step, double maxOffset, double tiny);

// Stores a new offset in the record: the zero absorbs the change (and
// becomes exactly 0 when tiny), so that code * scale + zero stays true to
// the signal; the record is marked changed.
void TakeOffset(ChanSettings& record, double offset, double tiny);

}  // namespace condvorn
