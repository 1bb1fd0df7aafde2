// Record fields are single precision while the computation is double: a
// result goes into a host's record only when it is a finite float.
#pragma once

#include <cmath>
#include <limits>

namespace condvorn {

// True when the value is finite and within float's range, so that it
// converts to a finite float; false for NaN and infinities.
inline bool FitsSingle(double value) { return std::fabs(value) <= std::numeric_limits<float>::max(); }

}  // namespace condvorn
