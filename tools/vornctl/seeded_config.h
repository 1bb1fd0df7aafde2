// The library's configuration as vornctl gives it: an in-memory registry
// seeded from the command line, so the user's real registry and
// initialisation file are never read or written.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "os/os.h"

namespace vornctl {

class SeededConfig : public condvorn::ConfigStore {
 public:
  SeededConfig(int32_t port, bool dump, int32_t first, int32_t last);

  bool ReadRegistryDword(const char* name, uint32_t& value) override;
  bool WriteRegistryDword(const char* name, uint32_t value) override;
  // There is no initialisation file: every entry reads as its fallback.
  std::string ReadIniString(const char* name, const char* fallback, size_t room) override;
  int32_t ReadIniInt(const char* name, int32_t fallback) override;

 private:
  std::map<std::string, uint32_t> registry_;
};

}  // namespace vornctl
