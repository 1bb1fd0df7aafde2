#include "sample_source.h"

#include <algorithm>

namespace condhost {
namespace {

int32_t reportedCount = 0;
std::vector<int16_t> codeRuns;
void(WINAPI* closer)(int32_t) = nullptr;
SamplerCalls seen{0, 0, 0};

}  // namespace

void SetSamples(int32_t reported, const std::vector<int16_t>& runs) {
  reportedCount = reported;
  codeRuns = runs;
}

void CloseFromSampler(void(WINAPI* killCondMenu)(int32_t)) { closer = killCondMenu; }

int32_t WINAPI ScriptedSamples(int16_t* codes, int32_t maxCount, int32_t channel) {
  seen = {seen.calls + 1, channel, maxCount};
  if (closer != nullptr) {
    auto* close = closer;
    closer = nullptr;
    close(0);
    return 0;
  }
  const int32_t written = std::max(0, std::min(reportedCount, maxCount));
  for (int32_t i = 0; i < written && !codeRuns.empty(); ++i) {
    codes[i] = codeRuns[static_cast<size_t>(i) * codeRuns.size() / static_cast<size_t>(written)];
  }
  return reportedCount;
}

SamplerCalls SamplerSeen() { return seen; }

}  // namespace condhost
