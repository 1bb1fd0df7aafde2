#include "seeded_config.h"

namespace vornctl {

SeededConfig::SeededConfig(int32_t port, bool dump, int32_t first, int32_t last)
    : registry_{{"Port", static_cast<uint32_t>(port)},
                {"Dump", dump ? 1u : 0u},
                {"First", static_cast<uint32_t>(first)},
                {"Last", static_cast<uint32_t>(last)}} {}

bool SeededConfig::ReadRegistryDword(const char* name, uint32_t& value) {
  auto it = registry_.find(name);
  if (it == registry_.end()) return false;
  value = it->second;
  return true;
}

bool SeededConfig::WriteRegistryDword(const char* name, uint32_t value) {
  registry_[name] = value;
  return true;
}

std::string SeededConfig::ReadIniString(const char*, const char* fallback, size_t room) {
  std::string text = fallback;
  if (room > 0 && text.size() > room - 1) text.resize(room - 1);
  return text;
}

int32_t SeededConfig::ReadIniInt(const char*, int32_t fallback) { return fallback; }

}  // namespace vornctl
