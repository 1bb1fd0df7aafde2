// The POSIX services for native builds: a monotonic clock, settings held in
// memory (seeded from an INI file), the log file, and a tty serial link.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "os/os.h"

namespace condvorn {

// CLOCK_MONOTONIC in milliseconds; pauses sleep until an absolute time on
// it, so they neither end early nor drift.
class PosixClock : public Clock {
 public:
  uint32_t TickCount() override;
  void Pause(uint32_t micros) override;
};

// The registry lives in memory for the life of the process; the INI file is
// read from `iniPath` (default "zelcond.ini" in the current directory).
class PosixConfigStore : public ConfigStore {
 public:
  bool ReadRegistryDword(const char* name, uint32_t& value) override;
  bool WriteRegistryDword(const char* name, uint32_t value) override;
  std::string ReadIniString(const char* name, const char* fallback, size_t room) override;
  int32_t ReadIniInt(const char* name, int32_t fallback) override;

  std::string iniPath = "zelcond.ini";
  std::map<std::string, uint32_t> registry;
};

// The value of `name` in section [General] of an INI file, if present.
std::optional<std::string> IniEntry(const std::string& path, const char* name);

class PosixLogFile : public LogFile {
 public:
  bool Create(const std::string& path) override;
  bool Append(const std::string& path, const std::string& bytes) override;
};

// The executable's path from /proc; messages go to standard error.
class PosixHost : public Host {
 public:
  std::optional<std::string> ExecutablePath(size_t room) override;
  void ShowMessage(const std::string& text) override;
};

// A tty in raw mode, 9600 baud, 8 data bits, no parity, 1 stop bit, no flow
// control, in low-latency mode where the driver offers it (USB adapters
// otherwise hold received bytes for up to 16 ms). Port n opens the path
// given with SetPortPath, or /dev/ttyS<n-1>. Open returns errno on failure;
// a read error gives -2 - errno. Input waits poll the descriptor. Opening a
// port that is still open lets go of the earlier descriptor; a send that
// the line does not take within half a second fails with ETIMEDOUT.
class PosixSerialLink : public SerialLink {
 public:
  int32_t Open(int32_t port, int32_t mode, LinkHandle* handle, void* scratch40) override;
  void Close(LinkHandle handle) override;
  int32_t Send(LinkHandle handle, const char* text, int32_t length) override;
  int32_t GetChar(LinkHandle handle) override;
  int32_t CharCount(LinkHandle handle) override;
  void FlushInput(LinkHandle handle) override;
  int32_t OutputQueueCount(LinkHandle handle) override;
  bool WaitForInput(LinkHandle handle, uint32_t micros) override;

  void SetPortPath(int32_t port, const std::string& path) { portPaths_[port] = path; }
  std::string PortPath(int32_t port) const;

 private:
  std::map<int32_t, std::string> portPaths_;
  std::map<int32_t, int> openPorts_;  // port number -> descriptor
};

// The process-wide POSIX services, as PlatformOs() installs them.
PosixConfigStore& PosixConfig();
PosixSerialLink& PosixLink();

}  // namespace condvorn
