// The --record file: one JSON object per command the line received, a line
// each, written as soon as the command is complete so that a test can read
// it while the simulator runs:
//   {"t": 12.5, "ch": 0, "cmd": "?CH;"}
// t: milliseconds since the simulator started, when the command's ";"
// reached the device; ch: the channel selected then, -1 none.
#pragma once

#include <cstddef>
#include <fstream>
#include <string>

#include "simulator.h"

namespace vornsim {

class CommandRecord {
 public:
  // Appends to `path`; throws std::runtime_error when it cannot.
  explicit CommandRecord(const std::string& path);

  // Writes the commands received since the last call.
  void WriteNew(const Simulator& simulator);

 private:
  std::ofstream file_;
  size_t written_ = 0;
};

}  // namespace vornsim
