// What the library sets up when it is loaded into the host process.
#pragma once

#include <windows.h>

namespace condvorn {

// The window message registered as "ZELCOND_MSG" at load, which carries the
// control panel's notifications to the host window.
UINT ZelcondMessage();

}  // namespace condvorn
