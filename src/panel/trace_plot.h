// The live display's arithmetic: which codes the frame's edges stand for,
// where each sample lands in the frame, and the average that the label
// shows. In deferred mode the channel still runs with its saved settings
// while the panel shows the pending ones, so codes are mapped between the
// two.
#pragma once

#include <cstdint>

#include "condvorn.h"

namespace condvorn {

// The codes at the ends of the ADC's range, which the frame's top and
// bottom edges show unless deferred settings move them.
constexpr float kTopCode = 32767.0f;
constexpr float kBottomCode = -32768.0f;

// The most samples one refresh asks the host for, and the size of the
// buffer it fills.
constexpr int32_t kMaxSamples = 500;

// How many of the samples a host's routine reports can be used: none for a
// count of 0 or less, at most the buffer's size.
int32_t UsableSampleCount(int32_t reported);

// The codes at the frame's top and bottom edges, in the codes the channel
// delivers now. `pending` is the working record, `running` the saved one.
struct CodeWindow {
  float top;
  float bottom;
};
CodeWindow DisplayWindow(bool deferred, const ChanSettings& pending, const ChanSettings& running);

// A code delivered under `running` as it would read under `pending`.
float ToPendingCode(float code, bool deferred, const ChanSettings& pending, const ChanSettings& running);

struct TracePoint {
  int32_t x;
  int32_t y;
};

// The trace's points for `count` codes (1 to kMaxSamples) in a frame of
// `width` by `height` pixels: evenly spread across, the window's top at row
// 1 and its bottom at row height - 1. Codes outside the window give rows
// outside the frame (kept within reach of the drawing's coordinates).
void PlotTrace(const int16_t* codes, int32_t count, int32_t width, int32_t height, CodeWindow window,
               TracePoint* points);

// The average code: of the last 100 codes when there are that many, else of
// all; integer division, truncating toward zero.
int32_t AverageCode(const int16_t* codes, int32_t count);

// A float code truncated toward zero to an integer, saturated.
int32_t TruncatedCode(float code);

}  // namespace condvorn
