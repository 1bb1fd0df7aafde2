// Selecting a channel, learning its capabilities once, and selecting its
// input with the gains and offset ranges that belong to it.
#include "channel/read_state.h"

#include <algorithm>

#include "channel/channel_state.h"
#include "channel/setting_commands.h"
#include "link/discovery.h"
#include "link/transport.h"

namespace condvorn {
namespace {

// The input taken when a record asks for one the channel does not have.
constexpr int32_t kFallbackInput = 2;
constexpr int32_t kExtendedLevel = 4;
constexpr int32_t kExtendedNumber = 22;
constexpr int32_t kGainFallback = 1;
constexpr int32_t kOffsetRangeFallback = 0;
constexpr int32_t kStaticTableCount = 4;

// "DF" answers 1 and 2 stand for the library's own filter tables; with 2
// every characteristic spans the full range of both directions.
void CopyStaticFilterTables(ChannelState& state, bool fullRange) {
  std::copy(kLowPassStaticTable, kLowPassStaticTable + kStaticTableCount, state.lowPassTypes);
  std::copy(kHighPassStaticTable, kHighPassStaticTable + kStaticTableCount, state.highPassTypes);
  state.lowPassTypeCount = kStaticTableCount;
  state.highPassTypeCount = kStaticTableCount;
  if (!fullRange) return;
  for (int32_t i = 0; i < kStaticTableCount; ++i) {
    for (FilterType* type : {&state.lowPassTypes[i], &state.highPassTypes[i]}) {
      type->minimum = 0.01;
      type->maximum = 10000.0;
    }
  }
}

// Asks a channel with extended commands about digital filters. True when
// the static filter tables were copied.
bool ReadDigitalFilters(ChannelState& state) {
  int32_t answer = 0;
  if (!QueryInteger("DF", answer)) return false;
  state.hasDigitalFilters = answer != 0;
  if (answer != 1 && answer != 2) return false;
  CopyStaticFilterTables(state, answer == 2);
  return true;
}

void ReadCapabilities(ChannelState& state) {
  ReadVersion(state.versionNumber, state.versionLevel);
  state.hasExtendedCommands =
      state.versionLevel >= kExtendedLevel && state.versionNumber >= kExtendedNumber;
  state.hasDigitalFilters = false;
  const bool staticTables = state.hasExtendedCommands && ReadDigitalFilters(state);

  ReadNameList("IS", state.inputCount, state.inputNames, kMaxListItems, kQueryTimeoutMs);
  if (!staticTables) {
    state.lowPassTypeCount = ReadFilterTypes('L', state.lowPassTypes, state.hasDigitalFilters);
    state.highPassTypeCount = ReadFilterTypes('H', state.highPassTypes, state.hasDigitalFilters);
  }
  state.extraSettingCount = state.hasExtendedCommands && state.hasDigitalFilters
                                ? ReadExtraSettings(state.extraSettings)
                                : 0;
  state.notchFrequency = ReadNotchFrequency();
}

}  // namespace

void ReadChannelState(int32_t channel, ChanSettings& settings) {
  SelectChannel(channel);
  ChannelState& state = Channels().channelStates[channel];
  // A gain list that came back empty leaves the capabilities to be read again.
  if (state.gainCount <= 0) ReadCapabilities(state);
  Channels().currentChannel = channel;
  if (settings.input >= state.inputCount) settings.input = kFallbackInput;
  SelectInput(settings.input, settings);
}

void SelectInput(int32_t input, ChanSettings& settings) {
  ChannelState& state = CurrentChannelState();
  if (input < 0 || input >= state.inputCount) input = kFallbackInput;
  SendInput(input);
  settings.input = static_cast<int16_t>(input);
  if (state.listsInput == input) return;
  ReadNumberList("GS", state.gainCount, state.gains, kMaxListItems, kGainFallback,
                 kQueryTimeoutMs);
  ReadNumberList("OS", state.offsetRangeCount, state.offsetRanges, kMaxOffsetRanges,
                 kOffsetRangeFallback, kQueryTimeoutMs);
  state.listsInput = input;
}

}  // namespace condvorn
