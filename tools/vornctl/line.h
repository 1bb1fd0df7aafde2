// Where vornctl talks: the serial link and clock that the library gets,
// and what a person needs to know about them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "os/os.h"

namespace vornctl {

class Line {
 public:
  virtual ~Line() = default;

  virtual condvorn::SerialLink& link() = 0;
  virtual condvorn::Clock& clock() = 0;
  // The "Port" setting that makes the library open this line.
  virtual int32_t portNumber() const = 0;
  // Milliseconds since the line was made, for time stamps.
  virtual double ElapsedMs() const = 0;
  // A short description, e.g. "/dev/ttyUSB0" or "simulator: 0 df3, 1 classic".
  virtual std::string Description() const = 0;
  // Why opening failed, from the code that the link's Open returned.
  virtual std::string OpenFailure(int32_t code) const = 0;
  // The name of the line in the file of its remembered settings; nothing
  // for a line whose settings are not remembered.
  virtual std::optional<std::string> SettingsKey() const = 0;
};

}  // namespace vornctl
