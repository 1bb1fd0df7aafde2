#include "com_port.h"

#include <windows.h>

#include <cctype>
#include <stdexcept>

#include "os/os_win32_serial.h"

namespace vornsim {
namespace {

constexpr int kHighestPort = 256;

// 6 for "COM6" or "com6"; throws for anything else.
int32_t PortNumber(const std::string& name) {
  const std::string prefix = "com";
  bool valid = name.size() > prefix.size() && name.size() <= prefix.size() + 3;
  for (size_t i = 0; valid && i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    valid = i < prefix.size() ? std::tolower(c) == prefix[i] : std::isdigit(c) != 0;
  }
  const int number = valid ? std::stoi(name.substr(prefix.size())) : 0;
  if (number < 1 || number > kHighestPort) {
    throw std::invalid_argument("--port " + name + ": expected a COM port, COM1 to COM" + std::to_string(kHighestPort));
  }
  return number;
}

std::string OpenFailure(const std::string& name, int32_t error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return name + ": no such port (is the null-modem driver installed, or the adapter plugged in?)";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return name + " is in use by another program: close it there, or serve another port";
    default:
      return name + ": cannot open the port (Windows error " + std::to_string(error) + ")";
  }
}

}  // namespace

ComPort::ComPort(const std::string& name) : link_(condvorn::ComPortLink()) {
  const int32_t number = PortNumber(name);
  name_ = "COM" + std::to_string(number);
  const int32_t error = link_.Open(number, 0, &handle_, nullptr);
  if (error != 0) throw std::runtime_error(OpenFailure(name_, error));
  open_ = true;
}

void ComPort::Close() {
  if (open_) link_.Close(handle_);
  open_ = false;
}

}  // namespace vornsim
