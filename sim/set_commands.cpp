#include "set_commands.h"

#include <charconv>
#include <functional>
#include <map>

namespace vornsim {
namespace {

using Setter = std::function<void(DeviceSettings&, double)>;

// Every set command is two letters and a number; whole-number commands take
// the argument's integer part, as a device parsing "%d" would.
const std::map<std::string, Setter>& Setters() {
  static const std::map<std::string, Setter> setters = {
      {"IP", [](DeviceSettings& s, double v) { s.input = static_cast<int>(v); }},
      {"GN", [](DeviceSettings& s, double v) { s.gain = static_cast<int>(v); }},
      {"OR", [](DeviceSettings& s, double v) { s.offsetRange = static_cast<int>(v); }},
      {"OF", [](DeviceSettings& s, double v) { s.offsetCode = static_cast<int>(v); }},
      {"LD", [](DeviceSettings& s, double v) { s.lowPassType = static_cast<int>(v); }},
      {"LP", [](DeviceSettings& s, double v) { s.lowPassIndex = static_cast<int>(v); }},
      {"LO", [](DeviceSettings& s, double v) { s.lowPassValue = v; }},
      {"HD", [](DeviceSettings& s, double v) { s.highPassType = static_cast<int>(v); }},
      {"HP", [](DeviceSettings& s, double v) { s.highPassIndex = static_cast<int>(v); }},
      {"HO", [](DeviceSettings& s, double v) { s.highPassValue = v; }},
      {"FA", [](DeviceSettings& s, double v) { s.extraSelected = static_cast<int>(v); }},
      {"FS",
       [](DeviceSettings& s, double v) {
         // A value goes to the extra setting chosen before; none chosen, none stored.
         if (s.extraSelected > 0) s.extraValues[s.extraSelected] = v;
       }},
      {"AC", [](DeviceSettings& s, double v) { s.acCoupling = v != 0; }},
      {"NF", [](DeviceSettings& s, double v) { s.notch = v != 0; }},
      {"TG", [](DeviceSettings& s, double v) { s.triggerInput = static_cast<int>(v); }},
      {"TP", [](DeviceSettings& s, double v) { s.triggerEdge = static_cast<int>(v); }},
  };
  return setters;
}

}  // namespace

void ApplySetCommand(DeviceSettings& settings, const std::string& command) {
  if (command.size() < 3) return;
  auto setter = Setters().find(command.substr(0, 2));
  if (setter == Setters().end()) return;
  // A decimal point whatever the process's locale.
  const char* argument = command.c_str() + 2;
  const char* end = command.c_str() + command.size();
  double value = 0;
  const auto result = std::from_chars(argument, end, value);
  if (result.ec != std::errc() || result.ptr != end) return;
  setter->second(settings, value);
}

}  // namespace vornsim
