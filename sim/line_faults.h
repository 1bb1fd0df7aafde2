// How a misbehaving channel spoils its replies on the way out: extra
// characters on every line, garbage before the reply, a stall after the
// first character; and the noise of a dying line.
#pragma once

#include <string>

#include "simulator.h"

namespace vornsim {

// The bytes that actually go out for `reply` (lines ended by "\r").
std::string DistortReply(const std::string& reply, const Faults& faults);

// What a dying line sends before it falls silent: a line of noise, then
// the start of another that never ends.
std::string DyingNoise();

}  // namespace vornsim
