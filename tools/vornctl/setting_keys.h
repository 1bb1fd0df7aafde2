// The names of the settings that `set` takes and reports, beside the
// channel's own extra settings, which go by their names.
#pragma once

#include <string>

namespace vornctl::keys {

inline const std::string kInput = "input";
inline const std::string kGain = "gain";
inline const std::string kOffset = "offset";
inline const std::string kLowPass = "lowpass";
inline const std::string kLowPassType = "lowpass-type";
inline const std::string kHighPass = "highpass";
inline const std::string kHighPassType = "highpass-type";
inline const std::string kCoupling = "coupling";
inline const std::string kNotch = "notch";
inline const std::string kTrigger = "trigger";
inline const std::string kEdge = "edge";

// All of them, space-separated, for messages.
inline const std::string kAll =
    "input gain offset lowpass lowpass-type highpass highpass-type coupling notch trigger edge";

// A key as typed, made comparable: lower case, '-' for blanks and '_'.
std::string Canonical(const std::string& key);

}  // namespace vornctl::keys
