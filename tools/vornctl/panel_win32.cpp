#include <windows.h>

#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "exit_codes.h"
#include "host_record.h"
#include "panel.h"
#include "platform.h"

namespace vornctl {
namespace {

constexpr const char* kLibraryName = "CONDVorn.dll";
constexpr const char* kSettingsKey = "Software\\ZEL\\ZELCond\\Vorn";

// One of the library's configuration values, set for this run and put back
// as it was (or removed) afterwards.
class ConfigOverride {
 public:
  ConfigOverride(const char* name, DWORD value) : name_(name) {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                        &key_, nullptr) != ERROR_SUCCESS) {
      throw CommandError(ExitCode::kInternal, std::string("cannot set the library's ") + name + " for this run");
    }
    DWORD type = 0;
    DWORD previous = 0;
    DWORD size = sizeof previous;
    if (RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&previous), &size) == ERROR_SUCCESS &&
        type == REG_DWORD) {
      previous_ = previous;
    }
    RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  }
  ~ConfigOverride() {
    if (previous_) {
      RegSetValueExA(key_, name_, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*previous_), sizeof *previous_);
    } else {
      RegDeleteValueA(key_, name_);
    }
    RegCloseKey(key_);
  }
  ConfigOverride(const ConfigOverride&) = delete;
  ConfigOverride& operator=(const ConfigOverride&) = delete;

 private:
  const char* name_;
  HKEY key_ = nullptr;
  std::optional<DWORD> previous_;
};

// CONDVorn.dll from vornctl.exe's own directory (where the release package
// puts it), else from the system's search path.
HMODULE LoadLibraryBesideProgram() {
  char path[MAX_PATH] = "";
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string directory(path, length);
  directory = directory.substr(0, directory.find_last_of("\\/:") + 1);
  HMODULE library = LoadLibraryA((directory + kLibraryName).c_str());
  return library != nullptr ? library : LoadLibraryA(kLibraryName);
}

class Library {
 public:
  Library() : module_(LoadLibraryBesideProgram()) {
    if (module_ == nullptr) {
      throw CommandError(ExitCode::kInternal,
                         std::string("cannot load ") + kLibraryName + ": it belongs beside vornctl.exe");
    }
  }
  ~Library() { FreeLibrary(module_); }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  template <typename Fn>
  Fn* Export(const char* name) const {
    auto* function = reinterpret_cast<Fn*>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    if (function == nullptr) {
      throw CommandError(ExitCode::kInternal, std::string(kLibraryName) + " has no export " + name);
    }
    return function;
  }

 private:
  HMODULE module_;
};

// vornctl has no ADC: its display has no samples, and says so.
int32_t WINAPI NoSamples(int16_t*, int32_t, int32_t) { return 0; }

}  // namespace

int RunPanel(const Options& options) {
  if (options.sim) throw CommandError(ExitCode::kUsage, "panel runs on a serial port only; leave out --sim");
  if (options.port && options.panelPort) throw CommandError(ExitCode::kUsage, "give the panel's port once");
  const std::optional<std::string> port = options.panelPort ? options.panelPort : options.port;
  const Library library;
  std::vector<std::unique_ptr<ConfigOverride>> overrides;
  if (port) overrides.push_back(std::make_unique<ConfigOverride>("Port", PreparePort(*port)));
  if (options.probeRangeGiven) {
    overrides.push_back(std::make_unique<ConfigOverride>("First", options.first));
    overrides.push_back(std::make_unique<ConfigOverride>("Last", options.last));
  }

  const int32_t started = library.Export<decltype(InitCond)>("InitCond")(1);
  auto* killCond = library.Export<decltype(KillCond)>("KillCond");
  if (started == COND_ERR_NO_LINK) {
    killCond();
    throw CommandError(ExitCode::kPortFailed,
                       "the library cannot open its serial port" + (port ? " " + *port : std::string()));
  }
  library.Export<decltype(SetADCRange)>("SetADCRange")(options.adcRange);

  // One record per port up to the last channel found, in volts at the ADC
  // unless the command line says otherwise.
  auto* condOnChan = library.Export<decltype(CondOnChan)>("CondOnChan");
  std::vector<ChanSettings> records;
  for (int32_t number = 0; number < COND_PORT_COUNT; ++number) {
    ChanSettings record = HostRecordFor(options);
    record.inUse = condOnChan(number, 0) == 1 ? 1 : 0;
    records.push_back(record);
  }
  while (!records.empty() && records.back().inUse == 0) records.pop_back();
  if (records.empty()) {
    killCond();
    throw CommandError(ExitCode::kNoChannels, "no conditioner channel answered on the library's port");
  }

  const std::vector<ChanSettings> before = records;
  const int32_t changed = library.Export<decltype(DoCondMenu)>("DoCondMenu")(
      records.data(), static_cast<int32_t>(records.size()), NoSamples, COND_MENU_DEFERRED_APPLY, nullptr);
  for (size_t number = 0; number < records.size(); ++number) {
    if (changed == 0 || records[number].changed == 0) continue;
    std::cout << "channel " << number << ":\n";
    PrintRecordComparison(std::cout, before[number], records[number]);
  }
  if (changed == 0) std::cout << "nothing changed\n";
  killCond();
  return static_cast<int>(ExitCode::kOk);
}

}  // namespace vornctl
