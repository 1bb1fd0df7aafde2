// waitcheck: times the library's Win32 clock and serial waits on the real
// clock, measured against the system's precise wall time (a clock the
// library does not read), and writes one JSON object per wait to stdout.
//
//   waitcheck PORT
//
// PORT is a COM port with a conditioner line on it whose channel 0 answers.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "os/os_win32_serial.h"
#include "os/os_win32_timing.h"

namespace {

double WallMs() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  const ULONGLONG hundredsOfNanos = (ULONGLONG{now.dwHighDateTime} << 32) | now.dwLowDateTime;
  return static_cast<double>(hundredsOfNanos) / 10000.0;
}

void Report(const char* wait, unsigned micros, double startMs, uint32_t startTick, bool result) {
  const double elapsed = WallMs() - startMs;
  const uint32_t ticks = condvorn::PerformanceClock().TickCount() - startTick;
  std::printf("{\"wait\": \"%s\", \"micros\": %u, \"ms\": %.3f, \"ticks\": %lu, \"result\": %s}\n", wait, micros,
              elapsed, static_cast<unsigned long>(ticks), result ? "true" : "false");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: waitcheck PORT\n");
    return 2;
  }
  condvorn::Clock& clock = condvorn::PerformanceClock();
  for (unsigned micros : {1000u, 10000u, 20500u, 100000u}) {
    const double start = WallMs();
    const uint32_t tick = clock.TickCount();
    clock.Pause(micros);
    Report("pause", micros, start, tick, true);
  }

  condvorn::SerialLink& link = condvorn::ComPortLink();
  condvorn::LinkHandle handle = 0;
  if (link.Open(std::atoi(argv[1]), 0, &handle, nullptr) != 0) {
    std::fprintf(stderr, "waitcheck: cannot open port %s\n", argv[1]);
    return 1;
  }
  // Nothing comes unasked: the wait runs its whole time.
  double start = WallMs();
  uint32_t tick = clock.TickCount();
  Report("silence", 30000, start, tick, link.WaitForInput(handle, 30000));
  // A question: the wait ends with the answer's first bytes, long before its time.
  const char question[] = ";;CH0;?CH;";
  link.Send(handle, question, static_cast<int32_t>(sizeof question - 1));
  start = WallMs();
  tick = clock.TickCount();
  Report("answer", 2000000, start, tick, link.WaitForInput(handle, 2000000));
  link.Close(handle);
  return 0;
}
