#include "channel/setting_commands.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "channel/channel_state.h"
#include "channel/channel_state.h"
#include "channel/read_state.h"
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

// The choice a value stands for: rounded half up and kept within the choice
// list (within a list's capacity when the channel named no choices). A value
// that is not a number chooses the first.
int32_t ChoiceIndex(const ExtraSetting& setting, double value) {
  const int32_t last = (setting.choiceCount > 0 ? setting.choiceCount : kMaxListItems) - 1;
  const double rounded = std::floor(value + 0.5);
  if (!(rounded > 0.0)) return 0;
  if (rounded >= last) return last;
  return static_cast<int32_t>(rounded);
}

// Choices always give a valid index; a numeric value must be a finite number.
bool CanSendExtraValue(const ExtraSetting& setting, double value) {
  return (setting.kind & 1) != 0 || std::isfinite(value);
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
    value = static_cast<float>(characteristic.cutoffs[index]);
    if (applied.*side.cutoff != value || applied.*side.type != type) {
      SendCutoffStep(side, index, type);
    }
  } else {
    // A continuous cut-off needs digital filters and a finite number.
    if (!state.hasDigitalFilters || !std::isfinite(cutoff)) return;
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
  if (IsIndex(input, CurrentChannelState().inputCount)) SendCommand("IP%d;", input + 1);
  return input;
}

double SendGain(double gain) {
  const ChannelState& state = CurrentChannelState();
  if (state.gainCount <= 0) return gain;
  const int32_t index = NearestGainIndex(gain);
  SendCommand("GN%d;", index + 1);
  return state.gains[index];
}

double SendOffset(double offset, const ChanSettings& settings) {
  const double hostUnitsPerRangeUnit = OffsetUnitInHostUnits(settings);
  const double needed = offset / hostUnitsPerRangeUnit;
  const int32_t range = ChooseOffsetRange(needed);
  if (range < 0) return 0.0;
  SendCommand("OR%d;", range + 1);
  const double step = CurrentChannelState().offsetRanges[range] / kOffsetCodesPerRange;
  const int32_t code = OffsetCode(needed, step);
  SendCommand("OF%d;", code);
  return code * step * hostUnitsPerRangeUnit;
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
  if ((setting.kind & 1) != 0) {
    SendCommand("FS%d;", ChoiceIndex(setting, value));
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

void ApplyGain(double gain, ChanSettings& settings) {
  // Without a gain list nothing is sent and the record keeps its gain and
  // scale, which would otherwise be divided by a gain that does not exist.
  if (CurrentChannelState().gainCount > 0) {
    const double oldGain = settings.gain;
    const float newGain = static_cast<float>(SendGain(gain));
    settings.scale = static_cast<float>(settings.scale * oldGain / newGain);
    settings.gain = newGain;
  }
  CurrentApplied().gain = settings.gain;
  // The offset code depends on the gain.
  ApplyOffset(settings.offset, settings);
}

void ApplyOffset(double offset, ChanSettings& settings) {
  const double oldOffset = settings.offset;
  const float newOffset = static_cast<float>(SendOffset(offset, settings));
  settings.offset = newOffset;
  settings.zero = static_cast<float>(settings.zero + oldOffset - newOffset);
  CurrentApplied().offset = newOffset;
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
  if (!CanSendExtraValue(setting, value)) return;
  float& appliedValue = CurrentApplied().extraValues[setting.slot];
  if (appliedValue != static_cast<float>(value)) SendExtraSetting(value, index);
  const float stored = (setting.kind & 1) != 0 ? static_cast<float>(ChoiceIndex(setting, value))
                                               : static_cast<float>(value);
  settings.extraValues[setting.slot] = stored;
  appliedValue = stored;
}

bool SettingsApplied(int32_t channel, const ChanSettings& settings) {
  const ChanSettings& applied = Channels().appliedSettings[channel];
  const ChannelState& state = Channels().channelStates[channel];
  if (settings.gain != applied.gain || settings.offset != applied.offset ||
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
  CurrentApplied() = settings;
  return 0;
}

}  // namespace condvorn
