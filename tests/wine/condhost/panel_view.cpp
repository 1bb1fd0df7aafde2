#include "panel_view.h"

#include <string>
#include <vector>

namespace condhost {
namespace {

bool anyProcess = false;

BOOL CALLBACK CollectOwn(HWND window, LPARAM found) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() && IsWindowVisible(window)) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  }
  return TRUE;
}

bool ReadOnly(HWND edit) { return (GetWindowLongA(edit, GWL_STYLE) & ES_READONLY) != 0; }

Json ComboItems(HWND combo) {
  Json items = Json::array();
  const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::vector<char> text(static_cast<size_t>(SendMessageA(combo, CB_GETLBTEXTLEN, i, 0)) + 1, '\0');
    SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    items.push_back(text.data());
  }
  return items;
}

Json ControlJson(HWND panel, HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&rect), 2);
  const std::string kind = ClassOf(control);
  Json json = {{"class", kind}, {"text", WindowText(control)}, {"visible", IsWindowVisible(control) != FALSE},
               {"enabled", IsWindowEnabled(control) != FALSE}, {"rect", RectJson(rect)}};
  if (kind == "ComboBox") {
    json["items"] = ComboItems(control);
    json["sel"] = SendMessageA(control, CB_GETCURSEL, 0, 0);
    HWND edit = TypingTarget(control);
    if (edit != control) {
      json["edit"] = WindowText(edit);
      json["readonly"] = ReadOnly(edit);
    }
  } else if (kind == "Edit") {
    json["readonly"] = ReadOnly(control);
  } else if (kind == "Button") {
    json["checked"] = SendMessageA(control, BM_GETCHECK, 0, 0);
  }
  return json;
}

// The panel's client area as 32-bit pixels (0xRRGGBB), top row first.
std::vector<DWORD> ClientPixels(HWND panel, const RECT& client) {
  std::vector<DWORD> pixels(static_cast<size_t>(client.right) * client.bottom);
  HDC screen = GetDC(panel);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  GetDIBits(memory, bitmap, 0, client.bottom, pixels.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(panel, screen);
  for (DWORD& pixel : pixels) pixel &= 0xFFFFFF;
  return pixels;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM found) {
  auto& children = *reinterpret_cast<std::vector<HWND>*>(found);
  children.push_back(child);
  return TRUE;
}

}  // namespace

std::string WindowText(HWND window) {
  std::vector<char> text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
  return text.data();
}

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

HWND FindPanel() {
  HWND panel = FindWindowA("#32770", kPanelCaption);
  DWORD process = 0;
  if (panel != nullptr) GetWindowThreadProcessId(panel, &process);
  const bool ours = anyProcess || process == GetCurrentProcessId();
  return panel != nullptr && ours && IsWindowVisible(panel) ? panel : nullptr;
}

void DriveAnyProcess() { anyProcess = true; }

std::vector<HWND> OwnWindows() {
  std::vector<HWND> found;
  EnumWindows(CollectOwn, reinterpret_cast<LPARAM>(&found));
  return found;
}

Json RectJson(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

HWND TypingTarget(HWND control) {
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (ClassOf(control) == "ComboBox" && GetComboBoxInfo(control, &info) && info.hwndItem != nullptr &&
      info.hwndItem != control) {
    return info.hwndItem;
  }
  return control;
}

Json PanelJson(HWND panel) {
  RECT window{};
  RECT client{};
  RECT base{0, 0, 4, 8};
  GetWindowRect(panel, &window);
  GetClientRect(panel, &client);
  MapDialogRect(panel, &base);
  std::vector<HWND> children;
  EnumChildWindows(panel, CollectChild, reinterpret_cast<LPARAM>(&children));
  // Controls by id; labels without one and the parts of combo boxes are left out.
  Json controls = Json::object();
  for (HWND child : children) {
    const int id = GetDlgCtrlID(child);
    if (GetParent(child) == panel && id > 0 && id != 0xFFFF) controls[std::to_string(id)] = ControlJson(panel, child);
  }
  return {{"window", RectJson(window)}, {"client", {client.right, client.bottom}}, {"base", {base.right, base.bottom}},
          {"focus", GetDlgCtrlID(GetFocus())}, {"controls", controls}};
}

Json ColourPixelsJson(HWND panel, HWND control, COLORREF colour, const std::vector<int>& columns) {
  RECT client{};
  RECT area{};
  GetClientRect(panel, &client);
  GetClientRect(control, &area);
  MapWindowPoints(control, panel, reinterpret_cast<POINT*>(&area), 2);
  const std::vector<DWORD> pixels = ClientPixels(panel, client);
  const DWORD wanted = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
  const auto matches = [&](int x, int y) { return pixels[static_cast<size_t>(y) * client.right + x] == wanted; };
  Json rows = Json::object();
  for (int x : columns) {
    Json& list = rows[std::to_string(x)] = Json::array();
    for (int y = area.top; y < area.bottom && x >= 0 && x < area.right - area.left; ++y) {
      if (matches(area.left + x, y)) list.push_back(y - area.top);
    }
  }
  long outside = 0;
  for (int y = 0; y < client.bottom; ++y) {
    for (int x = 0; x < client.right; ++x) {
      const bool inside = x >= area.left && x < area.right && y >= area.top && y < area.bottom;
      if (!inside && matches(x, y)) ++outside;
    }
  }
  return {{"size", {area.right - area.left, area.bottom - area.top}}, {"rows", rows}, {"outside", outside}};
}

}  // namespace condhost
