// The script's commands that drive the open control panel with window
// messages, as a user's mouse and keyboard would.
#include <cstdio>

#include "beep_counter.h"
#include "panel_view.h"
#include "pixel_reader.h"
#include "script_session.h"

namespace condhost {
namespace {

constexpr DWORD kSettleMs = 300;        // the panel paints before a screenshot
constexpr DWORD kShotTimeoutMs = 30000;
const COLORREF kTraceGreen = RGB(0, 255, 0);

std::string ColourJson(HDC dc, HBRUSH brush) {
  char text[64];
  std::snprintf(text, sizeof text, "{\"text\": %lu, \"back\": %lu, \"brush\": %s}",
                static_cast<unsigned long>(GetTextColor(dc)), static_cast<unsigned long>(GetBkColor(dc)),
                brush != nullptr ? "true" : "false");
  return text;
}

}  // namespace

HWND ScriptSession::NeedPanel() const {
  HWND panel = FindPanel();
  if (panel == nullptr) throw ScriptError("no panel is open");
  return panel;
}

HWND ScriptSession::NeedControl(const Words& args) const {
  HWND control = GetDlgItem(NeedPanel(), static_cast<int>(Integer(args[0])));
  if (control == nullptr) throw ScriptError("the panel has no control " + args[0]);
  return control;
}

void ScriptSession::PanelView(const Words&, JsonObject& result) {
  HWND panel = FindPanel();
  result.AddRaw("open", panel != nullptr ? "true" : "false");
  if (panel != nullptr) result.AddRaw("panel", PanelJson(panel));
}

void ScriptSession::Select(const Words& args, JsonObject&) {
  HWND combo = NeedControl(args);
  SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(Integer(args[1])), 0);
  SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
}

void ScriptSession::Click(const Words& args, JsonObject&) { SendMessageA(NeedControl(args), BM_CLICK, 0, 0); }

void ScriptSession::ButtonCommand(const Words& args, JsonObject&) {
  HWND button = NeedControl(args);
  SendMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
}

void ScriptSession::Char(const Words& args, JsonObject& result) {
  HWND target = TypingTarget(NeedControl(args));
  const long beepsBefore = BeepsSoFar();
  for (unsigned char c : args[1]) SendMessageA(target, WM_CHAR, c, 1);
  char text[256] = "";
  GetWindowTextA(target, text, sizeof text);
  result.Add("text", text).Add("beeps", static_cast<long long>(BeepsSoFar() - beepsBefore));
}

void ScriptSession::Selection(const Words& args, JsonObject&) {
  SendMessageA(TypingTarget(NeedControl(args)), EM_SETSEL, static_cast<WPARAM>(Integer(args[1])),
               static_cast<LPARAM>(Integer(args[2])));
}

void ScriptSession::Enable(const Words& args, JsonObject&) { EnableWindow(NeedControl(args), Integer(args[1]) != 0); }

void ScriptSession::Colours(const Words& args, JsonObject& result) {
  HWND combo = NeedControl(args);
  HWND edit = TypingTarget(combo);
  HDC dc = CreateCompatibleDC(nullptr);
  // As the edit part asks its combo, then as the panel asks on the combo's behalf.
  const UINT request = (GetWindowLongA(edit, GWL_STYLE) & ES_READONLY) != 0 ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
  auto brush = reinterpret_cast<HBRUSH>(SendMessageA(combo, request, reinterpret_cast<WPARAM>(dc),
                                                     reinterpret_cast<LPARAM>(edit)));
  result.AddRaw("edit", ColourJson(dc, brush));
  SetTextColor(dc, RGB(1, 2, 3));
  SetBkColor(dc, RGB(4, 5, 6));
  brush = reinterpret_cast<HBRUSH>(SendMessageA(GetParent(combo), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                                reinterpret_cast<LPARAM>(combo)));
  result.AddRaw("reflected", ColourJson(dc, brush));
  DeleteDC(dc);
}

void ScriptSession::Context(const Words& args, JsonObject&) {
  HWND control = NeedControl(args);
  RECT rect{};
  GetWindowRect(control, &rect);
  // The watcher thread reads the menu that appears and closes it.
  SendMessageA(GetParent(control), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control),
               MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2));
}

void ScriptSession::Focus(const Words& args, JsonObject&) { SetFocus(TypingTarget(NeedControl(args))); }

void ScriptSession::Scroll(const Words& args, JsonObject&) {
  HWND bar = NeedControl(args);
  SendMessageA(GetParent(bar), WM_VSCROLL, MAKEWPARAM(Integer(args[1]), 0), reinterpret_cast<LPARAM>(bar));
}

void ScriptSession::Pixels(const Words& args, JsonObject& result) {
  HWND control = NeedControl(args);
  std::vector<int> columns;
  for (size_t i = 1; i < args.size(); ++i) columns.push_back(static_cast<int>(Integer(args[i])));
  result.AddRaw("pixels", ColourPixelsJson(GetParent(control), control, kTraceGreen, columns));
}

void ScriptSession::Windows(const Words&, JsonObject& result) {
  std::string list;
  for (HWND window : OtherWindows(window_.handle())) list += (list.empty() ? "" : ", ") + WindowJson(window);
  result.AddRaw("windows", "[" + list + "]");
}

void ScriptSession::Attach(const Words& args, JsonObject& result) {
  DriveAnyProcess();
  const DWORD start = GetTickCount();
  while (FindPanel() == nullptr) {
    if (GetTickCount() - start > static_cast<DWORD>(Integer(args[0]))) throw ScriptError("no panel appeared");
    window_.Pump(50);
  }
  result.AddRaw("attached", "true");
}

void ScriptSession::Move(const Words& args, JsonObject&) {
  SetWindowPos(NeedPanel(), nullptr, static_cast<int>(Integer(args[0])), static_cast<int>(Integer(args[1])), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ScriptSession::Shot(const Words& args, JsonObject& result) {
  HWND panel = NeedPanel();
  RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN);
  window_.Pump(kSettleMs);
  RECT rect{};
  GetWindowRect(panel, &rect);
  const std::string done = HostDirectory() + args[0] + ".done";
  DeleteFileA(done.c_str());
  out_.Write(JsonObject().Add("shot", args[0]).AddRaw("window", RectJson(rect)));
  const DWORD start = GetTickCount();
  while (GetFileAttributesA(done.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (GetTickCount() - start > kShotTimeoutMs) throw ScriptError("no screenshot was taken");
    window_.Pump(20);
  }
  DeleteFileA(done.c_str());
  result.AddRaw("taken", "true");
}

}  // namespace condhost
