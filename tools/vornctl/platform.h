// The few things vornctl does differently on POSIX and on Windows.
#pragma once

#include <cstdint>
#include <string>

namespace vornctl {

// The "Port" setting that makes the platform's serial link open the named
// port ("/dev/ttyUSB0" natively, "COM3" on Windows); it prepares the link
// where the name needs it. Throws CommandError (kUsage) for a name that
// does not name a port.
int32_t PreparePort(const std::string& name);

// The system's text for an error code of the platform's serial link
// (errno natively, a Win32 error code on Windows).
std::string SystemErrorText(int32_t code);

// True when standard output is a terminal.
bool StdoutIsTerminal();

}  // namespace vornctl
