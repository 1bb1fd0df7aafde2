// condhost: a console host that loads CONDVorn.dll and drives its exports
// from a script, for end-to-end tests under Wine: the calls of a careful
// host and of a careless one (hostile arguments in guarded memory, faults
// caught per call), the control panel worked as a user would, and long runs.
//
//   condhost [--load-stack KIB] SCRIPT OUTPUT
//
// Results go to the OUTPUT file, one JSON object per line (see
// script_session.h); message boxes are answered by a watcher thread, which
// writes them before the result of the command that showed them. The host's
// main thread has a 1 MiB stack, as hosts built with Microsoft's tool chain
// do; with --load-stack the library is loaded on a thread created with a
// stack of that many KiB instead, and the script runs on the main thread.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "beep_counter.h"
#include "box_watcher.h"
#include "fault_guard.h"
#include "result_writer.h"
#include "script_session.h"

namespace {

DWORD WINAPI LoadLibraryThread(LPVOID library) {
  *static_cast<HMODULE*>(library) = LoadLibraryA("CONDVorn.dll");
  return 0;
}

// Loads the library on a thread of its own with `stackBytes` reserved for
// its stack, or on this thread when that is 0.
HMODULE LoadLibraryWithStack(SIZE_T stackBytes) {
  HMODULE library = nullptr;
  if (stackBytes == 0) {
    LoadLibraryThread(&library);
  } else if (HANDLE thread = CreateThread(nullptr, stackBytes, LoadLibraryThread, &library,
                                          STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr)) {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }
  return library;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace condhost;
  SIZE_T loadStackBytes = 0;
  if (argc == 5 && std::strcmp(argv[1], "--load-stack") == 0) {
    loadStackBytes = std::strtoul(argv[2], nullptr, 10) * 1024;
    argv += 2;
    argc -= 2;
  }
  if (argc != 3) {
    std::fprintf(stderr, "usage: condhost [--load-stack KIB] SCRIPT OUTPUT\n");
    return 2;
  }
  std::ifstream script(argv[1]);
  ResultWriter out(argv[2]);
  if (!script || !out.IsOpen()) {
    std::fprintf(stderr, "condhost: cannot read %s or write %s\n", argv[1], argv[2]);
    return 2;
  }
  const HMODULE library = LoadLibraryWithStack(loadStackBytes);
  if (library == nullptr || !CountBeepsOf(library) || !InstallFaultGuard(library) || !StartBoxWatcher(out)) {
    out.Write(Json{{"error", "cannot load CONDVorn.dll, count its beeps, guard its calls or watch for boxes"}});
    return 1;
  }
  std::vector<std::string> lines;
  for (std::string line; std::getline(script, line);) lines.push_back(line);
  ScriptSession(library, out).RunScript(lines);
  StopBoxWatcher();
  FreeLibrary(library);
  return 0;
}
