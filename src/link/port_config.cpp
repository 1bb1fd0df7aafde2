#include "link/port_config.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "os/os.h"

namespace condvorn {
namespace {

constexpr size_t kPortTextRoom = 40;

bool EqualsIgnoringCase(const std::string& text, const char* word) {
  size_t n = std::strlen(word);
  if (text.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(word[i])))
      return false;
  }
  return true;
}

// "None" (any case) disables serial access; otherwise the number after the
// first three characters ("COM7" gives 7), kept within 1 to 256.
int32_t PortFromText(const std::string& text) {
  if (EqualsIgnoringCase(text, "None")) return -1;
  if (text.size() <= 3) return 1;
  long port = std::strtol(text.c_str() + 3, nullptr, 10);
  return (port < 1 || port > 256) ? 1 : static_cast<int32_t>(port);
}

}  // namespace

int32_t ReadConfigValue(const char* name, int32_t fallback) {
  ConfigStore& config = *CurrentOs().config;
  uint32_t stored = 0;
  if (config.ReadRegistryDword(name, stored)) return static_cast<int32_t>(stored);

  int32_t value = std::strcmp(name, "Port") == 0
                      ? PortFromText(config.ReadIniString(name, "COM1", kPortTextRoom))
                      : config.ReadIniInt(name, fallback);
  WriteConfigValue(name, value);
  return value;
}

bool WriteConfigValue(const char* name, int32_t value) {
  return CurrentOs().config->WriteRegistryDword(name, static_cast<uint32_t>(value));
}

}  // namespace condvorn
