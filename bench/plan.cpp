#include "plan.h"

#include <algorithm>
#include <tuple>

#include "profile.h"

namespace bench {
namespace {

constexpr int kChannelNumbers = 128;

// The built-in profile with the most extra settings, then the most filter
// characteristics: the one whose settings take the most commands.
std::string RichestProfile() {
  const auto weight = [](const std::string& name) {
    const vornsim::Profile profile = vornsim::NamedProfile(name);
    return std::make_tuple(profile.extras.size(), profile.lowPass.size() + profile.highPass.size());
  };
  const std::vector<std::string> names = vornsim::ProfileNames();
  return *std::max_element(names.begin(), names.end(),
                           [&](const std::string& a, const std::string& b) { return weight(a) < weight(b); });
}

Run Discovery(int present, const std::string& profile) {
  Run run{{}, 0, kChannelNumbers - 1, {{"init", "discovery 0-127, " + std::to_string(present) + " present"}}};
  for (int i = 0; i < present; ++i) run.channels.push_back({i * (kChannelNumbers / present), profile, false});
  // The simulator needs a channel on its line: one that never answers.
  if (present == 0) run.channels.push_back({0, profile, true});
  return run;
}

Run SettingsOfEveryProfile(const std::string& richest) {
  const std::vector<std::string> names = vornsim::ProfileNames();
  Run run{{}, 0, static_cast<int>(names.size()) - 1, {{"init", ""}}};
  int richestPort = 0;
  for (int port = 0; port < static_cast<int>(names.size()); ++port) {
    run.channels.push_back({port, names[port], false});
    run.steps.push_back({"info:" + std::to_string(port), "capability read, " + names[port]});
    if (names[port] == richest) richestPort = port;
  }
  const std::string port = std::to_string(richestPort);
  run.steps.push_back({"setchan:" + port, "SetCondChan, all settings (" + richest + ")"});
  run.steps.push_back({"setchan:" + port, "SetCondChan, nothing changed"});
  run.steps.push_back({"gainchange:" + port, "CondGainChange up"});
  return run;
}

}  // namespace

std::vector<Run> BenchmarkPlan() {
  const std::string richest = RichestProfile();
  return {Discovery(0, richest), Discovery(4, richest), Discovery(16, richest), SettingsOfEveryProfile(richest)};
}

nlohmann::json PlanJson(const std::vector<Run>& plan) {
  nlohmann::json runs = nlohmann::json::array();
  for (const Run& run : plan) {
    nlohmann::json channels = nlohmann::json::array();
    for (const PlanChannel& channel : run.channels) {
      channels.push_back({{"number", channel.number}, {"profile", channel.profile}, {"silent", channel.silent}});
    }
    nlohmann::json steps = nlohmann::json::array();
    for (const PlanStep& step : run.steps) steps.push_back({{"step", step.step}, {"name", step.name}});
    runs.push_back({{"channels", channels}, {"first", run.first}, {"last", run.last}, {"steps", steps}});
  }
  return runs;
}

}  // namespace bench
