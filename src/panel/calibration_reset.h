// Reset calibration: the host's scaling of a channel put back to volts at
// the conditioner input.
#pragma once

#include "condvorn.h"

namespace condvorn {

// The record's scale becomes volts at the conditioner input per ADC code
// (in "mV" above a gain of 10 and "uV" above 10000, so the numbers stay
// readable), and its zero the offset expressed in those units (0 when the
// record has no scale to express it with). Single precision, as the record
// holds its values.
void ResetToVolts(ChanSettings& record, double adcRange);

}  // namespace condvorn
