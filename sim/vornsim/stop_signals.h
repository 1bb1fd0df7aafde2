// SIGTERM and SIGINT as a request to stop cleanly. They are blocked except
// while the server waits, so a signal that comes while the program is
// starting up or busy is not lost and does not cut anything short: the wait
// that follows sees it at once.
#pragma once

#include <signal.h>

namespace vornsim {

class StopSignals {
 public:
  StopSignals();  // throws std::runtime_error
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  bool Requested() const;
  // The signal mask to wait with (ppoll): the stop signals let through.
  const sigset_t& waitMask() const { return waitMask_; }

 private:
  sigset_t waitMask_;
};

}  // namespace vornsim
