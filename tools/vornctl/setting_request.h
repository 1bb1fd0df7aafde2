// Turns `set`'s key=value words into a host record for the channel,
// refusing keys the channel has no setting for and values it cannot take.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "channel_info.h"
#include "condvorn.h"

namespace vornctl {

struct SettingRequest {
  std::string key;    // canonical (see keys::Canonical)
  std::string value;  // as typed
};

// Splits each "key=value". Throws CommandError (kUsage) for a word without
// "=" or a key given twice.
std::vector<SettingRequest> ParseRequests(const std::vector<std::string>& words);

// The input that the requests name, if any. Throws CommandError (kBadValue)
// for an input that the channel does not offer.
std::optional<int> RequestedInput(const std::vector<SettingRequest>& requests, const ChannelInfo& info);

// What to apply: the record with every requested setting except gain and
// offset, which the library sets on their own so that it rewrites the
// record's scaling.
struct SettingPlan {
  ChanSettings record;
  std::optional<double> gain;
  std::optional<double> offset;
};

// `info` must describe the requested input. Throws CommandError
// (kUnknownKey) for a key that names no setting of the channel and
// (kBadValue) for a value it cannot take.
SettingPlan PlanSettings(const std::vector<SettingRequest>& requests, const ChannelInfo& info, ChanSettings record);

// The number a whole text spells, if it is a finite one.
std::optional<double> ParseNumber(const std::string& text);

}  // namespace vornctl
