#include "serial_port_line.h"

#include "platform.h"

namespace vornctl {

SerialPortLine::SerialPortLine(const std::string& name) : name_(name), portNumber_(PreparePort(name)) {}

condvorn::SerialLink& SerialPortLine::link() { return *condvorn::PlatformOs().link; }

condvorn::Clock& SerialPortLine::clock() { return *condvorn::PlatformOs().clock; }

double SerialPortLine::ElapsedMs() const {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
}

std::optional<std::string> SerialPortLine::SettingsKey() const { return PortKey(name_); }

std::string SerialPortLine::OpenFailure(int32_t code) const {
  return "cannot open serial port " + name_ + ": " + SystemErrorText(code) + " (error " + std::to_string(code) + ")";
}

}  // namespace vornctl
