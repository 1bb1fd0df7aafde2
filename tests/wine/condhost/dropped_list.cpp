// The script command `dropped ID`: a combo box's list as a click on its
// arrow drops it, measured, then closed again.
#include "script_session.h"

namespace condhost {

void ScriptSession::Dropped(const Words& args, JsonObject& result) {
  HWND combo = NeedControl(args);
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (!GetComboBoxInfo(combo, &info)) throw ScriptError("not a combo box: " + args[0]);
  const LPARAM arrow = MAKELPARAM((info.rcButton.left + info.rcButton.right) / 2,
                                  (info.rcButton.top + info.rcButton.bottom) / 2);
  SendMessageA(combo, WM_LBUTTONDOWN, MK_LBUTTON, arrow);
  SendMessageA(combo, WM_LBUTTONUP, 0, arrow);
  RECT list{};
  GetWindowRect(info.hwndList, &list);
  result.AddRaw("dropped", IsWindowVisible(info.hwndList) ? "true" : "false")
      .Add("height", static_cast<long long>(list.bottom - list.top))
      .Add("items", static_cast<long long>(SendMessageA(combo, CB_GETCOUNT, 0, 0)))
      .Add("itemHeight", static_cast<long long>(SendMessageA(combo, CB_GETITEMHEIGHT, 0, 0)));
  SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
}

}  // namespace condhost
