// Serves a simulated line on the master side of a pseudo-terminal, on the
// real clock: what the client writes goes into the simulator, and each reply
// byte goes out when the simulator says it has arrived. Serving ends at a
// revival signal, so that the line can be brought back, and when the line
// has died closed, so that its port can go away.
#pragma once

#include <time.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "command_record.h"
#include "simulator.h"
#include "control_signals.h"

namespace vornsim {

enum class LineEnd { kStopped, kRevived, kClosed };

class LineServer {
 public:
  // `nowMicros` is the simulator's clock; `record` may be null.
  LineServer(Simulator& simulator, std::function<uint64_t()> nowMicros, int master, CommandRecord* record)
      : simulator_(simulator), nowMicros_(std::move(nowMicros)), master_(master), record_(record) {}

  // Serves until a stop signal, or until stdin reaches its end when
  // `stopAtStdinEof` (kStopped); until a revival signal (kRevived); or until
  // the line has died closed and sent all it still had to send (kClosed).
  // Throws std::runtime_error when the pseudo-terminal fails.
  LineEnd Run(const ControlSignals& signals, bool stopAtStdinEof);

 private:
  void TakeClientBytes();
  void SendArrivedReplies();
  std::optional<timespec> TimeToNextReply() const;

  Simulator& simulator_;
  std::function<uint64_t()> nowMicros_;
  int master_;
  CommandRecord* record_;
  std::string unsent_;          // arrived reply bytes the pseudo-terminal has not taken yet
};

}  // namespace vornsim
