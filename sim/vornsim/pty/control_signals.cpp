#include "control_signals.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace vornsim {
namespace {

volatile sig_atomic_t stopRequested = 0;
volatile sig_atomic_t revivalsRequested = 0;

void RecordSignal(int signal) {
  if (signal == SIGUSR1) {
    revivalsRequested = 1;
  } else {
    stopRequested = 1;
  }
}

constexpr int kControlSignals[] = {SIGTERM, SIGINT, SIGUSR1};

}  // namespace

ControlSignals::ControlSignals() {
  sigset_t controlSet;
  sigemptyset(&controlSet);
  for (int signal : kControlSignals) sigaddset(&controlSet, signal);
  if (sigprocmask(SIG_BLOCK, &controlSet, &waitMask_) != 0) {
    throw std::runtime_error(std::string("sigprocmask: ") + std::strerror(errno));
  }
  for (int signal : kControlSignals) sigdelset(&waitMask_, signal);

  struct sigaction action {};
  action.sa_handler = RecordSignal;
  sigemptyset(&action.sa_mask);
  for (int signal : kControlSignals) {
    if (sigaction(signal, &action, nullptr) != 0) {
      throw std::runtime_error(std::string("sigaction: ") + std::strerror(errno));
    }
  }
}

bool ControlSignals::StopRequested() const { return stopRequested != 0; }

// The handlers run only inside the waits, where the signals are let through,
// so the flag cannot change between its test and its reset here.
bool ControlSignals::TakeRevival() const {
  if (revivalsRequested == 0) return false;
  revivalsRequested = 0;
  return true;
}

bool ControlSignals::WaitForRevival() const {
  for (;;) {
    if (StopRequested()) return false;
    if (TakeRevival()) return true;
    sigsuspend(&waitMask_);
  }
}

}  // namespace vornsim
