// Builds without a window system have no control panel: DoCondMenu still
// checks the host's records, then opens nothing.
#include "api/panel_link.h"

namespace condvorn {

int32_t OpenPanel(const PanelRequest&) { return 0; }

}  // namespace condvorn
