// The simulator as an in-process serial line: a LINKIO implementation that
// talks to a Simulator, on a virtual clock that moves only when the library
// polls, pauses or waits. A pause or a wait moves it straight to its end (or
// to the next reply byte's arrival), so a 1000 ms time-out costs no real
// time, every run is the same, and the simulator's time stamps are what the
// real line would take.
// Faults of the port itself (open, send and receive errors) are switched here;
// a line that has died closed fails every operation as a vanished port does.
#pragma once

#include <cstdint>

#include "os/os.h"
#include "simulator.h"

namespace vornsim {

class VirtualClock : public condvorn::Clock {
 public:
  // Every poll of the clock or of the line lets this much time pass.
  static constexpr uint64_t kPollCostMicros = 10;

  uint32_t TickCount() override;
  void Pause(uint32_t micros) override { Advance(micros); }
  void Poll() {
    micros_ += kPollCostMicros;
    ++polls_;
  }
  void Advance(uint64_t micros) { micros_ += micros; }
  uint64_t NowMicros() const { return micros_; }
  double NowMs() const { return static_cast<double>(micros_) / 1000.0; }
  // How often the clock or the line was polled: a wait that spins polls
  // thousands of times, one that sleeps a handful.
  uint64_t polls() const { return polls_; }
  // The tick counter reads `tick` now (to test the wrap at 2^32).
  void SetTickOrigin(uint32_t tick);

 private:
  uint64_t micros_ = 0;
  uint64_t polls_ = 0;
  uint32_t tickOrigin_ = 0;
};

class SimLink : public condvorn::SerialLink {
 public:
  // What a closed line's port reports: the device is not connected.
  static constexpr int32_t kGoneError = 1167;

  SimLink(Simulator& sim, VirtualClock& clock) : sim_(sim), clock_(clock) {}

  int32_t Open(int32_t port, int32_t mode, condvorn::LinkHandle* handle, void* scratch40) override;
  void Close(condvorn::LinkHandle handle) override;
  int32_t Send(condvorn::LinkHandle handle, const char* text, int32_t length) override;
  int32_t GetChar(condvorn::LinkHandle handle) override;
  int32_t CharCount(condvorn::LinkHandle handle) override;
  void FlushInput(condvorn::LinkHandle handle) override;
  int32_t OutputQueueCount(condvorn::LinkHandle handle) override;
  bool WaitForInput(condvorn::LinkHandle handle, uint32_t micros) override;

  // Port faults.
  int32_t openError = 0;      // non-zero: LkOpen fails with it
  int32_t sendError = 0;      // non-zero: LkSend fails with it
  int32_t receiveError = 0;   // below -1: LkGetChar reports it instead of a byte
  bool outputStuck = false;   // nothing reads the line: what is sent stays queued

  // What the library did with the port.
  int opens = 0;
  int closes = 0;
  int flushes = 0;
  int32_t lastOpenedPort = 0;
  int32_t lastOpenMode = 0;
  bool isOpen = false;

 private:
  Simulator& sim_;
  VirtualClock& clock_;
  int32_t stuckBytes_ = 0;
};

}  // namespace vornsim
