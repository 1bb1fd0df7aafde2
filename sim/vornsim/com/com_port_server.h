// Serves a simulated line on a COM port, on the real clock: the bytes the
// host sends go into the simulator, and each reply byte goes out when the
// simulator says it has arrived, so that replies keep the pace of a
// 9600-baud line whatever the port is joined to.
#pragma once

#include <cstdint>
#include <functional>

#include "com_port.h"
#include "command_record.h"
#include "console_control.h"
#include "simulator.h"

namespace vornsim {

class ComPortServer {
 public:
  // `nowMicros` is the simulator's clock; `record` may be null.
  ComPortServer(Simulator& simulator, std::function<uint64_t()> nowMicros, ComPort& port, CommandRecord* record)
      : simulator_(simulator), nowMicros_(std::move(nowMicros)), port_(port), record_(record) {}

  // Serves until a stop is asked for (false), or until the line has died
  // closed and sent all it still had to send (true). Throws
  // std::runtime_error when the port fails.
  bool Run(const ConsoleControl& control);

 private:
  void TakeHostBytes();
  void SendArrivedReplies();
  uint32_t MicrosToWait() const;

  Simulator& simulator_;
  std::function<uint64_t()> nowMicros_;
  ComPort& port_;
  CommandRecord* record_;
};

}  // namespace vornsim
