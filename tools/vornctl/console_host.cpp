#include "console_host.h"

#include <iostream>

namespace vornctl {

void ConsoleHost::ShowMessage(const std::string& text) {
  std::string shown = text;
  for (char& c : shown) {
    if (c == '\n') c = ' ';
  }
  std::cerr << "vornctl: the library reports: " << shown << std::endl;
}

}  // namespace vornctl
