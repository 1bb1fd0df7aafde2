#include "os/os_win32_timing.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace condvorn {
namespace {

constexpr int64_t kHundredsOfNanosPerSecond = 10000000;
constexpr int64_t kHundredsOfNanosPerMs = 10000;

class Win32Clock : public Clock {
 public:
  uint32_t TickCount() override { return PerformanceCounter::Milliseconds(); }
  void Pause(uint32_t micros) override { wait_.Until(PerformanceCounter::After(micros)); }

 private:
  PreciseWait wait_;
};

}  // namespace

int64_t PerformanceCounter::Now() {
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  return count.QuadPart;
}

uint32_t PerformanceCounter::Milliseconds() {
  const int64_t count = Now();
  const int64_t frequency = Frequency();
  return static_cast<uint32_t>(count / frequency * 1000 + count % frequency * 1000 / frequency);
}

int64_t PerformanceCounter::After(uint32_t micros) {
  const int64_t frequency = Frequency();
  return Now() + (static_cast<int64_t>(micros) * frequency + 999999) / 1000000;
}

int64_t PerformanceCounter::HundredsOfNanosUntil(int64_t end) {
  const int64_t left = end - Now();
  if (left <= 0) return 0;
  const int64_t frequency = Frequency();
  return left / frequency * kHundredsOfNanosPerSecond +
         (left % frequency * kHundredsOfNanosPerSecond + frequency - 1) / frequency;
}

int64_t PerformanceCounter::Frequency() {
  static const int64_t frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return value.QuadPart;
  }();
  return frequency;
}

PreciseWait::~PreciseWait() {
  if (timer_ != nullptr) CloseHandle(timer_);
}

bool PreciseWait::Until(int64_t end, HANDLE event) {
  for (;;) {
    const int64_t left = PerformanceCounter::HundredsOfNanosUntil(end);
    if (left == 0) return false;
    HANDLE timer = Timer();
    LARGE_INTEGER due;
    due.QuadPart = -left;  // negative: relative to now
    DWORD woken = WAIT_FAILED;
    if (timer != nullptr && SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
      HANDLE handles[2] = {event, timer};
      woken = event != nullptr ? WaitForMultipleObjects(2, handles, FALSE, INFINITE)
                               : WaitForSingleObject(timer, INFINITE);
    }
    if (woken == WAIT_FAILED) {
      // No timer: the plain wait functions, in whole milliseconds.
      const DWORD ms = static_cast<DWORD>((left + kHundredsOfNanosPerMs - 1) / kHundredsOfNanosPerMs);
      if (event == nullptr) {
        Sleep(ms);
      } else {
        woken = WaitForSingleObject(event, ms);
      }
    }
    if (event != nullptr && woken == WAIT_OBJECT_0) return true;
  }
}

HANDLE PreciseWait::Timer() {
  if (!timerTried_) {
    timerTried_ = true;
    timer_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    if (timer_ == nullptr) timer_ = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
  }
  return timer_;
}

Clock& PerformanceClock() {
  static Win32Clock clock;
  return clock;
}

}  // namespace condvorn
