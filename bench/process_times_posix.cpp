#include <sys/resource.h>
#include <time.h>

#include "steps.h"

namespace bench {
namespace {

double Ms(const timeval& time) { return time.tv_sec * 1000.0 + time.tv_usec / 1000.0; }

}  // namespace

ProcessTimes ProcessTimesNow() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return ProcessTimes{now.tv_sec * 1000.0 + now.tv_nsec / 1e6, Ms(usage.ru_utime) + Ms(usage.ru_stime)};
}

}  // namespace bench
