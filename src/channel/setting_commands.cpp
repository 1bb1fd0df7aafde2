#include "channel/setting_commands.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>

#include "channel/channel_state.h"
#include "channel/read_state.h"
#include "channel/single_precision.h"
#include "channel/value_snapping.h"
#include "link/transport.h"

namespace condvorn {
namespace {

// One offset range spans this many "OF" codes on either side of zero.
constexpr double kOffsetCodesPerRange = 32768.0;
constexpr double kLowestOffsetCode = -32768.0;
constexpr double kHighestOffsetCode = 32767.0;
constexpr int kValueDigits = 6;

bool IsIndex(int32_t index, int32_t count) { return index >= 0 && index < count; }

// Sends a command with one integer argument, such as "GN%d;".
void SendCommand(const char* format, int32_t argument) {
  char command[24];
  std::snprintf(command, sizeof command, format, static_cast<int>(argument));
  SendStr(command);
}

// Sends the command letters, the value as printf's "%g" writes it (six
// significant digits) and ";". The conversion does not follow the host
// process's locale or C runtime, so the device always gets a decimal point
// and a two-digit exponent.
void SendValueCommand(const char* letters, double value) {
  char command[40];
  const size_t length = std::strlen(letters);
  std::memcpy(command, letters, length);
  char* end = std::to_chars(command + length, command + sizeof command - 2, value,
                            std::chars_format::general, kValueDigits)
                  .ptr;
  std::strcpy(end, ";");
  SendStr(command);
}

// The "OF" code of a needed offset in steps of a range: the nearest step,
// limited to the code range. A need that is not a number gives code 0.
int32_t OffsetCode(double needed, double step) {
  const double code = std::clamp(needed / step, kLowestOffsetCode, kHighestOffsetCode);
  if (std::isnan(code)) return 0;
  return static_cast<int32_t>(std::floor(code + 0.5));
}

// How an offset in host units is set on the current channel: the range, the
// code within it, and the offset in host units that the code stands for. A
// channel without offset ranges has range -1: nothing is sent, offset 0.
struct OffsetSetting {
  int32_t range;
  int32_t code;
  double offset;
};

// k of the offset conversion, (32768 / adcRange) x scale: the host units
// that one volt at the ADC reads as.
double HostUnitsPerAdcVolt(const ChanSettings& settings) {
  return (kAdcCodesPerFullScale / Channels().adcRange) * settings.scale;
}

// The offset in the units of the offset ranges that an offset in host units
// needs; none when the record cannot express one: with a scale or gain of 0
// every offset needs an infinite code (and 0 needs 0 / 0), and an offset
// beyond double's range of codes has no code either.
std::optional<double> NeededOffset(double offset, const ChanSettings& settings) {
  const double hostUnitsPerRangeUnit = settings.gain * HostUnitsPerAdcVolt(settings);
  const double needed = offset / hostUnitsPerRangeUnit;
  if (hostUnitsPerRangeUnit == 0.0 || !std::isfinite(needed)) return std::nullopt;
  return needed;
}

// None when the record cannot express an offset. The products are formed
// in this order, which decides the last bit of the offset written back.
std::optional<OffsetSetting> ChooseOffsetSetting(double offset, const ChanSettings& settings) {
  const std::optional<double> needed = NeededOffset(offset, settings);
  if (!needed) return std::nullopt;
  const int32_t range = ChooseOffsetRange(*needed);
  if (range < 0) return OffsetSetting{-1, 0, 0.0};
  const double k = HostUnitsPerAdcVolt(settings);
  const double step = CurrentChannelState().offsetRanges[range] / kOffsetCodesPerRange;
  const int32_t code = OffsetCode(*needed, step);
  return OffsetSetting{range, code, code * step * settings.gain * k};
}

// Sets the listed gain `index`; returns it.
double SendGainAt(int32_t index) {
  SendCommand("GN%d;", index + 1);
  return CurrentChannelState().gains[index];
}

void SendOffsetSetting(OffsetSetting setting) {
  if (setting.range < 0) return;
  SendCommand("OR%d;", setting.range + 1);
  SendCommand("OF%d;", setting.code);
}

bool IsChoiceKind(const ExtraSetting& setting) { return (setting.kind & 1) != 0; }

// The choice a value stands for, floor(value + 0.5), as the device takes it
// (it is not checked against the channel's list); none when that is not a
// 32-bit integer (a value that is not a number included).
std::optional<int32_t> ChoiceIndex(double value) {
  const double rounded = std::floor(value + 0.5);
  if (!(rounded >= std::numeric_limits<int32_t>::min() && rounded <= std::numeric_limits<int32_t>::max())) {
    return std::nullopt;
  }
  return static_cast<int32_t>(rounded);
}

// A value that can be sent and kept in a record: a choice that is a 32-bit
// integer once rounded, or a number that is a finite float.
bool CanSendExtraValue(const ExtraSetting& setting, double value) {
  return IsChoiceKind(setting) ? ChoiceIndex(value).has_value() : FitsSingle(value);
}

void SetFlag(uint16_t& flags, uint16_t bit, bool on) {
  flags = static_cast<uint16_t>(on ? (flags | bit) : (flags & ~bit));
}

// A switch command, always sent, with its flag bit kept in both records.
void ApplySwitch(uint16_t bit, bool on, const char* onCommand, const char* offCommand,
                 ChanSettings& settings) {
  SendStr(on ? onCommand : offCommand);
  SetFlag(settings.flags, bit, on);
  SetFlag(CurrentApplied().flags, bit, on);
}

// What differs between the low-pass and the high-pass side of a channel.
struct FilterSide {
  const char* typeCommand;   // characteristic number, 1-based
  const char* stepCommand;   // cut-off index, 0-based
  const char* valueLetters;  // a cut-off in Hz follows
  int32_t ChannelState::*typeCount;
  FilterType (ChannelState::*types)[kMaxListItems];
  int16_t ChanSettings::*type;
  float ChanSettings::*cutoff;
  int32_t (*nearest)(double cutoff, int32_t type);
};

constexpr FilterSide kLowPass{"LD%d;", "LP%d;", "LO", &ChannelState::lowPassTypeCount,
                              &ChannelState::lowPassTypes, &ChanSettings::lowPassType,
                              &ChanSettings::lowPassCutoff, NearestLowPassIndex};
constexpr FilterSide kHighPass{"HD%d;", "HP%d;", "HO", &ChannelState::highPassTypeCount,
                               &ChannelState::highPassTypes, &ChanSettings::highPassType,
                               &ChanSettings::highPassCutoff, NearestHighPassIndex};

void SendCutoffStep(const FilterSide& side, int32_t cutoffIndex, int32_t type) {
  const ChannelState& state = CurrentChannelState();
  if (!IsIndex(type, state.*side.typeCount)) return;
  if (state.hasDigitalFilters) SendCommand(side.typeCommand, type + 1);
  if (IsIndex(cutoffIndex, (state.*side.types)[type].cutoffCount)) {
    SendCommand(side.stepCommand, cutoffIndex);
  }
}

void SendCutoffValue(const FilterSide& side, double cutoff, int32_t type) {
  const ChannelState& state = CurrentChannelState();
  if (!IsIndex(type, state.*side.typeCount) || !state.hasDigitalFilters) return;
  if (!std::isfinite(cutoff)) return;
  SendCommand(side.typeCommand, type + 1);
  SendValueCommand(side.valueLetters, cutoff);
}

void ApplyCutoff(const FilterSide& side, double cutoff, ChanSettings& settings) {
  const ChannelState& state = CurrentChannelState();
  const int32_t typeCount = state.*side.typeCount;
  if (typeCount <= 0) return;  // no characteristics: nothing can be set
  // A record's characteristic that the channel lacks becomes its first.
  if (!IsIndex(settings.*side.type, typeCount)) settings.*side.type = 0;
  const int16_t type = settings.*side.type;
  const FilterType& characteristic = (state.*side.types)[type];

  ChanSettings& applied = CurrentApplied();
  float value = 0.0f;
  if ((characteristic.kind & 1) != 0) {
    const int32_t index = side.nearest(cutoff, type);
    // A listed cut-off beyond single precision cannot be kept in the record.
    if (!FitsSingle(characteristic.cutoffs[index])) return;
    value = static_cast<float>(characteristic.cutoffs[index]);
    if (applied.*side.cutoff != value || applied.*side.type != type) {
      SendCutoffStep(side, index, type);
    }
  } else {
    // A continuous cut-off needs digital filters and a finite float.
    if (!state.hasDigitalFilters || !FitsSingle(cutoff)) return;
    value = static_cast<float>(cutoff);
    if (applied.*side.cutoff != value || applied.*side.type != type) {
      SendCutoffValue(side, cutoff, type);
    }
  }
  settings.*side.cutoff = value;
  applied.*side.type = type;
  applied.*side.cutoff = value;
}

}  // namespace

int32_t SendInput(int32_t input) {
  if (!IsIndex(input, CurrentChannelState().inputCount)) return input;
  SendCommand("IP%d;", input + 1);
  // The applied copy must not claim an input the channel has left: a read
  // of the channel's state for another record's input (GetCondInfo2 with a
  // scratch record, say) takes the channel off it. Its input is then never
  // applied, so that the next apply selects the record's input again and
  // re-applies the gain for it.
  ChanSettings& applied = CurrentApplied();
  if (applied.input != input) applied.input = kNeverInput;
  return input;
}

double SendGain(double gain) {
  if (!OffersScalingGain()) return gain;
  return SendGainAt(NearestGainIndex(gain));
}

std::optional<double> SendOffset(double offset, const ChanSettings& settings) {
  const std::optional<OffsetSetting> setting = ChooseOffsetSetting(offset, settings);
  if (!setting) return std::nullopt;
  SendOffsetSetting(*setting);
  return setting->offset;
}

void SendLowPassStep(int32_t cutoffIndex, int32_t type) {
  SendCutoffStep(kLowPass, cutoffIndex, type);
}

void SendHighPassStep(int32_t cutoffIndex, int32_t type) {
  SendCutoffStep(kHighPass, cutoffIndex, type);
}

void SendLowPassValue(double cutoff, int32_t type) { SendCutoffValue(kLowPass, cutoff, type); }

void SendHighPassValue(double cutoff, int32_t type) { SendCutoffValue(kHighPass, cutoff, type); }

void SendExtraSetting(double value, int32_t index) {
  const ChannelState& state = CurrentChannelState();
  if (!IsIndex(index, state.extraSettingCount)) return;
  const ExtraSetting& setting = state.extraSettings[index];
  if (!CanSendExtraValue(setting, value)) return;
  SendCommand("FA%d;", index + 1);
  if (IsChoiceKind(setting)) {
    SendCommand("FS%d;", *ChoiceIndex(value));
  } else {
    SendValueCommand("FS", value);
  }
}

void ApplyInput(int32_t input, ChanSettings& settings) {
  ChanSettings& applied = CurrentApplied();
  if (applied.input == input) return;
  SelectInput(input, settings);
  ApplyGain(settings.gain, settings);
  applied.input = static_cast<int16_t>(input);
}

std::optional<float> ScaleForGain(const ChanSettings& settings, float newGain) {
  const double newScale = static_cast<double>(settings.scale) * settings.gain / newGain;
  if (!FitsSingle(newScale)) return std::nullopt;
  return static_cast<float>(newScale);
}

void ApplyGain(double gain, ChanSettings& settings) {
  // The gain is set only when the record's scale can follow it: nothing is
  // sent, and the record keeps its gain and scale, on a channel without a
  // gain that can scale or when the rescaled scale would not be a finite
  // float.
  if (OffersScalingGain()) {
    const int32_t index = NearestGainIndex(gain);
    const float newGain = static_cast<float>(CurrentChannelState().gains[index]);
    if (const std::optional<float> newScale = ScaleForGain(settings, newGain)) {
      SendGainAt(index);
      settings.scale = *newScale;
      settings.gain = newGain;
    }
  }
  CurrentApplied().gain = settings.gain;
  // The offset code depends on the gain.
  ApplyOffset(settings.offset, settings);
}

void ApplyOffset(double offset, ChanSettings& settings) {
  const std::optional<OffsetSetting> setting = ChooseOffsetSetting(offset, settings);
  // An offset the record cannot express is not sent: the record keeps its
  // offset and zero, and the applied copy the offset last sent.
  if (!setting) return;
  const double newOffset = setting->offset;  // 0 without offset ranges
  // The offset is set only when it and the moved zero are finite floats;
  // otherwise nothing is sent and the record keeps both.
  if (FitsSingle(newOffset)) {
    const float offsetSet = static_cast<float>(newOffset);
    const double newZero = static_cast<double>(settings.zero) + settings.offset - offsetSet;
    if (FitsSingle(newZero)) {
      SendOffsetSetting(*setting);
      settings.offset = offsetSet;
      settings.zero = static_cast<float>(newZero);
    }
  }
  CurrentApplied().offset = settings.offset;
}

void ApplyLowPass(double cutoff, ChanSettings& settings) { ApplyCutoff(kLowPass, cutoff, settings); }

void ApplyHighPass(double cutoff, ChanSettings& settings) {
  ApplyCutoff(kHighPass, cutoff, settings);
}

void ApplyCoupling(bool on, ChanSettings& settings) {
  ApplySwitch(COND_FLAG_AC_COUPLING, on, "AC1;", "AC0;", settings);
}

void ApplyNotch(bool on, ChanSettings& settings) {
  ApplySwitch(COND_FLAG_NOTCH, on, "NF1;", "NF0;", settings);
}

void ApplyTriggerInput(bool secondInput, ChanSettings& settings) {
  ApplySwitch(COND_FLAG_TRIGGER_IN2, secondInput, "TG2;", "TG1;", settings);
}

void ApplyTriggerEdge(bool falling, ChanSettings& settings) {
  ApplySwitch(COND_FLAG_FALLING_EDGE, falling, "TP0;", "TP1;", settings);
}

void ApplyExtraSetting(double value, int32_t index, ChanSettings& settings) {
  const ChannelState& state = CurrentChannelState();
  if (!IsIndex(index, state.extraSettingCount)) return;
  const ExtraSetting& setting = state.extraSettings[index];
  // A value that cannot be sent leaves both records as they were.
  if (!CanSendExtraValue(setting, value)) return;
  float& appliedValue = CurrentApplied().extraValues[setting.slot];
  if (appliedValue != static_cast<float>(value)) SendExtraSetting(value, index);
  const float stored = IsChoiceKind(setting) ? static_cast<float>(*ChoiceIndex(value)) : static_cast<float>(value);
  settings.extraValues[setting.slot] = stored;
  appliedValue = stored;
}

bool SettingsApplied(int32_t channel, const ChanSettings& settings) {
  const ChanSettings& applied = Channels().appliedSettings[channel];
  const ChannelState& state = Channels().channelStates[channel];
  // An offset the record cannot express would send nothing.
  const bool offsetApplied = settings.offset == applied.offset || !NeededOffset(settings.offset, settings);
  if (settings.gain != applied.gain || !offsetApplied ||
      settings.input != applied.input || settings.flags != applied.flags ||
      settings.lowPassType != applied.lowPassType ||
      settings.lowPassCutoff != applied.lowPassCutoff ||
      settings.highPassType != applied.highPassType ||
      settings.highPassCutoff != applied.highPassCutoff) {
    return false;
  }
  for (int32_t k = 0; k < state.extraSettingCount; ++k) {
    const int32_t slot = state.extraSettings[k].slot;
    if (settings.extraValues[slot] != applied.extraValues[slot]) return false;
  }
  return true;
}

int32_t ApplySettings(int32_t channel, ChanSettings& settings) {
  if (SettingsApplied(channel, settings)) return 0;
  ReadChannelState(channel, settings);
  ApplyInput(settings.input, settings);
  ApplyGain(settings.gain, settings);
  ApplyLowPass(settings.lowPassCutoff, settings);
  ApplyHighPass(settings.highPassCutoff, settings);
  ApplyCoupling((settings.flags & COND_FLAG_AC_COUPLING) != 0, settings);
  ApplyNotch((settings.flags & COND_FLAG_NOTCH) != 0, settings);
  ApplyTriggerInput((settings.flags & COND_FLAG_TRIGGER_IN2) != 0, settings);
  const ChannelState& state = CurrentChannelState();
  if (state.hasExtendedCommands) {
    ApplyTriggerEdge((settings.flags & COND_FLAG_FALLING_EDGE) != 0, settings);
    for (int32_t k = 0; k < state.extraSettingCount; ++k) {
      ApplyExtraSetting(settings.extraValues[state.extraSettings[k].slot], k, settings);
    }
  }
  // The applied copy takes the whole record, but for an offset that was not
  // sent (the record cannot express it): the copy keeps the offset last sent.
  ChanSettings& applied = CurrentApplied();
  const float offsetSent = applied.offset;
  applied = settings;
  applied.offset = offsetSent;
  return 0;
}

}  // namespace condvorn
