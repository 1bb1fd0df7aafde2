// The Win32 services: the current user's registry and the profile
// functions, the log file and the host process; with the tick counter
// (os_win32_timing) and our own serial link on a COM port (os_win32_serial).
#include <windows.h>

#include <vector>

#include "os/os.h"
#include "os/os_win32_serial.h"
#include "os/os_win32_timing.h"

namespace condvorn {
namespace {

constexpr const char* kRegistryKey = "Software\\ZEL\\ZELCond\\Vorn";
constexpr const char* kIniFile = "zelcond.ini";  // bare name: the Windows directory
constexpr const char* kIniSection = "General";

class Win32ConfigStore : public ConfigStore {
 public:
  bool ReadRegistryDword(const char* name, uint32_t& value) override {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRegistryKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
      return false;
    }
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    // A longer value fails with ERROR_MORE_DATA; a shorter one shows in size.
    LONG queried = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    RegCloseKey(key);
    if (queried != ERROR_SUCCESS || type != REG_DWORD || size != sizeof data) return false;
    value = data;
    return true;
  }

  bool WriteRegistryDword(const char* name, uint32_t value) override {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kRegistryKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
      return false;
    }
    DWORD data = value;
    LONG stored = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    RegCloseKey(key);
    return stored == ERROR_SUCCESS;
  }

  std::string ReadIniString(const char* name, const char* fallback, size_t room) override {
    if (room == 0) return {};
    std::vector<char> text(room, '\0');
    GetPrivateProfileStringA(kIniSection, name, fallback, text.data(), static_cast<DWORD>(room), kIniFile);
    return text.data();
  }

  int32_t ReadIniInt(const char* name, int32_t fallback) override {
    return static_cast<int32_t>(GetPrivateProfileIntA(kIniSection, name, fallback, kIniFile));
  }
};

class Win32LogFile : public LogFile {
 public:
  bool Create(const std::string& path) override {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
  }

  bool Append(const std::string& path, const std::string& bytes) override {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = SetFilePointer(file, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
              WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    CloseHandle(file);
    return ok;
  }
};

class Win32Host : public Host {
 public:
  std::optional<std::string> ExecutablePath(size_t room) override {
    if (room == 0) return std::nullopt;
    std::vector<char> path(room, '\0');
    // A path that fills the buffer has been cut: no path at all.
    DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(room));
    if (length == 0 || length >= room) return std::nullopt;
    return std::string(path.data(), length);
  }

  // Captioned with the library's own name, as an application object with no
  // title of its own captions its boxes.
  void ShowMessage(const std::string& text) override { MessageBoxA(nullptr, text.c_str(), "CONDVorn", MB_OK); }
};

}  // namespace

Os PlatformOs() {
  static Win32ConfigStore config;
  static Win32LogFile logFile;
  static Win32Host host;
  return Os{&PerformanceClock(), &config, &logFile, &host, &ComPortLink()};
}

}  // namespace condvorn
