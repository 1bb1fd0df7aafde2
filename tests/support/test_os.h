// Test services: a virtual clock, in-memory registry and INI, a captured log
// file and captured message boxes. Time runs only when the code under test
// polls, so a 1000 ms time-out costs no real time and every run is the same.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "os/os.h"

namespace condvorn::testing {

class VirtualClock : public Clock {
 public:
  // Every poll of the clock (or of the line) lets this much time pass.
  static constexpr uint64_t kPollCostMicros = 10;

  uint32_t TickCount() override;
  void Poll() { micros_ += kPollCostMicros; }
  void Advance(uint64_t micros) { micros_ += micros; }
  uint64_t NowMicros() const { return micros_; }
  double NowMs() const { return static_cast<double>(micros_) / 1000.0; }
  // The tick counter reads `tick` now (to test the wrap at 2^32).
  void SetTickOrigin(uint32_t tick);

 private:
  uint64_t micros_ = 0;
  uint32_t tickOrigin_ = 0;
};

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
  int creates = 0;
};

class CapturingHost : public Host {
 public:
  std::optional<std::string> ExecutablePath(size_t room) override;
  void ShowMessage(const std::string& text) override { messages.push_back(text); }

  std::optional<std::string> executablePath = std::string("C:\\Lab\\host.exe");
  std::vector<std::string> messages;
};

}  // namespace condvorn::testing
