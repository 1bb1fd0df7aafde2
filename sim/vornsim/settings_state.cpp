#include "settings_state.h"

#include <fstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

namespace vornsim {
namespace {

using nlohmann::ordered_json;

ordered_json SettingsJson(const DeviceSettings& settings) {
  ordered_json extraValues = ordered_json::object();
  for (const auto& [extra, value] : settings.extraValues) extraValues[std::to_string(extra)] = value;
  return {
      {"input", settings.input},
      {"gain", settings.gain},
      {"offsetRange", settings.offsetRange},
      {"offsetCode", settings.offsetCode},
      {"lowPassType", settings.lowPassType},
      {"lowPassIndex", settings.lowPassIndex},
      {"lowPassValue", settings.lowPassValue},
      {"highPassType", settings.highPassType},
      {"highPassIndex", settings.highPassIndex},
      {"highPassValue", settings.highPassValue},
      {"extraSelected", settings.extraSelected},
      {"extraValues", extraValues},
      {"acCoupling", settings.acCoupling},
      {"notch", settings.notch},
      {"triggerInput", settings.triggerInput},
      {"triggerEdge", settings.triggerEdge},
  };
}

}  // namespace

void WriteSettingsState(const std::string& path, Simulator& simulator, const std::vector<int>& channelNumbers) {
  ordered_json channels = ordered_json::object();
  for (int number : channelNumbers) {
    channels[std::to_string(number)] = SettingsJson(simulator.channel(number).settings);
  }
  std::ofstream file(path, std::ios::trunc | std::ios::binary);
  file << ordered_json{{"channels", channels}}.dump(2) << '\n';
  if (!file.flush()) throw std::runtime_error("--state: cannot write " + path);
}

}  // namespace vornsim
