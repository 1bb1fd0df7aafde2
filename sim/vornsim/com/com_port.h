// The COM port that vornsim serves, opened through the library's own Win32
// serial link: 9600 baud, 8 data bits, no parity, 1 stop bit, no handshake,
// as the library opens the host's end. Only the line's timing differs from
// a pseudo-terminal: a real port (or a virtual null-modem pair) paces the
// bytes itself, and vornsim hands each reply byte over when it is due.
#pragma once

#include <string>

#include "os/os.h"

namespace vornsim {

class ComPort {
 public:
  // Opens "COM6" (any letter case). Throws std::invalid_argument for a
  // name that is not a COM port, std::runtime_error saying whether the port
  // is missing or in use when it cannot be opened.
  explicit ComPort(const std::string& name);
  ~ComPort() { Close(); }
  ComPort(const ComPort&) = delete;
  ComPort& operator=(const ComPort&) = delete;

  void Close();

  condvorn::SerialLink& link() { return link_; }
  condvorn::LinkHandle handle() const { return handle_; }
  const std::string& name() const { return name_; }

 private:
  std::string name_;
  condvorn::SerialLink& link_;
  condvorn::LinkHandle handle_{};
  bool open_ = false;
};

}  // namespace vornsim
