#include "panel/calibration_reset.h"

#include <cmath>
#include <cstring>

#include "channel/value_snapping.h"

namespace condvorn {
namespace {

constexpr double kFullScalePerCode = 3.0517578125e-5;  // 1 / 32768
constexpr float kMilliGain = 10.0f;
constexpr float kMicroGain = 10000.0f;

void SetUnits(ChanSettings& record, const char* units) {
  std::memset(record.units, 0, sizeof record.units);
  std::strncpy(record.units, units, sizeof record.units - 1);
}

}  // namespace

void ResetToVolts(ChanSettings& record, double adcRange) {
  const auto codesPerVolt = static_cast<float>(kAdcCodesPerFullScale / adcRange);
  const float gain = record.gain;
  float zero = record.offset / (codesPerVolt * record.scale * gain);
  // A record without a scale gives its offset no meaning in volts.
  if (!std::isfinite(zero)) zero = 0.0f;
  float scale = static_cast<float>(adcRange * kFullScalePerCode) / gain;
  const char* units = "V";
  if (gain > kMicroGain) {
    units = "uV";
    zero *= 1e6f;
    scale *= 1e6f;
  } else if (gain > kMilliGain) {
    units = "mV";
    zero *= 1000.0f;
    scale *= 1000.0f;
  }
  record.zero = zero;
  record.scale = scale;
  SetUnits(record, units);
}

}  // namespace condvorn
