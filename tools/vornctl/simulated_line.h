// The built-in simulator as the line: simulated channels behind the
// library's serial link, on a virtual clock, so that time-outs cost no real
// time and runs are repeatable.
#pragma once

#include <string>

#include "in_process_line.h"
#include "line.h"
#include "simulator.h"

namespace vornctl {

class SimulatedLine : public Line {
 public:
  // An empty profile: one channel of each built-in profile at channels 0,
  // 1, 2... Otherwise one channel at `channel` with the profile of that
  // built-in name or from that file. Throws CommandError (kUsage) for a
  // profile that is neither.
  SimulatedLine(const std::string& profile, int channel);

  condvorn::SerialLink& link() override { return link_; }
  condvorn::Clock& clock() override { return clock_; }
  int32_t portNumber() const override { return 1; }
  double ElapsedMs() const override { return clock_.NowMs(); }
  std::string Description() const override;
  std::string OpenFailure(int32_t code) const override;
  // A simulated line starts afresh each run: nothing to remember.
  std::optional<std::string> SettingsKey() const override { return std::nullopt; }

 private:
  vornsim::VirtualClock clock_;
  vornsim::Simulator sim_{[this] { return clock_.NowMicros(); }};
  vornsim::SimLink link_{sim_, clock_};
  std::string description_;
};

}  // namespace vornctl
