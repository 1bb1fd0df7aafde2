// What the panel's lists and labels show for a channel's values: cut-off
// list items, the range labels beside the display, and the offset rounded
// to the resolution it is shown at.
#pragma once

#include <cstdint>
#include <string>

#include "condvorn.h"

namespace condvorn {

// Replaces `text` with the name of a cut-off mode code ("Rect * 10" for
// -10); leaves it for any other code.
void SpecialCutoffName(int32_t code, std::string& text);

// A cut-off list item: a frequency as "%g"; an entry that rounds to 0 as
// `offText` ("All pass" or "DC"); another code by its name, else "%d".
std::string CutoffItemText(double cutoff, const char* offText);

// The record's units name; a name that fills all eight bytes has no NUL.
std::string UnitsText(const ChanSettings& record);

// The values at the top and bottom of the display: in volts at the
// conditioner input ("%.4g V"), or in host units ("%.4g" and the units
// name). Computed in single precision, as the record holds its values.
struct RangeLabels {
  std::string top;
  std::string bottom;
};
RangeLabels RangeLabelTexts(const ChanSettings& record, bool volts, double adcRange);

// The display's average label for an average code under the working
// record: in volts at the conditioner input less the offset ("%.4g V"), or
// in host units ("%.4g" and the units name).
std::string AverageLabelText(int32_t averageCode, const ChanSettings& record, bool volts, double adcRange);
// The average label of a refresh without samples.
constexpr const char* kNoDataText = "No data";

// An offset rounded to four decimal places below the decade of the largest
// reachable offset, and to whole units once that decade is 4 or more.
// Unchanged when there is no largest offset, or when the rounding would not
// fit 32-bit integers.
double OffsetShownValue(double value, double maxOffset);

}  // namespace condvorn
