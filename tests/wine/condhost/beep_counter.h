// Counts the library's beeps: its import of MessageBeep is pointed at a
// counter, so a script can see that a refused keystroke beeped.
#pragma once

#include <windows.h>

namespace condhost {

// False when the library does not import MessageBeep.
bool CountBeepsOf(HMODULE library);
long BeepsSoFar();

}  // namespace condhost
