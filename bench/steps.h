// The exchanges the benchmark times, named as steps on its hosts' command
// lines:
//   init             InitCond(1): discovery over the configured First..Last
//   info:PORT        GetCondInfo2 (the first one on a port reads its capabilities)
//   setchan:PORT     SetCondChan with the port's record
//   gainchange:PORT  CondGainChange up, with the port's record
// Each host reaches the exports its own way (linked in, or from the DLL) and
// measures each call's wall and processor time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "condvorn.h"

namespace bench {

struct Exports {
  int32_t(WINAPI* initCond)(int32_t reset);
  int32_t(WINAPI* setCondChan)(int32_t port, ChanSettings* settings);
  int32_t(WINAPI* condGainChange)(int32_t up, int32_t port, ChanSettings* settings);
  int32_t(WINAPI* getCondInfo2)(int32_t port, CondInfo* info);
  int32_t(WINAPI* condOnChan)(int32_t port, int32_t report);
};

// The process's wall clock and the processor time of all its threads.
struct ProcessTimes {
  double wallMs;
  double cpuMs;
};
ProcessTimes ProcessTimesNow();  // one implementation per platform

struct StepResult {
  std::string step;
  int32_t result;
  double wallMs;
  double cpuMs;
};

// Runs one step; throws std::invalid_argument for one it does not know, and
// std::runtime_error for a setting step on a port without a usable channel
// (the library would show a message box and wait for the user).
StepResult RunStep(const Exports& exports, const std::string& step);

// A step result as one line of JSON.
std::string StepJson(const StepResult& result);

}  // namespace bench
