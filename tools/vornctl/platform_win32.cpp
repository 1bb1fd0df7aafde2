#include <io.h>
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "exit_codes.h"
#include "platform.h"

namespace vornctl {

// "COM3", "com3" or "3" give 3; the link opens \\.\COMn.
int32_t PreparePort(const std::string& name) {
  std::string digits = name;
  if (digits.size() > 3 && _strnicmp(digits.c_str(), "COM", 3) == 0) digits = digits.substr(3);
  bool numeric = !digits.empty() && digits.size() <= 3;
  for (char c : digits) numeric = numeric && std::isdigit(static_cast<unsigned char>(c));
  int32_t number = numeric ? std::stoi(digits) : 0;
  if (number < 1 || number > 256) {
    throw CommandError(ExitCode::kUsage, "--port " + name + ": expected a COM port such as COM3 (COM1 to COM256)");
  }
  return number;
}

std::string PortKey(const std::string& name) { return "COM" + std::to_string(PreparePort(name)); }

// As a verbatim path ("\\?\C:\..."): a port's settings file is named after
// the port, and Windows takes "COM5.json" in an ordinary path for the
// device COM5, so that writing it would send the file down the serial line.
std::optional<std::filesystem::path> StateDirectory() {
  const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
  if (local == nullptr || *local == L'\0') return std::nullopt;
  return std::filesystem::path(L"\\\\?\\" + std::wstring(local)) / "condvorn";
}

std::string SystemErrorText(int32_t code) {
  char text[512] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
  // The system's texts end with a full stop and a line break.
  while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == '.')) {
    text[--length] = '\0';
  }
  return length > 0 ? std::string(text, length) : "system error " + std::to_string(code);
}

bool StdoutIsTerminal() { return _isatty(_fileno(stdout)) != 0; }

}  // namespace vornctl
