#include "stop_signals.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace vornsim {
namespace {

volatile sig_atomic_t stopRequested = 0;

void RecordStop(int) { stopRequested = 1; }

}  // namespace

StopSignals::StopSignals() {
  sigset_t stopSet;
  sigemptyset(&stopSet);
  sigaddset(&stopSet, SIGTERM);
  sigaddset(&stopSet, SIGINT);
  if (sigprocmask(SIG_BLOCK, &stopSet, &waitMask_) != 0) {
    throw std::runtime_error(std::string("sigprocmask: ") + std::strerror(errno));
  }
  sigdelset(&waitMask_, SIGTERM);
  sigdelset(&waitMask_, SIGINT);

  struct sigaction action {};
  action.sa_handler = RecordStop;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGTERM, SIGINT}) {
    if (sigaction(signal, &action, nullptr) != 0) {
      throw std::runtime_error(std::string("sigaction: ") + std::strerror(errno));
    }
  }
}

bool StopSignals::Requested() const { return stopRequested != 0; }

}  // namespace vornsim
