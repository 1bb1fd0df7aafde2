#include "api/library_state.h"

#include "api/chan_settings.h"
#include "link/diagnostic_log.h"

namespace condvorn {

LibraryState& Lib() {
  // Large (the channel tables), so it lives in static storage.
  static LibraryState state;
  return state;
}

void LoadLibraryState() {
  LibraryState& lib = Lib();
  lib = LibraryState{};
  for (ChanSettings& applied : lib.appliedSettings) applied = DefaultChanSettings();
  lib.programDirectory =
      ProgramDirectoryFromPath(CurrentOs().host->ExecutablePath(kExecutablePathRoom));
}

}  // namespace condvorn
