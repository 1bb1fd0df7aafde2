// The host's sampling routine for the panel's live display, fed by the
// script: it reports a count and writes runs of codes, as a well-behaved or
// a careless host would.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace condhost {

// The routine reports `reported` codes and writes min(reported, the
// panel's maximum) of them: the given codes in equal runs, one after the
// other across what it writes.
void SetSamples(int32_t reported, const std::vector<int16_t>& runs);
// At its next call the routine closes the panel (KillCondMenu(0)) from
// inside the panel's refresh, and reports no codes.
void CloseFromSampler(void(WINAPI* killCondMenu)(int32_t));

int32_t WINAPI ScriptedSamples(int16_t* codes, int32_t maxCount, int32_t channel);

struct SamplerCalls {
  long calls;
  int32_t channel;   // of the last call
  int32_t maxCount;  // of the last call
};
SamplerCalls SamplerSeen();

}  // namespace condhost
