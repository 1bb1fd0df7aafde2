#include "test_os.h"

#include <cstdlib>

namespace condvorn::testing {

bool MemoryConfigStore::ReadRegistryDword(const char* name, uint32_t& value) {
  auto it = registry.find(name);
  if (it == registry.end() || !it->second.isDword) return false;
  value = it->second.dword;
  return true;
}

bool MemoryConfigStore::WriteRegistryDword(const char* name, uint32_t value) {
  registry[name] = RegistryValue{true, value, {}};
  return true;
}

std::string MemoryConfigStore::ReadIniString(const char* name, const char* fallback, size_t room) {
  ++iniReads;
  auto it = ini.find(name);
  std::string text = it != ini.end() ? it->second : fallback;
  if (room > 0 && text.size() > room - 1) text.resize(room - 1);
  return text;
}

int32_t MemoryConfigStore::ReadIniInt(const char* name, int32_t fallback) {
  ++iniReads;
  auto it = ini.find(name);
  return it != ini.end() ? static_cast<int32_t>(std::strtol(it->second.c_str(), nullptr, 10)) : fallback;
}

bool MemoryLogFile::Create(const std::string& path) {
  if (unwritable.count(path)) return false;
  files[path].clear();
  return true;
}

bool MemoryLogFile::Append(const std::string& path, const std::string& bytes) {
  if (unwritable.count(path)) return false;
  files[path] += bytes;
  return true;
}

std::vector<std::string> MemoryLogFile::Lines(const std::string& path) const {
  std::vector<std::string> lines;
  auto it = files.find(path);
  if (it == files.end()) return lines;
  const std::string& text = it->second;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

std::optional<std::string> CapturingHost::ExecutablePath(size_t room) {
  if (!executablePath || executablePath->size() >= room) return std::nullopt;
  return executablePath;
}

}  // namespace condvorn::testing
