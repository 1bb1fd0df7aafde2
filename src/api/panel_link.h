// The open control panel as the exports see it, and the one call that opens
// it. The panel itself is Win32 only (panel/); the exports reach it only
// through this interface, so that their checks are portable.
#pragma once

#include <cstdint>

#include "condvorn.h"

namespace condvorn {

class PanelLink {
 public:
  virtual ~PanelLink() = default;
  // The panel's side of SetCondChan and GetCondChan: 0, or -6 for a port
  // outside the panel's table.
  virtual int32_t SetChannel(int32_t port, ChanSettings& settings) = 0;
  virtual int32_t GetChannel(int32_t port, ChanSettings& settings) = 0;
  // Close as if OK had been pressed: posted when `post`, else at once.
  virtual void Close(bool post) = 0;
  // Lock (enable false) or unlock the gain and offset controls; returns the
  // previous enable state.
  virtual int32_t SetScalingEnabled(bool enable) = 0;
  // A second DoCondMenu while this panel is open: show it to the user.
  virtual void BringToFront() = 0;
};

// What DoCondMenu hands to the panel once the host's records have passed
// its checks.
struct PanelRequest {
  ChanSettings* hostSettings;   // the host's array; valid while the panel is open
  int16_t channelCount;         // records in the array, 1 to 128
  CondSampleProc sampleSource;  // the host's sampling routine, or null
  int32_t options;              // COND_MENU_* bits
  CondWindow hostWindow;        // receives ZELCOND_MSG
};

// Opens the control panel and gives DoCondMenu's result. A modal panel runs
// to its end here and is gone on return: 1 when it ended with OK after a
// change, else 0. A modeless panel stays open as the active panel: 0. When
// no panel can be made (no memory, no window, or a build without a window
// system) nothing is left open and the result is 0.
int32_t OpenPanel(const PanelRequest& request);

}  // namespace condvorn
