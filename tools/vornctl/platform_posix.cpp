#include <strings.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "exit_codes.h"
#include "os/os_posix.h"
#include "platform.h"

namespace vornctl {

namespace {
// The library opens port 1; the link maps it to the device path.
constexpr int32_t kPortNumber = 1;

// The number of a Windows port name such as "COM3" (any letter case).
std::optional<int> WindowsPortNumber(const std::string& name) {
  if (name.size() < 4 || name.size() > 6 || strncasecmp(name.c_str(), "COM", 3) != 0) return std::nullopt;
  for (size_t i = 3; i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return std::nullopt;
  }
  return std::atoi(name.c_str() + 3);
}

// An environment variable's value, when it is set and not empty.
const char* Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

int32_t PreparePort(const std::string& name) {
  if (std::optional<int> number = WindowsPortNumber(name)) {
    throw CommandError(ExitCode::kUsage, "--port " + name + ": Linux names serial ports /dev/tty...: /dev/ttyS" +
                                             std::to_string(*number > 0 ? *number - 1 : 0) + " is " + name +
                                             ", /dev/ttyUSB0 a USB adapter");
  }
  condvorn::PosixLink().SetPortPath(kPortNumber, name);
  return kPortNumber;
}

std::string PortKey(const std::string& name) {
  std::string key = name;
  for (char& c : key) {
    if (c == '/') c = '_';
  }
  if (!key.empty() && key.front() == '_') key.erase(0, 1);
  return key;
}

std::optional<std::filesystem::path> StateDirectory() {
  if (const char* state = Environment("XDG_STATE_HOME")) return std::filesystem::path(state) / "condvorn";
  if (const char* home = Environment("HOME")) return std::filesystem::path(home) / ".local" / "state" / "condvorn";
  return std::nullopt;
}

std::string SystemErrorText(int32_t code) { return std::strerror(code); }

bool StdoutIsTerminal() { return isatty(fileno(stdout)) != 0; }

}  // namespace vornctl
