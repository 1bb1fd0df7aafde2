#include "in_process_line.h"

#include <optional>

namespace vornsim {

namespace {
constexpr condvorn::LinkHandle kHandle = 0x5151;
}

uint32_t VirtualClock::TickCount() {
  Poll();
  return tickOrigin_ + static_cast<uint32_t>(micros_ / 1000);
}

void VirtualClock::SetTickOrigin(uint32_t tick) {
  tickOrigin_ = tick - static_cast<uint32_t>(micros_ / 1000);
}

int32_t SimLink::Open(int32_t port, int32_t mode, condvorn::LinkHandle* handle, void*) {
  ++opens;
  lastOpenedPort = port;
  lastOpenMode = mode;
  if (openError != 0) return openError;
  if (sim_.LineClosed()) return kGoneError;
  *handle = kHandle;
  isOpen = true;
  return 0;
}

void SimLink::Close(condvorn::LinkHandle) {
  ++closes;
  isOpen = false;
}

int32_t SimLink::Send(condvorn::LinkHandle, const char* text, int32_t length) {
  clock_.Poll();
  if (sendError != 0) return sendError;
  if (sim_.LineClosed()) return kGoneError;
  if (outputStuck) {
    stuckBytes_ += length;
    return 0;
  }
  sim_.Write(text, static_cast<size_t>(length));
  return 0;
}

int32_t SimLink::GetChar(condvorn::LinkHandle) {
  clock_.Poll();
  if (receiveError < -1) return receiveError;
  if (sim_.LineClosed()) return -2 - kGoneError;
  return sim_.ReadByte();
}

int32_t SimLink::CharCount(condvorn::LinkHandle) {
  clock_.Poll();
  if (sim_.LineClosed()) return 0;
  return static_cast<int32_t>(sim_.Available());
}

void SimLink::FlushInput(condvorn::LinkHandle) {
  ++flushes;
  sim_.DiscardArrived();
}

int32_t SimLink::OutputQueueCount(condvorn::LinkHandle) {
  clock_.Poll();
  if (sim_.LineClosed()) return -1;
  if (outputStuck) return stuckBytes_;
  return static_cast<int32_t>(sim_.OutputPending());
}

bool SimLink::WaitForInput(condvorn::LinkHandle, uint32_t micros) {
  clock_.Poll();
  if (!sim_.LineClosed() && sim_.Available() > 0) return true;
  const uint64_t end = clock_.NowMicros() + micros;
  const std::optional<uint64_t> arrival = sim_.NextArrivalMicros();
  if (!arrival || *arrival > end || sim_.LineClosed()) {
    clock_.Advance(end - clock_.NowMicros());
    return false;
  }
  clock_.Advance(*arrival - clock_.NowMicros());
  return true;
}

}  // namespace vornsim
