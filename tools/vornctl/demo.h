// `demo`: a guided run on the simulator, for a first look without hardware.
#pragma once

#include "options.h"

namespace vornctl {

int RunDemo(const Options& options);

}  // namespace vornctl
