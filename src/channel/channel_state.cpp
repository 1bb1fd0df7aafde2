#include "channel/channel_state.h"

#include <algorithm>
#include <cstring>

namespace condvorn {
namespace {

constexpr FilterType StaticFilter(const char* name, double minimum, double maximum,
                                  const double (&cutoffs)[14]) {
  FilterType f{};
  for (int i = 0; i < kNameSize - 1 && name[i] != '\0'; ++i) f.name[i] = name[i];
  f.kind = 0;  // continuous
  f.minimum = minimum;
  f.maximum = maximum;
  f.cutoffCount = 14;
  for (int i = 0; i < 14; ++i) f.cutoffs[i] = cutoffs[i];
  return f;
}

constexpr double kLowPassCutoffs[14] = {0, 1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000};
constexpr double kHighPassCutoffs[14] = {0, 0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 50, 100, 200, 500, 1000};

// Every channel's capabilities as before any read: nothing known, and the
// version fields at -1, as a failed version read leaves them.
void ClearChannelStates(ChannelTables& tables) {
  std::memset(tables.channelStates, 0, sizeof tables.channelStates);
  for (ChannelState& state : tables.channelStates) {
    state.versionNumber = -1;
    state.versionLevel = -1;
  }
}

}  // namespace

const FilterType kLowPassStaticTable[4] = {
    StaticFilter("2-pole B'Worth", 1.0, 10000.0, kLowPassCutoffs),
    StaticFilter("2-pole Bessel", 1.0, 10000.0, kLowPassCutoffs),
    StaticFilter("3-pole B'Worth", 1.0, 10000.0, kLowPassCutoffs),
    StaticFilter("3-pole Bessel", 1.0, 10000.0, kLowPassCutoffs),
};

const FilterType kHighPassStaticTable[4] = {
    StaticFilter("2-pole B'Worth", 0.01, 1000.0, kHighPassCutoffs),
    StaticFilter("2-pole Bessel", 0.01, 1000.0, kHighPassCutoffs),
    StaticFilter("3-pole B'Worth", 0.01, 1000.0, kHighPassCutoffs),
    StaticFilter("3-pole Bessel", 0.01, 1000.0, kHighPassCutoffs),
};

ChannelTables& Channels() {
  // Large (about 1.6 MB): static storage, and never built on a stack.
  static ChannelTables tables;
  return tables;
}

void LoadChannelTables(const ChanSettings& appliedAtLoad) {
  ChannelTables& tables = Channels();
  ClearChannelStates(tables);
  std::fill(std::begin(tables.appliedSettings), std::end(tables.appliedSettings), appliedAtLoad);
  tables.currentChannel = 0;
  tables.adcRange = 5.0;
}

void InvalidateApplied(int32_t channel) {
  ChanSettings& applied = Channels().appliedSettings[channel];
  applied.size = sizeof(ChanSettings);
  applied.gain = kNeverGain;
  applied.offset = kNeverValue;
  applied.lowPassCutoff = kNeverValue;
  applied.highPassCutoff = kNeverValue;
  applied.lowPassType = -1;
  applied.highPassType = -1;
  applied.flags = 0xFFFF;
  applied.input = kNeverInput;
  for (float& value : applied.extraValues) value = kNeverValue;
}

void ResetChannelTables() {
  ChannelTables& tables = Channels();
  ClearChannelStates(tables);
  std::memset(tables.appliedSettings, 0, sizeof tables.appliedSettings);
  for (int32_t channel = 0; channel < kChannelCount; ++channel) {
    InvalidateApplied(channel);
    tables.channelStates[channel].listsInput = kNotRead;
    tables.channelStates[channel].gainCount = kNotRead;
  }
}

ChannelState& CurrentChannelState() { return Channels().channelStates[Channels().currentChannel]; }
ChanSettings& CurrentApplied() { return Channels().appliedSettings[Channels().currentChannel]; }

}  // namespace condvorn
