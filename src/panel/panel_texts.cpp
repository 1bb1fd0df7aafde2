#include "panel/panel_texts.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "channel/cutoff_modes.h"
#include "channel/value_snapping.h"
#include "panel/numeric_text.h"
#include "panel/trace_plot.h"

namespace condvorn {
namespace {


// Four significant digits, then a suffix.
std::string LabelText(float value, const std::string& suffix) { return FormatG(value, 4) + " " + suffix; }

bool FitsInt32(double value) {
  return value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max();
}

}  // namespace

void SpecialCutoffName(int32_t code, std::string& text) {
  if (const char* name = CutoffModeName(code)) text = name;
}

std::string CutoffItemText(double cutoff, const char* offText) {
  if (cutoff > 0) return FormatG(cutoff);
  const double rounded = std::floor(cutoff + 0.5);
  if (!FitsInt32(rounded)) return FormatG(cutoff);
  const auto code = static_cast<int32_t>(rounded);
  if (code == 0) return offText;
  std::string text = std::to_string(code);
  SpecialCutoffName(code, text);
  return text;
}

std::string UnitsText(const ChanSettings& record) {
  return std::string(record.units, strnlen(record.units, sizeof record.units));
}

RangeLabels RangeLabelTexts(const ChanSettings& record, bool volts, double adcRange) {
  const float scale = record.scale;
  const float gain = record.gain;
  if (volts) {
    const auto codesPerVolt = static_cast<float>(kAdcCodesPerFullScale / adcRange);
    const float offsetVolts = record.offset / (codesPerVolt * scale) / gain;
    const auto range = static_cast<float>(adcRange);
    return {LabelText(range / gain - offsetVolts, "V"), LabelText(-range / gain - offsetVolts, "V")};
  }
  const std::string units = UnitsText(record);
  return {LabelText(scale * kTopCode + record.zero, units), LabelText(scale * kBottomCode + record.zero, units)};
}

std::string AverageLabelText(int32_t averageCode, const ChanSettings& record, bool volts, double adcRange) {
  const auto code = static_cast<float>(averageCode);
  if (volts) {
    const auto codesPerVolt = static_cast<float>(kAdcCodesPerFullScale / adcRange);
    const float perGain = 1.0f / record.gain;
    return LabelText(code / codesPerVolt * perGain - record.offset / (record.scale * codesPerVolt) * perGain, "V");
  }
  return LabelText(code * record.scale + record.zero, UnitsText(record));
}

double OffsetShownValue(double value, double maxOffset) {
  if (!(maxOffset > 0)) return value;
  const double decade = std::floor(std::log10(maxOffset) + 0.5);
  double steps = 1;
  if (decade < 4) steps = std::floor(std::pow(10.0, 4 - decade) + 0.5);
  const double scaled = std::floor(steps * value + 0.5);
  if (!FitsInt32(steps) || !FitsInt32(scaled)) return value;
  return static_cast<int32_t>(scaled) / static_cast<double>(static_cast<int32_t>(steps));
}

}  // namespace condvorn
