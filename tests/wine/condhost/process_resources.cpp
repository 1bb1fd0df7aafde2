#include "process_resources.h"

#include <windows.h>
#include <psapi.h>

namespace condhost {
namespace {

// Handle values are given out lowest first: a process with a few hundred
// handles has them all below this.
constexpr ULONG_PTR kHandleValuesProbed = 0x1000;

// The open handles, counted in the handle table itself.
DWORD CountOpenHandles() {
  DWORD count = 0;
  for (ULONG_PTR value = 4; value < kHandleValuesProbed; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

}  // namespace

// Wine answers GetProcessHandleCount and PrivateUsage with 0: the handles
// are then counted in the table, and the private bytes are the commit
// charge it reports as PagefileUsage (which Windows gives in both fields).
Json ResourcesNow() {
  DWORD handles = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handles);
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  return {{"handles", handles != 0 ? handles : CountOpenHandles()},
          {"privateBytes", memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage}};
}

}  // namespace condhost
