// Test services: in-memory registry and INI, a captured log file and
// captured message boxes, beside the simulator's virtual clock and line.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "in_process_line.h"
#include "os/os.h"

namespace condvorn::testing {

// The virtual clock and the in-process line come with the simulator.
using vornsim::SimLink;
using vornsim::VirtualClock;

class MemoryConfigStore : public ConfigStore {
 public:
  struct RegistryValue {
    bool isDword = true;     // false: a value of another type (a text)
    uint32_t dword = 0;
    std::string text;
  };

  bool ReadRegistryDword(const char* name, uint32_t& value) override;
  bool WriteRegistryDword(const char* name, uint32_t value) override;
  std::string ReadIniString(const char* name, const char* fallback, size_t room) override;
  int32_t ReadIniInt(const char* name, int32_t fallback) override;

  std::map<std::string, RegistryValue> registry;
  std::map<std::string, std::string> ini;  // section "General"
  int iniReads = 0;
};

class MemoryLogFile : public LogFile {
 public:
  bool Create(const std::string& path) override;
  bool Append(const std::string& path, const std::string& bytes) override;

  // The lines of a file, without their "\r\n".
  std::vector<std::string> Lines(const std::string& path) const;

  std::map<std::string, std::string> files;
  std::set<std::string> unwritable;  // paths that cannot be opened
};

class CapturingHost : public Host {
 public:
  std::optional<std::string> ExecutablePath(size_t room) override;
  void ShowMessage(const std::string& text) override { messages.push_back(text); }

  std::optional<std::string> executablePath = std::string("C:\\Lab\\host.exe");
  std::vector<std::string> messages;
};

}  // namespace condvorn::testing
