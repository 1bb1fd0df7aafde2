// The open control panel as the exports see it. The panel (Win32 only)
// implements this; the portable exports reach the panel only through it.
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
};

}  // namespace condvorn
