// The HTML Help engine, loaded on first use from its control library
// "hhctrl.ocx": from the path registered for its class, else by name.
#pragma once

#include <string>

namespace condvorn {

// Opens the compiled help file `file` at the topics of `keyword`, showing
// the index when none has it; a viewer that cannot look keywords up shows
// the file's default topic, unless the failed lookup opened a window. Does nothing when the engine cannot be loaded;
// a failed load is not tried again.
void ShowHtmlHelpKeyword(const std::string& file, const char* keyword);

}  // namespace condvorn
