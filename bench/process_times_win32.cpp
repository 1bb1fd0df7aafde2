#include <windows.h>

#include "steps.h"

namespace bench {
namespace {

double Ms(const FILETIME& time) {
  ULARGE_INTEGER value;
  value.LowPart = time.dwLowDateTime;
  value.HighPart = time.dwHighDateTime;
  return static_cast<double>(value.QuadPart) / 10000.0;  // 100 ns units
}

}  // namespace

ProcessTimes ProcessTimesNow() {
  LARGE_INTEGER count;
  LARGE_INTEGER frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  FILETIME created;
  FILETIME exited;
  FILETIME kernel{};
  FILETIME user{};
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  return ProcessTimes{static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart),
                      Ms(kernel) + Ms(user)};
}

}  // namespace bench
