#include "com_port_server.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace vornsim {
namespace {

[[noreturn]] void Fail(const ComPort& port, const std::string& what, int32_t error) {
  throw std::runtime_error(port.name() + ": " + what + " failed (Windows error " + std::to_string(error) + ")");
}

// The longest wait for the host between looks at the console: how soon a
// stop takes effect.
constexpr uint32_t kLongestWaitMicros = 100000;

}  // namespace

bool ComPortServer::Run(const ConsoleControl& control) {
  while (!control.StopRequested()) {
    SendArrivedReplies();
    if (simulator_.LineClosed() && !simulator_.NextArrivalMicros()) return true;
    if (port_.link().WaitForInput(port_.handle(), MicrosToWait())) TakeHostBytes();
  }
  return false;
}

void ComPortServer::TakeHostBytes() {
  std::string bytes;
  for (int32_t got = port_.link().GetChar(port_.handle()); got != 0; got = port_.link().GetChar(port_.handle())) {
    if (got < 0) Fail(port_, "reading", -2 - got);
    bytes += static_cast<char>(got);
  }
  simulator_.Write(bytes.data(), bytes.size());
  if (record_) record_->WriteNew(simulator_);
}

void ComPortServer::SendArrivedReplies() {
  std::string arrived;
  for (int byte = simulator_.ReadByte(); byte >= 0; byte = simulator_.ReadByte()) arrived += static_cast<char>(byte);
  if (arrived.empty()) return;
  const int32_t error = port_.link().Send(port_.handle(), arrived.data(), static_cast<int32_t>(arrived.size()));
  if (error != 0) Fail(port_, "writing", error);
}

// Until the next reply byte is due; with none queued, until the host
// writes again.
uint32_t ComPortServer::MicrosToWait() const {
  const std::optional<uint64_t> due = simulator_.NextArrivalMicros();
  if (!due) return kLongestWaitMicros;
  const uint64_t now = nowMicros_();
  return static_cast<uint32_t>(std::min<uint64_t>(*due > now ? *due - now : 0, kLongestWaitMicros));
}

}  // namespace vornsim
