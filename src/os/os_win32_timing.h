// Time on Win32: the performance counter, waits on it with 1 ms resolution
// or better, and the tick counter the library reads.
#pragma once

#include <windows.h>

#include <cstdint>

#include "os/os.h"

namespace condvorn {

// The performance counter: the tick counter and the ends of pauses and
// waits. GetTickCount moves in steps of 10 to 16 ms, too coarse for them.
class PerformanceCounter {
 public:
  static int64_t Now();
  static uint32_t Milliseconds();
  // The count `micros` microseconds from now, rounded up.
  static int64_t After(uint32_t micros);
  // What is left until `end` in 100 ns units, rounded up; 0 once it has come.
  static int64_t HundredsOfNanosUntil(int64_t end);

 private:
  static int64_t Frequency();
};

// Blocks until a performance-counter value, or until an event comes first.
// It sleeps on a high-resolution waitable timer where the system has them
// (Windows 10 1803 and later, Wine): 1 ms or better without raising the
// system-wide timer resolution. Elsewhere an ordinary timer serves, which
// the system tick may make late, never early.
class PreciseWait {
 public:
  PreciseWait() = default;
  PreciseWait(const PreciseWait&) = delete;
  PreciseWait& operator=(const PreciseWait&) = delete;
  ~PreciseWait();

  // True when `event` (if any) was signalled before `end`.
  bool Until(int64_t end, HANDLE event = nullptr);

 private:
  HANDLE Timer();

  HANDLE timer_ = nullptr;
  bool timerTried_ = false;
};

// The tick counter from the performance counter; pauses on a PreciseWait.
Clock& PerformanceClock();

}  // namespace condvorn
