// A thread that keeps message boxes and pop-up menus from blocking a
// script: it writes the text of each message box of this process as a
// result line {"box": text, "caption": caption} and presses OK; and it
// writes the items of a pop-up menu as {"menu": [items]} and closes it with Esc.
#pragma once

#include "result_writer.h"

namespace condhost {

// False when the thread cannot be started.
bool StartBoxWatcher(ResultWriter& out);
void StopBoxWatcher();

}  // namespace condhost
