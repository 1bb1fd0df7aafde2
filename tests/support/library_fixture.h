// The base of the library's tests: the test services installed, the library
// in its state at load, and an in-process simulated line on the virtual
// clock. Add channels with AddChannel() and configure with `config`.
#pragma once

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "api/library_state.h"
#include "channel/channel_state.h"
#include "link/link_state.h"
#include "in_process_line.h"
#include "simulator.h"
#include "test_os.h"

namespace condvorn::testing {

using Texts = std::vector<std::string>;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

class LibraryTest : public ::testing::Test {
 protected:
  LibraryTest();
  ~LibraryTest() override;

  // A channel on the line with a built-in profile or one of its own.
  vornsim::Channel& AddChannel(int number, const std::string& profile = "df3");
  vornsim::Channel& AddChannel(int number, const vornsim::Profile& profile);

  // Sets registry DWORD values as a configured machine would have them.
  void Configure(int32_t port, int32_t dump, int32_t first, int32_t last);

  // The library as a successful InitCond on port 1 leaves it, with the
  // probe's traffic and log lines forgotten.
  void Discover(int32_t first, int32_t last, int32_t dump = 0);
  // One channel on the line, discovered so.
  template <typename Profile>
  vornsim::Channel& StartWith(int number, const Profile& profile, int32_t dump = 0) {
    vornsim::Channel& channel = AddChannel(number, profile);
    Discover(number, number, dump);
    return channel;
  }

  // Opens the line as InitCond does, without probing any channel.
  void OpenLink();

  // The diagnostic log's lines.
  Texts LogLines() const;
  // Command texts the line received, all or only those for one channel.
  Texts Sent(std::optional<int> channel = std::nullopt) const;
  // How often the line received `command`, from any channel or from one.
  int Count(const std::string& command, std::optional<int> channel = std::nullopt) const;

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
