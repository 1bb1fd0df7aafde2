// The commands that change a channel's settings. Everything acts on the
// current channel: run ReadChannelState for the channel first.
#pragma once

#include <cstdint>
#include <optional>

#include "condvorn.h"

namespace condvorn {

// Senders: one command (or pair) each; out-of-range indices send nothing,
// and neither do cut-offs that are not finite, numeric extra values that
// are not finite floats, or choices that do not round to a 32-bit integer.
// An input sent other than the applied copy's leaves that copy's input
// never applied.
int32_t SendInput(int32_t input);
// The nearest listed gain that can scale is set and returned; a channel
// without one gets nothing and the request comes back.
double SendGain(double gain);
// Chooses the offset range and code; returns the offset set, in host units
// (0 on a channel without offset ranges). None, and nothing sent, when the
// record cannot express an offset: its scale or gain is 0, or the offset
// needs no finite code.
std::optional<double> SendOffset(double offset, const ChanSettings& settings);
void SendLowPassStep(int32_t cutoffIndex, int32_t type);
void SendHighPassStep(int32_t cutoffIndex, int32_t type);
void SendLowPassValue(double cutoff, int32_t type);
void SendHighPassValue(double cutoff, int32_t type);
void SendExtraSetting(double value, int32_t index);

// Apply operations: send one setting and keep the record and the channel's
// applied settings in step. A gain change keeps scale * gain constant; an
// offset change keeps zero + offset constant. A record's filter
// characteristic that the channel lacks becomes its first.
//
// Nothing that is not a finite float is ever written into the record: a
// setting whose new values would not be (a scale rescaled beyond float's
// range, an offset or zero beyond it, a listed cut-off beyond it) is not
// sent, and the record keeps its values. A channel without a gain that can
// scale (none, or only 0) keeps the record's gain and scale. An offset the
// record cannot express (see SendOffset) is not sent either: the record
// keeps its offset and zero, and the applied copy the offset last sent.
void ApplyInput(int32_t input, ChanSettings& settings);
// The record's scale for `newGain` in place of its gain (the host's units
// per ADC code shrink as the gain grows), when that is a finite float.
std::optional<float> ScaleForGain(const ChanSettings& settings, float newGain);
void ApplyGain(double gain, ChanSettings& settings);
void ApplyOffset(double offset, ChanSettings& settings);
void ApplyLowPass(double cutoff, ChanSettings& settings);
void ApplyHighPass(double cutoff, ChanSettings& settings);
void ApplyCoupling(bool on, ChanSettings& settings);
void ApplyNotch(bool on, ChanSettings& settings);
void ApplyTriggerInput(bool secondInput, ChanSettings& settings);
void ApplyTriggerEdge(bool falling, ChanSettings& settings);
void ApplyExtraSetting(double value, int32_t index, ChanSettings& settings);

// True when applying the record would send nothing.
bool SettingsApplied(int32_t channel, const ChanSettings& settings);
// Brings the channel to the record, sending only what differs. Always 0.
int32_t ApplySettings(int32_t channel, ChanSettings& settings);

}  // namespace condvorn
