#include "exit_codes.h"
#include "panel.h"

namespace vornctl {

int RunPanel(const Options&) {
  throw CommandError(ExitCode::kUsage,
                     "the control panel is a Windows feature: run vornctl.exe panel on Windows, beside CONDVorn.dll");
}

}  // namespace vornctl
