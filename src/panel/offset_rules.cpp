#include "panel/offset_rules.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace condvorn {
namespace {

constexpr double kTinyFraction = 1.0 / 8192;  // 2^-13
constexpr double kStepOfLargest = 0.05;
constexpr double kStepOfSpan = 0.1;
constexpr double kAdcSpanCodes = 65536.0;

}  // namespace

double TinyOffset(double smallestRangeOffset) { return smallestRangeOffset * kTinyFraction; }

double ScrollStep(double maxOffset, double scale) {
  // A host scale may be negative (an inverted reading); the step is a size.
  return std::min(maxOffset * kStepOfLargest, std::fabs(scale) * kAdcSpanCodes * kStepOfSpan);
}

std::optional<double> ScrolledOffset(double old, bool up, double step, double maxOffset, double tiny) {
  if (!(step > 0)) return std::nullopt;
  double value = std::clamp(up ? old + step : old - step, -maxOffset, maxOffset);
  const double steps = std::floor(value / step + 0.5);
  // Beyond 32-bit step counts the clamped value stands as it is.
  if (steps >= std::numeric_limits<int32_t>::min() && steps <= std::numeric_limits<int32_t>::max()) {
    value = static_cast<int32_t>(steps) * step;
  }
  if (std::fabs(value) < tiny) value = 0;
  if (value == old) return std::nullopt;
  return value;
}

void TakeOffset(ChanSettings& record, double offset, double tiny) {
  const double old = record.offset;
  record.offset = static_cast<float>(offset);
  record.zero = static_cast<float>(record.zero + (old - record.offset));
  if (std::fabs(record.zero) < tiny) record.zero = 0;
  record.changed = 1;
}

}  // namespace condvorn
