// The host's sampling routine for the panel's live display, fed by the
// script: it reports a count and writes runs of codes, as a well-behaved or
// a careless host would.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace condhost {

struct SampleScript {
  int32_t reported = 0;       // the count the routine reports
  std::vector<int16_t> runs;  // written in equal runs over min(reported, the panel's maximum) codes
  // Set, the next call closes the panel with it from inside the panel's
  // refresh, and reports no codes.
  void(WINAPI* closer)(int32_t) = nullptr;
  long calls = 0;  // so far; and the arguments of the last one
  int32_t channel = 0;
  int32_t maxCount = 0;
};
inline SampleScript sampleScript;

inline int32_t WINAPI ScriptedSamples(int16_t* codes, int32_t maxCount, int32_t channel) {
  SampleScript& script = sampleScript;
  ++script.calls;
  script.channel = channel;
  script.maxCount = maxCount;
  if (auto* close = std::exchange(script.closer, nullptr)) {
    close(0);
    return 0;
  }
  const int32_t written = std::max(0, std::min(script.reported, maxCount));
  for (int32_t i = 0; i < written && !script.runs.empty(); ++i) {
    codes[i] = script.runs[static_cast<size_t>(i) * script.runs.size() / static_cast<size_t>(written)];
  }
  return script.reported;
}

}  // namespace condhost
