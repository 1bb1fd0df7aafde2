// A host record's conditioner settings in `set`'s own vocabulary, so that
// what a channel took can be read, and fed back to `set`.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "channel_info.h"
#include "condvorn.h"

namespace vornctl {

struct TakenSetting {
  std::string key;               // as `set` takes it
  std::string text;              // for a person, with units
  nlohmann::json value;          // for a script, as `set` takes it back
  std::optional<double> number;  // the value of a setting that may differ from its request
  std::string why;               // why such a setting may differ, e.g. "nearest of 1 2 5"
};

// Every setting of the record that the channel has.
std::vector<TakenSetting> TakenSettings(const ChanSettings& record, const ChannelInfo& info);

}  // namespace vornctl
