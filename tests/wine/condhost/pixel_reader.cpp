#include "pixel_reader.h"

#include <string>

namespace condhost {
namespace {

// The panel's client area as 32-bit pixels, top row first.
class ClientPixels {
 public:
  explicit ClientPixels(HWND panel) {
    RECT client{};
    GetClientRect(panel, &client);
    width_ = client.right;
    height_ = client.bottom;
    pixels_.resize(static_cast<size_t>(width_) * height_);
    HDC screen = GetDC(panel);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width_, height_);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width_, height_, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    GetDIBits(memory, bitmap, 0, height_, pixels_.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(panel, screen);
  }

  // A pixel as a COLORREF (the DIB holds blue, green, red).
  COLORREF At(int x, int y) const {
    const DWORD bgr = pixels_[static_cast<size_t>(y) * width_ + x];
    return RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF);
  }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<DWORD> pixels_;
};

}  // namespace

Json ColourPixelsJson(HWND panel, HWND control, COLORREF colour, const std::vector<int>& columns) {
  const ClientPixels pixels(panel);
  RECT area{};
  GetClientRect(control, &area);
  MapWindowPoints(control, panel, reinterpret_cast<POINT*>(&area), 2);
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  Json rows = Json::object();
  for (int x : columns) {
    Json& list = rows[std::to_string(x)] = Json::array();
    for (int y = 0; y < height && x >= 0 && x < width; ++y) {
      if (pixels.At(area.left + x, area.top + y) == colour) list.push_back(y);
    }
  }
  long outside = 0;
  for (int y = 0; y < pixels.height(); ++y) {
    for (int x = 0; x < pixels.width(); ++x) {
      const bool inside = x >= area.left && x < area.right && y >= area.top && y < area.bottom;
      if (!inside && pixels.At(x, y) == colour) ++outside;
    }
  }
  return {{"size", {width, height}}, {"rows", rows}, {"outside", outside}};
}

}  // namespace condhost
