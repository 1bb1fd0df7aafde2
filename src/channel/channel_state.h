// What the library knows of each conditioner channel: its capabilities as
// read from the device, and what was last sent to it.
#pragma once

#include <cstdint>

#include "condvorn.h"
#include "link/link_state.h"

namespace condvorn {

constexpr int kMaxListItems = 20;     // any item list keeps at most 20 entries
constexpr int kItemTextSize = 20;     // room of one item text, NUL included
constexpr int kNameSize = 16;         // filter and extra-setting names, NUL included
constexpr int kMaxOffsetRanges = 8;   // offset ranges actually kept
constexpr int kMaxExtraSettings = 8;  // capacity of the extra-setting table
constexpr int kReadExtraSettings = 4; // extra settings actually read
constexpr int kExtraSlots = 8;        // entries of ChanSettings::extraValues

// One filter characteristic.
struct FilterType {
  char name[kNameSize];          // at most 15 characters
  int32_t kind;                  // bit 0 set: stepped list; clear: continuous range
  double minimum;                // lowest cut-off in Hz (continuous kind)
  double maximum;                // highest cut-off in Hz (continuous kind)
  int32_t cutoffCount;           // valid entries of cutoffs, at most 20; 0 or less: none
  double cutoffs[kMaxListItems]; // Hz; 0 = off; negative = mode code
};

// One device-defined extra setting.
struct ExtraSetting {
  char name[kNameSize];          // at most 15 characters
  int32_t kind;                  // bit 0 set: choice list; clear: numeric range
  int32_t slot;                  // index into ChanSettings::extraValues, 0 to 7
  double minimum;                // numeric kind
  double maximum;                // numeric kind
  int32_t choiceCount;           // valid entries of choices, 0 to 20
  char choices[kMaxListItems][kItemTextSize];
};

// A channel's capabilities. Each count says how many leading entries are
// valid; a count of 0 or less means an empty list to every reader.
struct ChannelState {
  // Version, from the "?RV;" reply; -1 each when missing or malformed.
  int32_t versionLevel;
  int32_t versionNumber;

  // Inputs, in device order; the input index is the position here.
  int32_t inputCount;
  char inputNames[kMaxListItems][kItemTextSize];

  // Gains and offset ranges of the input listsInput (-10000: never read).
  int32_t listsInput;
  int32_t gainCount;             // 0 or less: capabilities not read yet
  double gains[kMaxListItems];
  int32_t offsetRangeCount;
  double offsetRanges[kMaxListItems]; // only the first 8 are ever filled

  // Command-set features.
  bool hasExtendedCommands;      // version level >= 4 and number >= 22
  bool hasDigitalFilters;        // extended, and "DF" answered non-zero

  // Filter characteristics (negative count after a failed read).
  int32_t lowPassTypeCount;
  FilterType lowPassTypes[kMaxListItems];
  int32_t highPassTypeCount;
  FilterType highPassTypes[kMaxListItems];

  // Mains notch frequency in Hz; 0 when unanswered.
  int32_t notchFrequency;

  // Extra settings (negative count: the read failed; none).
  int32_t extraSettingCount;
  ExtraSetting extraSettings[kMaxExtraSettings];
};

// Stand-ins for the device's own filter lists on channels that answer the
// "DF" query with 1 or 2; channels receive copies.
extern const FilterType kLowPassStaticTable[4];
extern const FilterType kHighPassStaticTable[4];

// "Never applied" values for a channel's appliedSettings entry, so that the
// next ApplySettings sends every setting.
constexpr float kNeverGain = -1.23f;
constexpr float kNeverValue = -1230000.0f;
constexpr int16_t kNeverInput = -10000;
constexpr int32_t kNotRead = -10000;

// Writes the never-applied markers into the channel's appliedSettings.
void InvalidateApplied(int32_t channel);

// The reset of a full re-initialisation: every channel's capabilities and
// applied settings cleared (the version fields at -1), then marked never
// applied and not read.
void ResetChannelTables();

// The channel model's library-wide tables. One instance per loaded library.
struct ChannelTables {
  ChannelState channelStates[kChannelCount];  // capabilities, by channel number
  ChanSettings appliedSettings[kChannelCount]; // what was last sent
  int32_t currentChannel;         // the channel selected on the line
  double adcRange;                // the host's ADC full scale in volts (+/-)
};

ChannelTables& Channels();

// Puts the tables at their values at load, in place: capabilities cleared,
// applied settings at the given record, channel 0 current, ADC range 5 V.
void LoadChannelTables(const ChanSettings& appliedAtLoad);

// The channel that the serial link has selected and that every setting
// command and snapping operation acts on.
ChannelState& CurrentChannelState();
ChanSettings& CurrentApplied();

}  // namespace condvorn
