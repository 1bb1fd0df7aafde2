// How a misbehaving channel spoils its replies on the way out: extra
// characters on every line, garbage before the reply, a stall after the
// first character.
#pragma once

#include <string>

#include "simulator.h"

namespace vornsim {

// The bytes that actually go out for `reply` (lines ended by "\r").
std::string DistortReply(const std::string& reply, const Faults& faults);

}  // namespace vornsim
