// stresshost: a host that treats CONDVorn.dll roughly, for the Wine tests of
// robustness. It loads the library, then runs a script of JSON lines:
//
//   {"call": EXPORT, "args": [...]}   an export with hostile arguments (see
//                                     export_call.h and host_memory.h)
//   {"wait": NAME}                    prints {"waiting": NAME} and waits until
//                                     the file NAME.done appears beside it
//   {"lock": FILE}, {"unlock": FILE}  holds a file beside it open, unshared
//   {"soak": {...}}                   a long run of calls (see soak.h)
//   {"resources": true}               the process's handles and private bytes
//
// One JSON result line per script line goes to OUTPUT; message boxes are
// answered by a watcher thread, which writes {"box": text} before the result
// of the call that showed them. The main thread has a 1 MiB stack, as hosts
// built with Microsoft's tool chain have.
//
//   stresshost SCRIPT OUTPUT
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "box_watcher.h"
#include "export_call.h"
#include "exports.h"
#include "fault_guard.h"
#include "host_window.h"
#include "result_writer.h"
#include "soak.h"

namespace stresshost {
namespace {

using condhost::JsonObject;
using nlohmann::json;

constexpr DWORD kWaitStepMs = 20;
constexpr DWORD kLongestWaitMs = 120000;

std::string BesideHost(const std::string& name) {
  char path[MAX_PATH] = "";
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  const std::string directory(path, length);
  return directory.substr(0, directory.find_last_of('\\') + 1) + name;
}

// Waits until the script's driver has done its part and says so with a file.
bool WaitForFile(const std::string& path) {
  for (DWORD waited = 0; waited < kLongestWaitMs; waited += kWaitStepMs) {
    if (DeleteFileA(path.c_str())) return true;
    Sleep(kWaitStepMs);
  }
  return false;
}

class Script {
 public:
  Script(const condhost::Exports& exports, condhost::ResultWriter& out) : exports_(exports), out_(out) {}
  ~Script() {
    for (auto& [name, file] : locked_) CloseHandle(file);
  }

  void Run(const std::string& text) {
    JsonObject result;
    try {
      const json line = json::parse(text);
      if (line.contains("call")) {
        result = CallExport(exports_, window_, line, lent_);
      } else if (line.contains("wait")) {
        const std::string name = line.at("wait").get<std::string>();
        out_.Write(JsonObject().Add("waiting", name));
        result.Add("waited", name).AddRaw("done", WaitForFile(BesideHost(name + ".done")) ? "true" : "false");
      } else if (line.contains("lock")) {
        const std::string name = line.at("lock").get<std::string>();
        const HANDLE file = CreateFileA(BesideHost(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot lock " + name);
        locked_[name] = file;
        result.Add("locked", name);
      } else if (line.contains("unlock")) {
        const std::string name = line.at("unlock").get<std::string>();
        CloseHandle(locked_.at(name));
        locked_.erase(name);
        result.Add("unlocked", name);
      } else if (line.contains("soak")) {
        result.AddRaw("soak", RunSoak(exports_, line.at("soak")).Text());
      } else if (line.contains("resources")) {
        result.AddRaw("resources", ResourcesNow().Text());
      } else {
        throw std::invalid_argument("unknown command");
      }
    } catch (const std::exception& error) {
      result = JsonObject().Add("line", text).Add("error", error.what());
    }
    out_.Write(result);
  }

 private:
  const condhost::Exports& exports_;
  condhost::ResultWriter& out_;
  condhost::HostWindow window_;
  LentMemory lent_;
  std::map<std::string, HANDLE> locked_;
};

}  // namespace
}  // namespace stresshost

int main(int argc, char** argv) {
  using namespace stresshost;
  if (argc != 3) {
    std::fprintf(stderr, "usage: stresshost SCRIPT OUTPUT\n");
    return 2;
  }
  std::ifstream script(argv[1]);
  condhost::ResultWriter out(argv[2]);
  if (!script || !out.IsOpen()) {
    std::fprintf(stderr, "stresshost: cannot read %s or write %s\n", argv[1], argv[2]);
    return 2;
  }
  const HMODULE library = LoadLibraryA("CONDVorn.dll");
  if (library == nullptr || !InstallFaultGuard(library)) {
    out.Write(JsonObject().Add("error", "cannot load CONDVorn.dll or guard its calls"));
    return 1;
  }
  condhost::BoxWatcher watcher(out);
  if (!watcher.Start()) {
    out.Write(JsonObject().Add("error", "cannot start the message-box watcher"));
    return 1;
  }
  {
    const condhost::Exports exports(library);
    Script session(exports, out);
    for (std::string line; std::getline(script, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) session.Run(line);
    }
  }
  watcher.Stop();
  FreeLibrary(library);
  return 0;
}
