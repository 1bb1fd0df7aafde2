#include "pseudo_terminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace vornsim {
namespace {

[[noreturn]] void FailOpening(const std::string& what) {
  throw std::runtime_error("pseudo-terminal: " + what + ": " + std::strerror(errno));
}

}  // namespace

PseudoTerminal::PseudoTerminal() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (master_ < 0) FailOpening("posix_openpt");
  try {
    if (grantpt(master_) != 0) FailOpening("grantpt");
    if (unlockpt(master_) != 0) FailOpening("unlockpt");
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0) FailOpening("ptsname_r");
    slavePath_ = name;
    slave_ = open(name, O_RDWR | O_NOCTTY);
    if (slave_ < 0) FailOpening("open " + slavePath_);
    termios settings{};
    if (tcgetattr(slave_, &settings) != 0) FailOpening("tcgetattr");
    cfmakeraw(&settings);
    if (tcsetattr(slave_, TCSANOW, &settings) != 0) FailOpening("tcsetattr");
  } catch (...) {
    if (slave_ >= 0) close(slave_);
    close(master_);
    throw;
  }
}

PseudoTerminal::~PseudoTerminal() {
  close(slave_);
  close(master_);
}

}  // namespace vornsim
