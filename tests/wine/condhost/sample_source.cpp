#include "sample_source.h"

#include <algorithm>
#include <utility>

namespace condhost {

SampleScript sampleScript;

int32_t WINAPI ScriptedSamples(int16_t* codes, int32_t maxCount, int32_t channel) {
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
