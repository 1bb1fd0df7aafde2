// Learning a channel's capabilities from the device and selecting its input.
#pragma once

#include <cstdint>

#include "channel/channel_state.h"
#include "condvorn.h"

namespace condvorn {

constexpr uint32_t kQueryTimeoutMs = 1000;

// Selects the channel on the line, reads its capabilities the first time,
// makes it the current channel and selects the record's input (which it may
// correct).
void ReadChannelState(int32_t channel, ChanSettings& settings);

// Selects an input on the current channel; re-reads the gains and offset
// ranges when they belong to another input.
void SelectInput(int32_t input, ChanSettings& settings);

// Sends "?name;" and reads one integer line. False (value 0) without a line.
bool QueryInteger(const char* name, int32_t& value);

// Reads an item list: a count line, then one line per item. Sends "?name;"
// first unless the name is empty. True on success.
bool ReadItemList(const char* name, int32_t& count, char items[kMaxListItems][kItemTextSize],
                  uint32_t timeoutMs);

// Reads a list of numbers; keeps at most `largest`. An item that is not a
// number reads as `fallback` and fails the attempt. Up to three attempts,
// with a 100 ms pause and the discarding of pending input between two of
// them (none after the last).
void ReadNumberList(const char* name, int32_t& count, double* values, int32_t largest,
                    int32_t fallback, uint32_t timeoutMs);

// Reads a list of names (each at most 15 characters, else "Unknown"), up to
// three attempts; keeps at most `largest`.
void ReadNameList(const char* name, int32_t& count, char names[kMaxListItems][kItemTextSize],
                  int32_t largest, uint32_t timeoutMs);

// True when a text whose numeric value is 0 really spells a zero.
bool IsZeroText(const char* text);

// Reads the low-pass ('L') or high-pass ('H') characteristics: their number,
// or a negative failure code.
int32_t ReadFilterTypes(char letter, FilterType types[kMaxListItems], bool digital);

// Reads the extra settings (at most four): their number, or a negative
// failure code. The list ends before a setting whose slot lies outside the
// record's eight extra values.
int32_t ReadExtraSettings(ExtraSetting settings[kMaxExtraSettings]);

// The mains notch frequency in Hz, 0 when unanswered.
int32_t ReadNotchFrequency();

}  // namespace condvorn
