// What went over the line, counted by a serial link that passes everything
// through to another, and the floor: the least time a call can take for that
// traffic under the protocol's rules.
#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "os/os.h"

namespace bench {

struct WireCount {
  int64_t bytesOut = 0;
  int64_t bytesIn = 0;
  // The sent bytes the call had to wait for: those ahead of a drain or of a
  // reply. Commands left in the output queue when the call returns, and
  // queries that go unanswered (their wait starts as they are sent), cost
  // the call nothing.
  int64_t bytesOutWaitedFor = 0;
  int64_t selections = 0;        // ";;CH%d;": each followed by a 20 ms pause
  int64_t silentProbes = 0;      // "?CH;" unanswered: the 30 ms first-character wait
  int64_t unansweredQueries = 0; // any other query unanswered: its 1000 ms time-out
  int64_t answeredQueries = 0;   // each answer starts after the device's turnaround
  int64_t retries = 0;           // a list asked again: 100 ms pause and flush
};

// The bytes waited for, each way, at 9600 baud 8N1, plus the pauses and
// time-outs the protocol requires, plus the device's turnaround for each
// answer: from the query's last byte to the arrival of the answer's first
// byte, which therefore counts once.
double FloorMs(const WireCount& count, double turnaroundMs);

nlohmann::json CountJson(const WireCount& count);

class CountingLink : public condvorn::SerialLink {
 public:
  explicit CountingLink(condvorn::SerialLink& inner) : inner_(inner) {}

  // What was counted since the last call; counting starts afresh.
  WireCount Take();

  int32_t Open(int32_t port, int32_t mode, condvorn::LinkHandle* handle, void* scratch40) override {
    return inner_.Open(port, mode, handle, scratch40);
  }
  void Close(condvorn::LinkHandle handle) override { inner_.Close(handle); }
  int32_t Send(condvorn::LinkHandle handle, const char* text, int32_t length) override;
  int32_t GetChar(condvorn::LinkHandle handle) override;
  int32_t CharCount(condvorn::LinkHandle handle) override { return inner_.CharCount(handle); }
  void FlushInput(condvorn::LinkHandle handle) override;
  int32_t OutputQueueCount(condvorn::LinkHandle handle) override;
  bool WaitForInput(condvorn::LinkHandle handle, uint32_t micros) override {
    return inner_.WaitForInput(handle, micros);
  }

 private:
  // Counts the query still waiting for an answer as unanswered.
  void CloseQuery();
  // The bytes sent so far are waited for.
  void WaitedForSent();

  condvorn::SerialLink& inner_;
  WireCount count_;
  int64_t sentNotWaitedFor_ = 0;
  std::string openQuery_;  // the last query sent while no answer has come
};

}  // namespace bench
