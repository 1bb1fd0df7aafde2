// A real serial port as the line, with the platform's clock and link.
#pragma once

#include <chrono>
#include <string>

#include "line.h"

namespace vornctl {

class SerialPortLine : public Line {
 public:
  // Throws CommandError (kUsage) for a name that names no port.
  explicit SerialPortLine(const std::string& name);

  condvorn::SerialLink& link() override;
  condvorn::Clock& clock() override;
  int32_t portNumber() const override { return portNumber_; }
  double ElapsedMs() const override;
  std::string Description() const override { return name_; }
  std::string OpenFailure(int32_t code) const override;
  std::optional<std::string> SettingsKey() const override;

 private:
  std::string name_;
  int32_t portNumber_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace vornctl
