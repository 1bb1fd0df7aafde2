// vornctl panel: the library's control panel for setting conditioners by
// hand, with no host program. A Windows feature: the panel lives in
// CONDVorn.dll.
#pragma once

#include "options.h"

namespace vornctl {

// Opens the panel modally on every channel the library finds; 0 when it
// closed. Throws CommandError when the library, its port or its channels
// cannot be had, and (kUsage) on a system without the panel.
int RunPanel(const Options& options);

}  // namespace vornctl
