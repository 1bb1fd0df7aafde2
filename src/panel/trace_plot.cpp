#include "panel/trace_plot.h"

#include <algorithm>
#include <cmath>

namespace condvorn {
namespace {

constexpr int32_t kAveragedCodes = 100;
// Rows this far beyond the frame are as good as infinitely far, and still
// well inside the drawing's 27-bit coordinate space.
constexpr double kFarRow = 1 << 20;

// The code of a record's offset: o / s.
float OffsetCode(const ChanSettings& record) { return record.offset / record.scale; }

int32_t Row(double row) {
  if (std::isnan(row)) return 0;
  return static_cast<int32_t>(std::clamp(row, -kFarRow, kFarRow));
}

}  // namespace

int32_t UsableSampleCount(int32_t reported) { return std::clamp(reported, 0, kMaxSamples); }

CodeWindow DisplayWindow(bool deferred, const ChanSettings& pending, const ChanSettings& running) {
  if (!deferred) return {kTopCode, kBottomCode};
  const auto edge = [&](float code) {
    return (code - OffsetCode(pending)) / pending.gain * running.gain + OffsetCode(running);
  };
  return {edge(kTopCode), edge(kBottomCode)};
}

float ToPendingCode(float code, bool deferred, const ChanSettings& pending, const ChanSettings& running) {
  if (!deferred) return code;
  return (code - OffsetCode(running)) / running.gain * pending.gain + OffsetCode(pending);
}

void PlotTrace(const int16_t* codes, int32_t count, int32_t width, int32_t height, CodeWindow window,
               TracePoint* points) {
  const double dx = static_cast<double>(width) / count;
  const float dy = static_cast<float>(height - 2) / (window.top - window.bottom);
  for (int32_t i = 0; i < count; ++i) {
    points[i].x = static_cast<int32_t>(i * dx);
    points[i].y = Row(std::trunc((window.top - codes[i]) * dy)) + 1;
  }
}

int32_t AverageCode(const int16_t* codes, int32_t count) {
  const int32_t first = count >= kAveragedCodes ? count - kAveragedCodes : 0;
  int32_t sum = 0;
  for (int32_t i = first; i < count; ++i) sum += codes[i];
  return sum / (count - first);
}

int32_t TruncatedCode(float code) {
  if (std::isnan(code)) return 0;
  return static_cast<int32_t>(std::clamp<double>(std::trunc(code), INT32_MIN, INT32_MAX));
}

}  // namespace condvorn
