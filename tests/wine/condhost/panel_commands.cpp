// The script's commands that drive the open control panel with window
// messages, as a user's mouse and keyboard would.
#include <stdexcept>

#include "beep_counter.h"
#include "panel_view.h"
#include "script_session.h"

namespace condhost {
namespace {

constexpr DWORD kSettleMs = 300;  // the panel paints before a screenshot
const COLORREF kTraceGreen = RGB(0, 255, 0);

HWND NeedPanel() {
  HWND panel = FindPanel();
  if (panel == nullptr) throw std::runtime_error("no panel is open");
  return panel;
}

HWND NeedControl(const Words& args) {
  HWND control = GetDlgItem(NeedPanel(), static_cast<int>(Integer(args[0])));
  if (control == nullptr) throw std::runtime_error("the panel has no control " + args[0]);
  return control;
}

Json ColourJson(HDC dc, HBRUSH brush) {
  return {{"text", GetTextColor(dc)}, {"back", GetBkColor(dc)}, {"brush", brush != nullptr}};
}

void Panel(ScriptSession&, const Words&, Json& result) {
  HWND panel = FindPanel();
  result["open"] = panel != nullptr;
  if (panel != nullptr) result["panel"] = PanelJson(panel);
}

void Select(ScriptSession&, const Words& args, Json&) {
  HWND combo = NeedControl(args);
  SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(Integer(args[1])), 0);
  SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
}

void Click(ScriptSession&, const Words& args, Json&) { SendMessageA(NeedControl(args), BM_CLICK, 0, 0); }

void ButtonCommand(ScriptSession&, const Words& args, Json&) {
  HWND button = NeedControl(args);
  SendMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
}

void Char(ScriptSession&, const Words& args, Json& result) {
  HWND target = TypingTarget(NeedControl(args));
  const long beepsBefore = BeepsSoFar();
  for (unsigned char c : args[1]) SendMessageA(target, WM_CHAR, c, 1);
  char text[256] = "";
  GetWindowTextA(target, text, sizeof text);
  result["text"] = text;
  result["beeps"] = BeepsSoFar() - beepsBefore;
}

void Selection(ScriptSession&, const Words& args, Json&) {
  SendMessageA(TypingTarget(NeedControl(args)), EM_SETSEL, static_cast<WPARAM>(Integer(args[1])),
               static_cast<LPARAM>(Integer(args[2])));
}

void Enable(ScriptSession&, const Words& args, Json&) { EnableWindow(NeedControl(args), Integer(args[1]) != 0); }

void Colours(ScriptSession&, const Words& args, Json& result) {
  HWND combo = NeedControl(args);
  HWND edit = TypingTarget(combo);
  HDC dc = CreateCompatibleDC(nullptr);
  // As the edit part asks its combo, then as the panel asks on the combo's behalf.
  const UINT request = (GetWindowLongA(edit, GWL_STYLE) & ES_READONLY) != 0 ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
  auto brush = reinterpret_cast<HBRUSH>(SendMessageA(combo, request, reinterpret_cast<WPARAM>(dc),
                                                     reinterpret_cast<LPARAM>(edit)));
  result["edit"] = ColourJson(dc, brush);
  SetTextColor(dc, RGB(1, 2, 3));
  SetBkColor(dc, RGB(4, 5, 6));
  brush = reinterpret_cast<HBRUSH>(SendMessageA(GetParent(combo), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                                reinterpret_cast<LPARAM>(combo)));
  result["reflected"] = ColourJson(dc, brush);
  DeleteDC(dc);
}

void Context(ScriptSession&, const Words& args, Json&) {
  HWND control = NeedControl(args);
  RECT rect{};
  GetWindowRect(control, &rect);
  // The watcher thread reads the menu that appears and closes it.
  SendMessageA(GetParent(control), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control),
               MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2));
}

void Focus(ScriptSession&, const Words& args, Json&) { SetFocus(TypingTarget(NeedControl(args))); }

