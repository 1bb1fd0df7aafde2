// The --state file, written when the simulator stops: every channel's
// settings as the host's commands left them, by channel number:
//   {"channels": {"3": {"input": 1, "gain": 3, ..., "extraValues": {"1": 2}, ...}}}
// The keys are the field names of the device settings record.
#pragma once

#include <string>
#include <vector>

#include "simulator.h"

namespace vornsim {

// Throws std::runtime_error when the file cannot be written.
void WriteSettingsState(const std::string& path, Simulator& simulator, const std::vector<int>& channelNumbers);

}  // namespace vornsim
