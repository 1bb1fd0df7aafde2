// condhost: a console host that loads CONDVorn.dll and drives its exports
// from a script, for end-to-end tests under Wine.
//
//   condhost SCRIPT OUTPUT
//
// Results go to the OUTPUT file, one JSON object per line (see
// script_session.h); message boxes are answered by a watcher thread.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "beep_counter.h"
#include "box_watcher.h"
#include "exports.h"
#include "result_writer.h"
#include "script_session.h"

int main(int argc, char** argv) {
  using namespace condhost;
  if (argc != 3) {
    std::fprintf(stderr, "usage: condhost SCRIPT OUTPUT\n");
    return 2;
  }
  std::ifstream script(argv[1]);
  ResultWriter out(argv[2]);
  if (!script || !out.IsOpen()) {
    std::fprintf(stderr, "condhost: cannot read %s or write %s\n", argv[1], argv[2]);
    return 2;
  }
  HMODULE library = LoadLibraryA("CONDVorn.dll");
  if (library == nullptr) {
    out.Write(JsonObject().Add("error", "cannot load CONDVorn.dll").Add("code", static_cast<long long>(GetLastError())));
    return 1;
  }
  if (!CountBeepsOf(library)) {
    out.Write(JsonObject().Add("error", "cannot count the library's beeps"));
    return 1;
  }
  BoxWatcher watcher(out);
  if (!watcher.Start()) {
    out.Write(JsonObject().Add("error", "cannot start the message-box watcher"));
    return 1;
  }
  {
    std::vector<std::string> lines;
    for (std::string line; std::getline(script, line);) lines.push_back(line);
    Exports exports(library);
    ScriptSession session(exports, out);
    session.RunScript(lines);
  }
  watcher.Stop();
  FreeLibrary(library);
  return 0;
}