void Scroll(ScriptSession&, const Words& args, Json&) {
  HWND bar = NeedControl(args);
  SendMessageA(GetParent(bar), WM_VSCROLL, MAKEWPARAM(Integer(args[1]), 0), reinterpret_cast<LPARAM>(bar));
}

void Pixels(ScriptSession&, const Words& args, Json& result) {
  HWND control = NeedControl(args);
  std::vector<int> columns;
  for (size_t i = 1; i < args.size(); ++i) columns.push_back(static_cast<int>(Integer(args[i])));
  result["pixels"] = ColourPixelsJson(GetParent(control), control, kTraceGreen, columns);
}

void Windows(ScriptSession& session, const Words&, Json& result) {
  Json list = Json::array();
  for (HWND window : OtherWindows(session.window().handle())) list.push_back(WindowJson(window));
  result["windows"] = list;
}

void Attach(ScriptSession& session, const Words& args, Json&) {
  DriveAnyProcess();
  const DWORD start = GetTickCount();
  while (FindPanel() == nullptr) {
    if (GetTickCount() - start > static_cast<DWORD>(Integer(args[0]))) throw std::runtime_error("no panel appeared");
    session.window().Pump(50);
  }
}

void Move(ScriptSession&, const Words& args, Json&) {
  SetWindowPos(NeedPanel(), nullptr, static_cast<int>(Integer(args[0])), static_cast<int>(Integer(args[1])), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Shot(ScriptSession& session, const Words& args, Json&) {
  HWND panel = NeedPanel();
  RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN);
  session.window().Pump(kSettleMs);
  RECT rect{};
  GetWindowRect(panel, &rect);
  session.Wait(args[0], Json{{"window", RectJson(rect)}});
}

// A combo box's list as a click on its arrow drops it, measured, then
// closed again.
void Dropped(ScriptSession&, const Words& args, Json& result) {
  HWND combo = NeedControl(args);
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (!GetComboBoxInfo(combo, &info)) throw std::runtime_error("not a combo box: " + args[0]);
  const LPARAM arrow = MAKELPARAM((info.rcButton.left + info.rcButton.right) / 2,
                                  (info.rcButton.top + info.rcButton.bottom) / 2);
  SendMessageA(combo, WM_LBUTTONDOWN, MK_LBUTTON, arrow);
  SendMessageA(combo, WM_LBUTTONUP, 0, arrow);
  RECT list{};
  GetWindowRect(info.hwndList, &list);
  result["dropped"] = IsWindowVisible(info.hwndList) != FALSE;
  result["height"] = list.bottom - list.top;
  result["items"] = SendMessageA(combo, CB_GETCOUNT, 0, 0);
  result["itemHeight"] = SendMessageA(combo, CB_GETITEMHEIGHT, 0, 0);
  SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
}

}  // namespace

const std::vector<Command> kPanelCommands = {
    {"panel", 0, 0, "panel", Panel},
    {"select", 2, 2, "select ID INDEX", Select},
    {"click", 1, 1, "click ID", Click},
    {"command", 1, 1, "command ID", ButtonCommand},
    {"char", 2, 2, "char ID TEXT", Char},
    {"selection", 3, 3, "selection ID START END", Selection},
    {"enable", 2, 2, "enable ID ON", Enable},
    {"colours", 1, 1, "colours ID", Colours},
    {"context", 1, 1, "context ID", Context},
    {"focus", 1, 1, "focus ID", Focus},
    {"scroll", 2, 2, "scroll ID CODE", Scroll},
    {"pixels", 2, 100, "pixels ID X...", Pixels},
    {"dropped", 1, 1, "dropped ID", Dropped},
    {"windows", 0, 0, "windows", Windows},
    {"attach", 1, 1, "attach MS", Attach},
    {"move", 2, 2, "move X Y", Move},
    {"shot", 1, 1, "shot NAME", Shot},
};

}  // namespace condhost
