// The live display's arithmetic: rows of the trace, the deferred mapping
// between saved and pending settings, the average and its label.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "api/chan_settings.h"
#include "panel/panel_texts.h"
#include "panel/trace_plot.h"

namespace condvorn {
namespace {

std::vector<int32_t> Rows(const std::vector<int16_t>& codes, int32_t height, CodeWindow window) {
  std::vector<TracePoint> points(codes.size());
  PlotTrace(codes.data(), static_cast<int32_t>(codes.size()), 200, height, window, points.data());
  std::vector<int32_t> rows;
  for (const TracePoint& point : points) rows.push_back(point.y);
  return rows;
}

ChanSettings Record(float gain, float offset) {
  ChanSettings record = DefaultChanSettings();
  record.scale = 5.0f / 32768 / gain;
  record.gain = gain;
  record.offset = offset;
  return record;
}

TEST(TracePlotTest, TheFullCodeRangeSpansTheFrameInsideItsBorder) {
  const CodeWindow full = DisplayWindow(false, Record(2, 0), Record(1, 0));
  EXPECT_EQ(Rows({32767, 0, -32768}, 100, full), (std::vector<int32_t>{1, 49, 99}));
  std::vector<TracePoint> points(4);
  const int16_t codes[] = {0, 0, 0, 0};
  PlotTrace(codes, 4, 150, 100, full, points.data());
  EXPECT_EQ(points[3].x, 112) << "evenly spread, truncated";
}

TEST(TracePlotTest, DeferredModeShowsThePendingSettingsOfTheSavedSignal) {
  const ChanSettings pending = Record(2, 0);
  const ChanSettings running = Record(1, 0);
  const CodeWindow window = DisplayWindow(true, pending, running);
  EXPECT_FLOAT_EQ(window.top, 16383.5f);
  EXPECT_FLOAT_EQ(window.bottom, -16384.0f);
  EXPECT_FLOAT_EQ(ToPendingCode(1000, true, pending, running), 2000);
  EXPECT_FLOAT_EQ(ToPendingCode(1000, false, pending, running), 1000);
  EXPECT_EQ(Rows({16384, -32768}, 100, window)[0], 1) << "at the top of the pending window";
  EXPECT_GT(Rows({16384, -32768}, 100, window)[1], 99) << "beyond the frame, where clipping takes it";

  // A host's record without a scale divides by zero: the rows stay numbers.
  const CodeWindow broken = DisplayWindow(true, Record(2, 0), DefaultChanSettings());
  for (int32_t row : Rows({32767, -32768}, 100, broken)) EXPECT_LE(std::abs(row), (1 << 20) + 1);
  EXPECT_EQ(TruncatedCode(ToPendingCode(5, true, pending, DefaultChanSettings())), 0);
  EXPECT_EQ(TruncatedCode(1e20f), INT32_MAX);
  EXPECT_EQ(TruncatedCode(-2.7f), -2);
}

TEST(TracePlotTest, TheAverageTakesTheLastHundredCodesAndTruncates) {
  EXPECT_EQ(AverageCode(std::vector<int16_t>{1, 2}.data(), 2), 1);
  EXPECT_EQ(AverageCode(std::vector<int16_t>{-1, -2}.data(), 2), -1);
  EXPECT_EQ(AverageCode(std::vector<int16_t>{-7}.data(), 1), -7);
  std::vector<int16_t> codes(250, 32767);
  std::fill(codes.begin() + 150, codes.end(), -32768);
  EXPECT_EQ(AverageCode(codes.data(), 250), -32768);
  codes.assign(kMaxSamples, 32767);
  EXPECT_EQ(AverageCode(codes.data(), kMaxSamples), 32767) << "no overflow";
}

TEST(TracePlotTest, OnlyTheBuffersWorthOfAReportedCountIsUsed) {
  EXPECT_EQ(UsableSampleCount(600), kMaxSamples);
  EXPECT_EQ(UsableSampleCount(INT32_MAX), kMaxSamples);
  EXPECT_EQ(UsableSampleCount(-3), 0);
  EXPECT_EQ(UsableSampleCount(42), 42);
}

TEST(TracePlotTest, TheAverageLabelReadsInVoltsAtTheInputOrInHostUnits) {
  ChanSettings record = Record(10, 0);
  EXPECT_EQ(AverageLabelText(3277, record, true, 5.0), "0.05 V");
  record.offset = record.scale * 1000;  // an offset of 1000 codes
  EXPECT_EQ(AverageLabelText(3277, record, true, 5.0), "0.03474 V");
  record.scale = 0.001f;
  record.zero = 1.0f;
  EXPECT_EQ(AverageLabelText(-32768, record, false, 5.0), "-31.77  Volt");
  std::memcpy(record.units, "mV", 3);
  EXPECT_EQ(AverageLabelText(1000, record, false, 5.0), "2 mV");
}

}  // namespace
}  // namespace condvorn
