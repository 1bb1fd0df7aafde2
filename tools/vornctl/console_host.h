// The platform's host services for a console program: the executable's
// path as the platform gives it, but the library's messages on standard
// error instead of in a message box that would stop a script.
#pragma once

#include "os/os.h"

namespace vornctl {

class ConsoleHost : public condvorn::Host {
 public:
  explicit ConsoleHost(condvorn::Host& platform) : platform_(platform) {}

  std::optional<std::string> ExecutablePath(size_t room) override { return platform_.ExecutablePath(room); }
  void ShowMessage(const std::string& text) override;

 private:
  condvorn::Host& platform_;
};

}  // namespace vornctl
