#include "link/link_state.h"

#include <algorithm>

#include "link/diagnostic_log.h"

namespace condvorn {

LinkState& Link() {
  static LinkState state;
  return state;
}

void ResetLinkState() {
  LinkState& link = Link();
  link.linkStatus = COND_ERR_NO_LINK;
  link.linkHandle = 0;
  link.reinitNeeded = 1;
  std::fill(std::begin(link.channelStatus), std::end(link.channelStatus), 0);
  link.logConfigured = 0;
  link.logActive = 0;
  link.programDirectory =
      ProgramDirectoryFromPath(CurrentOs().host->ExecutablePath(kExecutablePathRoom));
}

}  // namespace condvorn
