// The control panel's library-wide state: the option bits of the open
// panel, and where the next panel opens. It lives as long as the library is
// loaded; nothing of it is written to the configuration.
#pragma once

#include <cstdint>

namespace condvorn {

// A window rectangle in screen coordinates.
struct ScreenRect {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};

struct PanelState {
  int32_t panelFlags = 0;          // COND_MENU_* bits of the last DoCondMenu
  int32_t lastPanelChannel = -1;   // the channel last chosen in the Port combo
  ScreenRect panelPosition{};      // the panel's rectangle when it last closed
  int32_t panelPositionSaved = 0;  // panelPosition holds a closed panel's place
};

PanelState& Panel();

// Whether an option bit of the open panel is set.
inline bool PanelFlag(int32_t bit) { return (Panel().panelFlags & bit) != 0; }

}  // namespace condvorn
