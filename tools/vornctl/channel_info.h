// What a channel reports about itself through GetCondInfo2, as plain C++
// values.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "condvorn.h"

namespace vornctl {

struct FilterInfo {
  std::string name;
  bool stepped = true;  // false: continuous from minimum to maximum
  double minimum = 0;
  double maximum = 0;
  std::vector<double> cutoffs;  // Hz; 0 off; negative: mode codes
};

struct ExtraInfo {
  std::string name;
  bool choices = true;      // false: a number from minimum to maximum
  std::optional<int> slot;  // index of its value in the record's extraValues
  double minimum = 0;
  double maximum = 0;
  std::vector<std::string> choiceNames;
};

struct ChannelInfo {
  int channel = -1;
  std::string type;  // e.g. "Vorn222"
  std::vector<std::string> inputs;
  int input = 0;  // the input that `gains` belong to
  std::vector<double> gains;
  std::vector<FilterInfo> lowPass;
  std::vector<FilterInfo> highPass;
  double maxOffset = 0;  // host units, for the record's scale and gain
  std::string units;     // the record's units
  std::vector<ExtraInfo> extras;
};

// Everything GetCondInfo2 reports for the channel with the host's record
// (whose input chooses the gains; the library may correct it). Throws
// CommandError (kInternal) when the library refuses the query.
ChannelInfo ReadChannelInfo(int channel, ChanSettings& record);

nlohmann::json ChannelInfoJson(const ChannelInfo& info);

// The position of `name` in `names` (letter case ignored) or a 0-based
// index written as a number; nothing when it names none of them.
std::optional<int> FindByNameOrIndex(const std::vector<std::string>& names, const std::string& name);
// Names with their indices: "0 Differential, 1 Single-ended".
std::string IndexedNames(const std::vector<std::string>& names);

}  // namespace vornctl
