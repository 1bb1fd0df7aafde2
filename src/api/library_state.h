// The exports' own library-wide state, and the library's state at load.
// The link's state lives in link/link_state.h and the channel tables in
// channel/channel_state.h; this adds what only the exports need.
#pragma once

namespace condvorn {

class PanelLink;

struct LibraryState {
  PanelLink* activePanel = nullptr;  // the open control panel, or none
};

LibraryState& Lib();

// Puts the whole library into its state at load, in place (no temporary
// copy of the large tables is ever built on the caller's stack): link
// closed, rediscovery due, appliedSettings at the record defaults, ADC range
// 5 V, no panel, and programDirectory worked out through the installed Os.
void LoadLibraryState();

}  // namespace condvorn
