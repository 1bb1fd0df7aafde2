// The services of the Linux shared library libcondvorn.so. It has no
// registry: its settings come from environment variables and a file, read
// afresh by every InitCond; its log lies in the current directory; and its
// serial link may be pointed at any tty device.
#pragma once

#include <optional>
#include <string>

#include "os/os.h"
#include "os/os_posix.h"

namespace condvorn {

// Each setting NAME ("Port", "Dump", "First", "Last", "Device") comes from
// the environment variable CONDVORN_<NAME in capitals> when it is set (an
// empty value too, which cancels the file's entry), else from the entry NAME
// in section [General] of the configuration file, else from its default. An
// environment value that is a whole decimal number stands for a registry
// value (CONDVORN_PORT=5 is port 5); any other text reads as the file's text
// would (COM5, None).
class LibraryConfigStore : public ConfigStore {
 public:
  bool ReadRegistryDword(const char* name, uint32_t& value) override;
  // Nothing is stored: the next InitCond reads the settings again.
  bool WriteRegistryDword(const char* name, uint32_t value) override;
  std::string ReadIniString(const char* name, const char* fallback, size_t room) override;
  int32_t ReadIniInt(const char* name, int32_t fallback) override;

  // $CONDVORN_CONFIG; else zelcond.ini in condvorn/ under $XDG_CONFIG_HOME,
  // or under $HOME/.config; empty when none of these is set.
  static std::string FilePath();

 private:
  static std::optional<std::string> Setting(const char* name);
};

// Port n opens the device of the "Device" setting when one is given, and
// otherwise /dev/ttyS<n-1> (COM1 is /dev/ttyS0).
class DeviceSerialLink : public SerialLink {
 public:
  DeviceSerialLink(PosixSerialLink& link, ConfigStore& config) : link_(link), config_(config) {}

  int32_t Open(int32_t port, int32_t mode, LinkHandle* handle, void* scratch40) override;
  void Close(LinkHandle handle) override { link_.Close(handle); }
  int32_t Send(LinkHandle handle, const char* text, int32_t length) override {
    return link_.Send(handle, text, length);
  }
  int32_t GetChar(LinkHandle handle) override { return link_.GetChar(handle); }
  int32_t CharCount(LinkHandle handle) override { return link_.CharCount(handle); }
  void FlushInput(LinkHandle handle) override { link_.FlushInput(handle); }
  int32_t OutputQueueCount(LinkHandle handle) override { return link_.OutputQueueCount(handle); }
  bool WaitForInput(LinkHandle handle, uint32_t micros) override {
    return link_.WaitForInput(handle, micros);
  }

 private:
  PosixSerialLink& link_;
  ConfigStore& config_;
};

// The library keeps no file beside the host program on Linux (a program's
// directory there, such as /usr/bin, is seldom writable): it reports no
// program path, so ZELCOND.LOG is written in the current directory.
class LibraryHost : public PosixHost {
 public:
  std::optional<std::string> ExecutablePath(size_t room) override;
};

// The set that libcondvorn.so installs when it is loaded.
Os LinuxLibraryOs();

}  // namespace condvorn
