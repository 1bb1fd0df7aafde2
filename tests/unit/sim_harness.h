// A simulated line on a clock of its own, for the simulator's tests: time
// passes only through Advance().
#pragma once

#include <cstdint>
#include <string>

#include "simulator.h"

namespace vornsim::testing {

struct SimHarness {
  uint64_t micros = 0;
  Simulator sim{[this] { return micros; }};

  void Advance(double ms) { micros += static_cast<uint64_t>(ms * 1000.0 + 0.5); }
  void Write(const std::string& text) { sim.Write(text.data(), text.size()); }

  // Every reply byte that has arrived by now.
  std::string ReadArrived() {
    std::string bytes;
    for (int c; (c = sim.ReadByte()) >= 0;) bytes += static_cast<char>(c);
    return bytes;
  }

  // Writes `commands`, lets `waitMs` pass and returns what came back.
  std::string Exchange(const std::string& commands, double waitMs = 500) {
    Write(commands);
    Advance(waitMs);
    return ReadArrived();
  }

  // Selects `channel` and asks `query` (its ";" included).
  std::string Ask(int channel, const std::string& query) {
    return Exchange(";;CH" + std::to_string(channel) + ";" + query);
  }
};

}  // namespace vornsim::testing
