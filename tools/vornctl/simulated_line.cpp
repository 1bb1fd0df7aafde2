#include "simulated_line.h"

#include <algorithm>
#include <stdexcept>

#include "exit_codes.h"
#include "profile.h"

namespace vornctl {
namespace {

// A built-in profile by name, else a profile file.
vornsim::Profile ChosenProfile(const std::string& profile) {
  const std::vector<std::string> names = vornsim::ProfileNames();
  if (std::find(names.begin(), names.end(), profile) != names.end()) return vornsim::NamedProfile(profile);
  try {
    return vornsim::LoadProfileFile(profile);
  } catch (const std::exception& error) {
    std::string builtIn;
    for (const std::string& name : names) builtIn += " " + name;
    throw CommandError(ExitCode::kUsage, "--sim " + profile + ": not a built-in profile (" + builtIn.substr(1) +
                                             ") nor a usable profile file: " + error.what());
  }
}

}  // namespace

SimulatedLine::SimulatedLine(const std::string& profile, int channel) {
  description_ = "simulator:";
  if (profile.empty()) {
    int number = 0;
    for (const std::string& name : vornsim::ProfileNames()) {
      sim_.AddChannel(number, vornsim::NamedProfile(name));
      description_ += " " + std::to_string(number++) + " " + name + ",";
    }
    description_.pop_back();
  } else {
    const vornsim::Profile chosen = ChosenProfile(profile);
    sim_.AddChannel(channel, chosen);
    description_ += " " + std::to_string(channel) + " " + (chosen.name.empty() ? profile : chosen.name);
  }
}

std::string SimulatedLine::Description() const { return description_; }

std::string SimulatedLine::OpenFailure(int32_t code) const {
  return "the simulated line refused to open (code " + std::to_string(code) + ")";
}

}  // namespace vornctl
