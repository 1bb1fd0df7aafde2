#include "panel/panel_state.h"

namespace condvorn {

PanelState& Panel() {
  static PanelState state;
  return state;
}

}  // namespace condvorn
