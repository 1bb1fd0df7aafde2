// The signals that steer a running vornsim: SIGTERM and SIGINT ask it to
// stop cleanly, SIGUSR1 brings a dead line back. They are blocked except
// while the server waits, so a signal that comes while the program is
// starting up or busy is not lost and does not cut anything short: the wait
// that follows sees it at once.
#pragma once

#include <signal.h>

namespace vornsim {

class ControlSignals {
 public:
  ControlSignals();  // throws std::runtime_error
  ControlSignals(const ControlSignals&) = delete;
  ControlSignals& operator=(const ControlSignals&) = delete;

  bool StopRequested() const;
  // True once for every SIGUSR1 that came since the last call.
  bool TakeRevival() const;
  // Sleeps until a stop or a revival is asked for; true for a revival.
  bool WaitForRevival() const;
  // The signal mask to wait with (ppoll): the control signals let through.
  const sigset_t& waitMask() const { return waitMask_; }

 private:
  sigset_t waitMask_;
};

}  // namespace vornsim
