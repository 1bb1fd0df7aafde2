// What the simulated line holds: its channels (number, profile, faults) and
// its timing, from --channel options and a line file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "simulator.h"

namespace vornsim {

struct ChannelSetup {
  int number = 0;
  Profile profile;
  Faults faults;
};

struct LineSetup {
  std::vector<ChannelSetup> channels;
  std::optional<Timing> timing;  // none: the model's own
  std::optional<LineDeath> death;
};

// Channel numbers a host can select.
constexpr int kLowestChannel = 0;
constexpr int kHighestChannel = 127;

// A built-in profile by name, otherwise a profile file; a relative path is
// taken from `directory`. Throws std::invalid_argument when it is neither.
Profile ResolveProfile(const std::string& nameOrPath, const std::filesystem::path& directory);

// "N=PROFILE" from the command line. Throws std::invalid_argument.
ChannelSetup ChannelFromOption(const std::string& option);

// A line file:
//   { "channels": [ { "number": 3, "profile": "df3" or { profile }, "faults": { faults } } ],
//     "timing": { "turnaroundMs": 2, "perCharMs": 1.0417 },
//     "death": { "kind": "close", "afterLines": 12 } }
// Profile names and paths resolve as for --channel, paths from the file's
// directory. Throws std::invalid_argument naming the file and the reason.
LineSetup LoadLineFile(const std::string& path);

// Builds the simulator's line; throws std::invalid_argument for a channel
// number given twice.
void SetUpLine(Simulator& simulator, const LineSetup& setup);

}  // namespace vornsim
