// DoCondMenu's last step: make the panel, then run it modally or leave it
// open as the active panel.
#include <new>

#include "api/library_state.h"
#include "api/panel_link.h"
#include "panel/cond_dlg.h"
#include "panel/panel_state.h"

namespace condvorn {

int32_t OpenPanel(const PanelRequest& request) {
  const int32_t flagsBefore = Panel().panelFlags;
  // The panel holds 256 records: it lives on the heap, never on the host's stack.
  auto* panel = new (std::nothrow) CCondDlg(request);
  if (panel == nullptr) return 0;
  if (request.options & COND_MENU_MODELESS) {
    if (!panel->Create()) {
      delete panel;
      Panel().panelFlags = flagsBefore;
      return 0;
    }
    Lib().activePanel = panel;
    return 0;
  }
  Lib().activePanel = panel;
  const INT_PTR result = panel->DoModal();
  Lib().activePanel = nullptr;
  delete panel;
  if (result == -1) Panel().panelFlags = flagsBefore;  // no window could be made
  return result == IDOK ? 1 : 0;
}

}  // namespace condvorn
