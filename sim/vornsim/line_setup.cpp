#include "line_setup.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace vornsim {

Profile ResolveProfile(const std::string& nameOrPath, const std::filesystem::path& directory) {
  const std::vector<std::string> names = ProfileNames();
  if (std::find(names.begin(), names.end(), nameOrPath) != names.end()) return NamedProfile(nameOrPath);
  const std::filesystem::path path = directory / nameOrPath;
  if (!std::filesystem::is_regular_file(path)) {
    std::string known;
    for (const std::string& name : names) known += " " + name;
    throw std::invalid_argument("\"" + nameOrPath + "\" is neither a built-in profile (" + known.substr(1) +
                                ") nor a profile file");
  }
  return LoadProfileFile(path.string());
}

ChannelSetup ChannelFromOption(const std::string& option) {
  const size_t equals = option.find('=');
  const std::string number = option.substr(0, std::min(equals, option.size()));
  const bool numeric = !number.empty() && number.size() <= 3 &&
                       std::all_of(number.begin(), number.end(), [](unsigned char c) { return std::isdigit(c); });
  if (equals == std::string::npos || equals + 1 == option.size() || !numeric) {
    throw std::invalid_argument("--channel " + option + ": expected N=PROFILE, such as 0=df3");
  }
  ChannelSetup channel;
  channel.number = std::stoi(number);
  if (channel.number < kLowestChannel || channel.number > kHighestChannel) {
    throw std::invalid_argument("--channel " + option + ": channel numbers are " + std::to_string(kLowestChannel) +
                                " to " + std::to_string(kHighestChannel));
  }
  try {
    channel.profile = ResolveProfile(option.substr(equals + 1), std::filesystem::current_path());
  } catch (const std::invalid_argument& error) {
    throw std::invalid_argument("--channel " + option + ": " + error.what());
  }
  return channel;
}

void SetUpLine(Simulator& simulator, const LineSetup& setup) {
  for (const ChannelSetup& channel : setup.channels) {
    simulator.AddChannel(channel.number, channel.profile).faults = channel.faults;
  }
  if (setup.timing) simulator.timing = *setup.timing;
  if (setup.death) simulator.ArmDeath(*setup.death);
}

}  // namespace vornsim
