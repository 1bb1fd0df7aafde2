// The script's commands that drive the open control panel with window
// messages, as a user's mouse and keyboard would.
#include <stdexcept>

#include "beep_counter.h"
#include "panel_view.h"
#include "script_session.h"

namespace condhost {
namespace {

constexpr DWORD kSettleMs = 300;  // for the panel to paint before a screenshot
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

Json ColourJson(HDC dc, LRESULT brush) {
  return {{"text", GetTextColor(dc)}, {"back", GetBkColor(dc)}, {"brush", brush != 0}};
}

void SendCommand(HWND control, WORD code) {
  SendMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
               reinterpret_cast<LPARAM>(control));
}

int Int(const std::string& word) { return static_cast<int>(Integer(word)); }

using S = ScriptSession&;
using A = const Words&;

}  // namespace

// IDs are the panel's control ids.
const std::vector<Command> kPanelCommands = {
    // The panel and every control, as JSON (panel_view.h).
    {"panel", "", 0, 0, [](S, A, Json& result) {
       HWND panel = FindPanel();
       result["open"] = panel != nullptr;
       if (panel != nullptr) result["panel"] = PanelJson(panel);
     }},
    // A combo item chosen, as the user's choice notifies it.
    {"select", "ID INDEX", 2, 2, [](S, A args, Json&) {
       HWND combo = NeedControl(args);
       SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(Integer(args[1])), 0);
       SendCommand(combo, CBN_SELCHANGE);
     }},
    {"click", "ID", 1, 1, [](S, A args, Json&) { SendMessageA(NeedControl(args), BM_CLICK, 0, 0); }},
    // A button's command as Enter and Esc give it.
    {"command", "ID", 1, 1, [](S, A args, Json&) { SendCommand(NeedControl(args), BN_CLICKED); }},
    // Each character typed (a combo's edit part takes them): the text then, and the beeps.
    {"char", "ID TEXT", 2, 2, [](S, A args, Json& result) {
       HWND target = TypingTarget(NeedControl(args));
       const long beepsBefore = BeepsSoFar();
       for (unsigned char c : args[1]) SendMessageA(target, WM_CHAR, c, 1);
       result["text"] = WindowText(target);
       result["beeps"] = BeepsSoFar() - beepsBefore;
     }},
    {"selection", "ID START END", 3, 3, [](S, A args, Json&) {
       SendMessageA(TypingTarget(NeedControl(args)), EM_SETSEL, static_cast<WPARAM>(Integer(args[1])),
                    static_cast<LPARAM>(Integer(args[2])));
     }},
    // As a host might.
    {"enable", "ID ON", 2, 2, [](S, A args, Json&) { EnableWindow(NeedControl(args), Integer(args[1]) != 0); }},
    // The colours a combo gives its edit part, as the edit part asks it; then
    // those the panel reflects to the combo, asked on its behalf.
    {"colours", "ID", 1, 1, [](S, A args, Json& result) {
       HWND combo = NeedControl(args);
       HWND edit = TypingTarget(combo);
       HDC dc = CreateCompatibleDC(nullptr);
       const UINT request = (GetWindowLongA(edit, GWL_STYLE) & ES_READONLY) != 0 ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
       auto brush = SendMessageA(combo, request, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit));
       result["edit"] = ColourJson(dc, brush);
       SetTextColor(dc, RGB(1, 2, 3));
       SetBkColor(dc, RGB(4, 5, 6));
       brush = SendMessageA(GetParent(combo), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                            reinterpret_cast<LPARAM>(combo));
       result["reflected"] = ColourJson(dc, brush);
       DeleteDC(dc);
     }},
    // A context menu asked at the control's centre; the box watcher reads the menu and closes it.
    {"context", "ID", 1, 1, [](S, A args, Json&) {
       HWND control = NeedControl(args);
       RECT rect{};
       GetWindowRect(control, &rect);
       SendMessageA(GetParent(control), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control),
                    MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2));
     }},
    {"focus", "ID", 1, 1, [](S, A args, Json&) { SetFocus(TypingTarget(NeedControl(args))); }},
    // WM_VSCROLL from a scroll bar, CODE as SB_LINEUP and the like.
    {"scroll", "ID CODE", 2, 2, [](S, A args, Json&) {
       HWND bar = NeedControl(args);
       SendMessageA(GetParent(bar), WM_VSCROLL, MAKEWPARAM(Integer(args[1]), 0), reinterpret_cast<LPARAM>(bar));
     }},
    // The trace's green rows in columns X of the control, and green pixels elsewhere in the panel.
    {"pixels", "ID X...", 2, 100, [](S, A args, Json& result) {
       HWND control = NeedControl(args);
       std::vector<int> columns;
       for (size_t i = 1; i < args.size(); ++i) columns.push_back(Int(args[i]));
       result["pixels"] = ColourPixelsJson(GetParent(control), control, kTraceGreen, columns);
     }},
    // A combo's list as a click on its arrow drops it, measured, then closed again.
    {"dropped", "ID", 1, 1, [](S, A args, Json& result) {
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
     }},
    // This process's visible windows but the host's and the panel.
    {"windows", "", 0, 0, [](S session, A, Json& result) {
       result["windows"] = Json::array();
       for (HWND window : OwnWindows()) {
         if (window == session.window().handle() || window == FindPanel()) continue;
         result["windows"].push_back({{"class", ClassOf(window)}, {"title", WindowText(window)}});
       }
     }},
    // Waits up to MS ms for a panel of any process, and drives that one from now on.
    {"attach", "MS", 1, 1, [](S session, A args, Json&) {
       DriveAnyProcess();
       for (const DWORD start = GetTickCount(); FindPanel() == nullptr; session.window().Pump(50)) {
         if (GetTickCount() - start > static_cast<DWORD>(Integer(args[0]))) {
           throw std::runtime_error("no panel appeared");
         }
       }
     }},
    {"move", "X Y", 2, 2, [](S, A args, Json&) {
       SetWindowPos(NeedPanel(), nullptr, Int(args[0]), Int(args[1]), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
     }},
    // As wait, with the panel's "window" rectangle for the bench's screenshot, once it has painted.
    {"shot", "NAME", 1, 1, [](S session, A args, Json&) {
       HWND panel = NeedPanel();
       RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN);
       session.window().Pump(kSettleMs);
       RECT rect{};
       GetWindowRect(panel, &rect);
       session.Wait(args[0], Json{{"window", RectJson(rect)}});
     }},
};

}  // namespace condhost
