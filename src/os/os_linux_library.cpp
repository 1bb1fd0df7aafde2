#include "os/os_linux_library.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace condvorn {
namespace {

constexpr size_t kDevicePathRoom = PATH_MAX;

const char* NonEmptyEnvironment(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

// The setting's environment variable, CONDVORN_ and its name in capitals,
// when it is set; an empty value counts, so that it can cancel the file's.
const char* EnvironmentSetting(const char* name) {
  std::string variable = "CONDVORN_";
  for (const char* c = name; *c != '\0'; ++c) variable += static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
  return std::getenv(variable.c_str());
}

// A whole decimal number that fits in 32 bits, as a registry DWORD would.
std::optional<int32_t> WholeNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  long long number = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || std::isspace(static_cast<unsigned char>(text.front()))) return std::nullopt;
  if (number < INT32_MIN || number > UINT32_MAX) return std::nullopt;
  return static_cast<int32_t>(number);
}

}  // namespace

std::string LibraryConfigStore::FilePath() {
  if (const char* path = NonEmptyEnvironment("CONDVORN_CONFIG")) return path;
  if (const char* config = NonEmptyEnvironment("XDG_CONFIG_HOME")) return std::string(config) + "/condvorn/zelcond.ini";
  if (const char* home = NonEmptyEnvironment("HOME")) return std::string(home) + "/.config/condvorn/zelcond.ini";
  return {};
}

std::optional<std::string> LibraryConfigStore::Setting(const char* name) {
  if (const char* value = EnvironmentSetting(name)) return std::string(value);
  std::string path = FilePath();
  return path.empty() ? std::nullopt : IniEntry(path, name);
}

bool LibraryConfigStore::ReadRegistryDword(const char* name, uint32_t& value) {
  const char* text = EnvironmentSetting(name);
  std::optional<int32_t> number = text ? WholeNumber(text) : std::nullopt;
  if (number) value = static_cast<uint32_t>(*number);
  return number.has_value();
}

bool LibraryConfigStore::WriteRegistryDword(const char*, uint32_t) { return false; }

std::string LibraryConfigStore::ReadIniString(const char* name, const char* fallback, size_t room) {
  std::string text = Setting(name).value_or(fallback);
  if (room > 0 && text.size() > room - 1) text.resize(room - 1);
  return text;
}

int32_t LibraryConfigStore::ReadIniInt(const char* name, int32_t fallback) {
  std::optional<std::string> text = Setting(name);
  return text ? static_cast<int32_t>(std::strtol(text->c_str(), nullptr, 10)) : fallback;
}

int32_t DeviceSerialLink::Open(int32_t port, int32_t mode, LinkHandle* handle, void* scratch40) {
  std::string device = config_.ReadIniString("Device", "", kDevicePathRoom);
  // A port without a device of its own keeps the numbered path.
  link_.SetPortPath(port, device.empty() ? PosixSerialLink().PortPath(port) : device);
  return link_.Open(port, mode, handle, scratch40);
}

std::optional<std::string> LibraryHost::ExecutablePath(size_t) { return std::nullopt; }

Os LinuxLibraryOs() {
  static PosixClock clock;
  static LibraryConfigStore config;
  static PosixLogFile logFile;
  static LibraryHost host;
  static DeviceSerialLink link(PosixLink(), config);
  return Os{&clock, &config, &logFile, &host, &link};
}

}  // namespace condvorn
