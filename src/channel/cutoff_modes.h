// The mode codes that stand in a channel's cut-off lists besides the
// frequencies: 0 is the off entry, and three negative codes name rectifier
// modes of high-pass channels.
#pragma once

#include <cstdint>

namespace condvorn {

// "Rect * 1", "Rect * 10" or "Raw * 10" for the codes -1, -10 and -11;
// nullptr for any other code.
const char* CutoffModeName(int32_t code);

}  // namespace condvorn
