#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "os/os_posix.h"
#include "platform.h"

namespace vornctl {

namespace {
// The library opens port 1; the link maps it to the device path.
constexpr int32_t kPortNumber = 1;
}  // namespace

int32_t PreparePort(const std::string& name) {
  condvorn::PosixLink().SetPortPath(kPortNumber, name);
  return kPortNumber;
}

std::string SystemErrorText(int32_t code) { return std::strerror(code); }

bool StdoutIsTerminal() { return isatty(fileno(stdout)) != 0; }

}  // namespace vornctl
