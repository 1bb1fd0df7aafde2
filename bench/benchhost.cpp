// benchhost: loads CONDVorn.dll as a host does and times steps (see
// steps.h) over a COM port, for the benchmark's runs under Wine.
//
//   benchhost OUTPUT PORT FIRST LAST STEP...
//
// Sets the library's Port, First and Last settings (logging off), then
// writes one JSON line per step to OUTPUT.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>

#include "steps.h"

namespace {

constexpr const char* kSettingsKey = "Software\\ZEL\\ZELCond\\Vorn";
// Between steps, long enough for the line to carry what the last one left
// in the output queue, so that each step starts on an idle line.
constexpr DWORD kIdleMs = 250;

bool SetSetting(const char* name, DWORD value) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  const bool stored =
      RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) == ERROR_SUCCESS;
  RegCloseKey(key);
  return stored;
}

template <typename Function>
Function* Find(HMODULE library, const char* name) {
  Function* function = reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  if (function == nullptr) throw std::runtime_error(std::string("CONDVorn.dll has no export ") + name);
  return function;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: benchhost OUTPUT PORT FIRST LAST STEP...\n");
    return 2;
  }
  std::ofstream out(argv[1]);
  if (!out || !SetSetting("Port", std::atoi(argv[2])) || !SetSetting("First", std::atoi(argv[3])) ||
      !SetSetting("Last", std::atoi(argv[4])) || !SetSetting("Dump", 0)) {
    std::fprintf(stderr, "benchhost: cannot write %s or the library's settings\n", argv[1]);
    return 1;
  }
  HMODULE library = LoadLibraryA("CONDVorn.dll");
  if (library == nullptr) {
    std::fprintf(stderr, "benchhost: cannot load CONDVorn.dll (error %lu)\n", GetLastError());
    return 1;
  }
  try {
    const bench::Exports exports{Find<decltype(InitCond)>(library, "InitCond"),
                                 Find<decltype(SetCondChan)>(library, "SetCondChan"),
                                 Find<decltype(CondGainChange)>(library, "CondGainChange"),
                                 Find<decltype(GetCondInfo2)>(library, "GetCondInfo2"),
                                 Find<decltype(CondOnChan)>(library, "CondOnChan")};
    for (int i = 5; i < argc; ++i) {
      Sleep(kIdleMs);
      out << bench::StepJson(bench::RunStep(exports, argv[i])) << std::endl;
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "benchhost: %s\n", error.what());
    return 2;
  }
  Find<decltype(KillCond)>(library, "KillCond")();
  return 0;
}
