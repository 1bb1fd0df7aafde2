#include "api/library_state.h"

#include "api/chan_settings.h"
#include "channel/channel_state.h"
#include "link/link_state.h"

namespace condvorn {

LibraryState& Lib() {
  static LibraryState state;
  return state;
}

void LoadLibraryState() {
  ResetLinkState();
  LoadChannelTables(DefaultChanSettings());
  Lib().activePanel = nullptr;
}

}  // namespace condvorn
