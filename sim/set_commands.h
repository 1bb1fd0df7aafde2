// What a channel does with a set command: it stores the argument in its
// settings. Set commands are never acknowledged.
#pragma once

#include <string>

#include "simulator.h"

namespace vornsim {

// `command` is the text without its ";", such as "GN3" or "LO12.5". A command
// the channel does not know, or one whose argument is not a number, changes
// nothing.
void ApplySetCommand(DeviceSettings& settings, const std::string& command);

}  // namespace vornsim
