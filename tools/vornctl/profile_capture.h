// `profile CH`: a channel's capabilities written as a vornsim profile
// (JSON) that reproduces them, so that the simulator can stand in for that
// channel: `vornsim --channel 0=FILE`, `vornctl --sim FILE`.
#pragma once

#include "options.h"

namespace vornctl {

// Writes the profile to options.out, or to standard output.
int RunProfile(const Options& options);

}  // namespace vornctl
