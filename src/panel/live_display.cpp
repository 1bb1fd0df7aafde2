// The live display: four times a second the host's sampling routine hands
// over up to 500 recent codes of the shown channel, which are drawn as a
// green trace straight into the frame control, with their average in the
// label below it.
#include "channel/channel_state.h"
#include "panel/cond_dlg.h"
#include "panel/dialog_controls.h"
#include "panel/panel_state.h"
#include "panel/panel_texts.h"
#include "panel/trace_plot.h"

namespace condvorn {
namespace {

const COLORREF kTraceColour = RGB(0, 255, 0);

// The codes of the last refresh; one panel at a time uses them.
int16_t sampleBuffer[kMaxSamples];
TracePoint tracePoints[kMaxSamples];

// A device context of the display control, clipped to its client area
// (the control may draw with its parent's context), and the area's size.
class DisplayDc {
 public:
  explicit DisplayDc(HWND display) : display_(display), dc_(GetDC(display)) {
    GetClientRect(display, &area_);
    if (dc_ != nullptr) IntersectClipRect(dc_, area_.left, area_.top, area_.right, area_.bottom);
  }
  ~DisplayDc() {
    if (dc_ != nullptr) ReleaseDC(display_, dc_);
  }
  DisplayDc(const DisplayDc&) = delete;
  DisplayDc& operator=(const DisplayDc&) = delete;

  HDC dc() const { return dc_; }
  int32_t width() const { return area_.right; }
  int32_t height() const { return area_.bottom; }

 private:
  HWND display_;
  HDC dc_;
  RECT area_{};
};

// Black inside a white border, with the stock brush and pen.
void DrawFrame(HDC dc, int32_t width, int32_t height) {
  HGDIOBJ brush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
  HGDIOBJ pen = SelectObject(dc, GetStockObject(WHITE_PEN));
  Rectangle(dc, 0, 0, width, height);
  SelectObject(dc, pen);
  SelectObject(dc, brush);
}

// A bracket open at the top in the bottom-right corner, a fifth of the
// width wide, in white.
void DrawCornerMark(HDC dc, int32_t width, int32_t height) {
  const int32_t tall = height / 15;
  const int32_t wide = width / 5;
  HGDIOBJ pen = SelectObject(dc, GetStockObject(WHITE_PEN));
  MoveToEx(dc, width - 2, height - tall - 4, nullptr);
  LineTo(dc, width - 2, height - 4);
  LineTo(dc, width - wide - 2, height - 4);
  LineTo(dc, width - wide - 2, height - tall - 4);
  SelectObject(dc, pen);
}

}  // namespace

void CCondDlg::PaintEmptyDisplay() {
  const DisplayDc display(Item(IDC_DISPLAY));
  if (display.dc() != nullptr) DrawFrame(display.dc(), display.width(), display.height());
}

void CCondDlg::RefreshDisplay() {
  // A host routine that runs a message loop of its own (a message box)
  // must not start a second refresh inside the first.
  if (sampleSource == nullptr || refreshing_) return;
  refreshing_ = true;
  int32_t reported = 0;
  if (selectedChannel >= 0) {
    HostCall call(*this);
    reported = sampleSource(sampleBuffer, kMaxSamples, selectedChannel);
  }
  refreshing_ = false;
  if (EndIfClosed()) return;  // the host closed the panel from its routine
  // A channel the host's routine changed to nothing has no samples to show.
  const int32_t count = selectedChannel >= 0 ? UsableSampleCount(reported) : 0;
  {
    const DisplayDc display(Item(IDC_DISPLAY));
    if (display.dc() != nullptr) {
      DrawFrame(display.dc(), display.width(), display.height());
      DrawCornerMark(display.dc(), display.width(), display.height());
      if (count > 0) DrawTrace(display.dc(), count, display.width(), display.height());
    }
  }
  if (count > 0) {
    const float average = static_cast<float>(AverageCode(sampleBuffer, count));
    lastAverage = TruncatedCode(ToPendingCode(average, Deferred(), records_.Working(selectedChannel),
                                              records_.Saved(selectedChannel)));
  }
  ShowAverage(count);
}

void CCondDlg::DrawTrace(HDC dc, int32_t count, int32_t width, int32_t height) {
  const CodeWindow window = DisplayWindow(Deferred(), records_.Working(selectedChannel), records_.Saved(selectedChannel));
  PlotTrace(sampleBuffer, count, width, height, window, tracePoints);
  HPEN green = CreatePen(PS_SOLID, 1, kTraceColour);
  HGDIOBJ pen = SelectObject(dc, green);
  MoveToEx(dc, tracePoints[0].x, tracePoints[0].y, nullptr);
  for (int32_t i = 1; i < count; ++i) LineTo(dc, tracePoints[i].x, tracePoints[i].y);
  SelectObject(dc, pen);
  DeleteObject(green);
}

void CCondDlg::ShowAverage(int32_t count) {
  const std::string text =
      count > 0 ? AverageLabelText(lastAverage, records_.Working(selectedChannel), showVolts != 0, Channels().adcRange)
                : kNoDataText;
  SetWindowTextTo(Item(IDC_AVERAGE), text);
}

}  // namespace condvorn
