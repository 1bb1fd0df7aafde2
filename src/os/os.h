// The narrow seam between the device logic and the operating system.
//
// The device logic (api/, link/, channel/) reaches the machine only through
// the five services below. Each has a Win32 implementation (os_win32.cpp), a
// POSIX one for native builds (os_posix.cpp) and a test one with a virtual
// clock and in-memory stores (tests/support/test_os.h). Whoever starts the
// library installs a set with InstallOs(); the Win32 DLL does so when loaded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace condvorn {

// The millisecond tick counter, accurate to 1 ms, and pauses on it. Ticks
// wrap at 2^32; callers compare them with unsigned arithmetic only.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t TickCount() = 0;
  // Blocks the calling thread for at least `micros` microseconds, and not
  // much longer, without spinning and without handling window messages.
  virtual void Pause(uint32_t micros) = 0;
};

// Where the four integer settings live: registry DWORD values under
// "Software\ZEL\ZELCond\Vorn" (current user) and section "General" of
// "zelcond.ini".
class ConfigStore {
 public:
  virtual ~ConfigStore() = default;
  // True only when the value exists, is a DWORD and is 4 bytes long.
  virtual bool ReadRegistryDword(const char* name, uint32_t& value) = 0;
  // Creates the key if needed; true when the value was stored.
  virtual bool WriteRegistryDword(const char* name, uint32_t value) = 0;
  // The text of an INI entry, at most room - 1 characters, or the fallback.
  virtual std::string ReadIniString(const char* name, const char* fallback, size_t room) = 0;
  // The integer of an INI entry, or the fallback when it is missing.
  virtual int32_t ReadIniInt(const char* name, int32_t fallback) = 0;
};

// The diagnostic log file, opened and closed for every operation.
class LogFile {
 public:
  virtual ~LogFile() = default;
  // Create or truncate the file (write access, no sharing) and close it.
  virtual bool Create(const std::string& path) = 0;
  // Open (creating if absent, no sharing), append the bytes, close.
  // False when the file could not be opened or written.
  virtual bool Append(const std::string& path, const std::string& bytes) = 0;
};

// The host process the library lives in.
class Host {
 public:
  virtual ~Host() = default;
  // Full path of the host process's executable (not of the library), or
  // nothing when it cannot be had or would not fit in `room` characters
  // including the terminating NUL.
  virtual std::optional<std::string> ExecutablePath(size_t room) = 0;
  // A message box with an OK button only; returns when the user closes it.
  virtual void ShowMessage(const std::string& text) = 0;
};

// The serial-comms library: six operations on a port handle, plus the
// number of bytes still waiting in the output queue. Results follow the
// LINKIO conventions documented in link/linkio.h.
using LinkHandle = intptr_t;

class SerialLink {
 public:
  virtual ~SerialLink() = default;
  virtual int32_t Open(int32_t port, int32_t mode, LinkHandle* handle, void* scratch40) = 0;
  virtual void Close(LinkHandle handle) = 0;
  virtual int32_t Send(LinkHandle handle, const char* text, int32_t length) = 0;
  virtual int32_t GetChar(LinkHandle handle) = 0;
  virtual int32_t CharCount(LinkHandle handle) = 0;
  virtual void FlushInput(LinkHandle handle) = 0;
  // Bytes not yet transmitted, or a negative value when the query failed.
  virtual int32_t OutputQueueCount(LinkHandle handle) = 0;
  // Blocks the calling thread until a received byte waits to be read or at
  // least `micros` microseconds have passed, without spinning and without
  // handling window messages. True when input waits; a line that can no
  // longer deliver anything waits out the time and gives false.
  virtual bool WaitForInput(LinkHandle handle, uint32_t micros) = 0;
};

// The set of services in use. Every pointer is non-null once installed.
struct Os {
  Clock* clock = nullptr;
  ConfigStore* config = nullptr;
  LogFile* logFile = nullptr;
  Host* host = nullptr;
  SerialLink* link = nullptr;
};

// Replaces the services in use; returns the previous set.
Os InstallOs(const Os& os);
// The services in use.
const Os& CurrentOs();

// The native platform's services (Win32 in the DLL, POSIX elsewhere).
Os PlatformOs();

}  // namespace condvorn
