// The base of the library's tests: the test services installed, the library
// in its state at load, and an in-process simulated line on the virtual
// clock. Add channels with AddChannel() and configure with `config`.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "api/library_state.h"
#include "in_process_line.h"
#include "simulator.h"
#include "test_os.h"

namespace condvorn::testing {

class LibraryTest : public ::testing::Test {
 protected:
  LibraryTest();
  ~LibraryTest() override;

  // A channel on the line with a built-in profile.
  vornsim::Channel& AddChannel(int number, const std::string& profile = "df3");

  // Sets registry DWORD values as a configured machine would have them.
  void Configure(int32_t port, int32_t dump, int32_t first, int32_t last);

  // The diagnostic log's lines.
  std::vector<std::string> LogLines() const;
  // Command texts the line received, all or only those for one channel.
  std::vector<std::string> Sent(std::optional<int> channel = std::nullopt) const;

  VirtualClock clock;
  MemoryConfigStore config;
  MemoryLogFile logFile;
  CapturingHost host;
  vornsim::Simulator sim{[this] { return clock.NowMicros(); }};
  SimLink link{sim, clock};

 private:
  Os previous_;
};

}  // namespace condvorn::testing
