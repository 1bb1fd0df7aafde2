// The few things vornctl does differently on POSIX and on Windows.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace vornctl {

// The "Port" setting that makes the platform's serial link open the named
// port ("/dev/ttyUSB0" natively, "COM3" on Windows); it prepares the link
// where the name needs it. Throws CommandError (kUsage) for a name that
// does not name a port.
int32_t PreparePort(const std::string& name);

// The port's name in the file of its remembered settings: "COM3" for a
// numbered port; a device path with each '/' as '_' and the leading one
// dropped ("/dev/ttyUSB0" gives "dev_ttyUSB0"). `name` is one that
// PreparePort takes.
std::string PortKey(const std::string& name);

// The folder where vornctl keeps what outlasts a run (the remembered
// settings, the diagnostic log unless told otherwise):
// $XDG_STATE_HOME/condvorn, else ~/.local/state/condvorn; on Windows
// %LOCALAPPDATA%\condvorn (a verbatim path there). Nothing when the
// environment names no home.
std::optional<std::filesystem::path> StateDirectory();

// The system's text for an error code of the platform's serial link
// (errno natively, a Win32 error code on Windows).
std::string SystemErrorText(int32_t code);

// True when standard output is a terminal.
bool StdoutIsTerminal();

}  // namespace vornctl
