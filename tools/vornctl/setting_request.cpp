#include "setting_request.h"

#include <cmath>
#include <cstdlib>
#include <set>

#include "exit_codes.h"
#include "number_text.h"
#include "setting_keys.h"

namespace vornctl {
namespace {

CommandError BadValue(const SettingRequest& request, const std::string& why) {
  return CommandError(ExitCode::kBadValue, request.key + "=" + request.value + ": " + why);
}

double NumberOrThrow(const SettingRequest& request) {
  std::optional<double> number = ParseNumber(request.value);
  if (!number) throw BadValue(request, "not a number");
  return *number;
}

// One of two words (letter case ignored): false for `clear`, true for `set`.
bool Switch(const SettingRequest& request, const std::string& clear, const std::string& set) {
  const std::string value = keys::Canonical(request.value);
  if (value == clear) return false;
  if (value == set) return true;
  throw BadValue(request, "expected " + clear + " or " + set);
}

void SetFlag(ChanSettings& record, uint16_t flag, bool on) {
  record.flags = static_cast<uint16_t>(on ? record.flags | flag : record.flags & ~flag);
}

std::vector<std::string> FilterNames(const std::vector<FilterInfo>& filters) {
  std::vector<std::string> names;
  for (const FilterInfo& filter : filters) names.push_back(filter.name);
  return names;
}

int16_t Characteristic(const SettingRequest& request, const std::vector<FilterInfo>& filters, const char* side) {
  if (filters.empty()) throw BadValue(request, std::string("the channel has no ") + side + " filter");
  std::optional<int> type = FindByNameOrIndex(FilterNames(filters), request.value);
  if (!type)
    throw BadValue(request,
                   std::string("the channel's ") + side + " characteristics are " + IndexedNames(FilterNames(filters)));
  return static_cast<int16_t>(*type);
}

// A cut-off for characteristic `type`: a stepped one takes the nearest
// listed cut-off, so any number will do; a continuous one takes what lies
// in its range or is listed.
float Cutoff(const SettingRequest& request, const std::vector<FilterInfo>& filters, int type, const char* side) {
  if (filters.empty()) throw BadValue(request, std::string("the channel has no ") + side + " filter");
  if (type < 0 || type >= static_cast<int>(filters.size())) {
    throw BadValue(request, std::string("the record's ") + side + " characteristic " + std::to_string(type) +
                                " is not one of the channel's");
  }
  const double cutoff = keys::Canonical(request.value) == "off" ? 0.0 : NumberOrThrow(request);
  const FilterInfo& filter = filters[type];
  if (filter.stepped) return static_cast<float>(cutoff);
  bool listed = false;
  for (double entry : filter.cutoffs) listed = listed || entry == cutoff;
  if (!listed && (cutoff < filter.minimum || cutoff > filter.maximum)) {
    throw BadValue(request, filter.name + " takes " + FormatNumber(filter.minimum) + " to " +
                                FormatNumber(filter.maximum) + " Hz or one of " + CutoffListText(filter.cutoffs));
  }
  return static_cast<float>(cutoff);
}

float ExtraValue(const SettingRequest& request, const ExtraInfo& extra) {
  if (extra.choices) {
    std::optional<int> choice = FindByNameOrIndex(extra.choiceNames, request.value);
    if (!choice) throw BadValue(request, extra.name + " offers " + IndexedNames(extra.choiceNames));
    return static_cast<float>(*choice);
  }
  const double value = NumberOrThrow(request);
  if (value < extra.minimum || value > extra.maximum) {
    throw BadValue(request, extra.name + " takes a number from " + FormatNumber(extra.minimum) + " to " +
                                FormatNumber(extra.maximum));
  }
  return static_cast<float>(value);
}

const ExtraInfo* FindExtra(const ChannelInfo& info, const std::string& key) {
  for (const ExtraInfo& extra : info.extras) {
    if (keys::Canonical(extra.name) == key) return &extra;
  }
  return nullptr;
}

CommandError UnknownKey(const SettingRequest& request, const ChannelInfo& info) {
  std::string extras;
  for (const ExtraInfo& extra : info.extras) extras += (extras.empty() ? "" : ", ") + extra.name;
  return CommandError(ExitCode::kUnknownKey, "channel " + std::to_string(info.channel) + " has no setting \"" +
                                                 request.key + "\"; keys: " + keys::kAll +
                                                 (extras.empty() ? "" : "; extra settings: " + extras));
}

// Every setting but the cut-offs, which depend on the characteristic.
void PlanSetting(const SettingRequest& request, const ChannelInfo& info, SettingPlan& plan) {
  ChanSettings& record = plan.record;
  const std::string& key = request.key;
  if (key == keys::kInput || key == keys::kLowPass || key == keys::kHighPass) return;
  if (key == keys::kGain) {
    const double gain = NumberOrThrow(request);
    if (info.gains.empty()) throw BadValue(request, "the channel offers no gains");
    if (gain <= 0) throw BadValue(request, "a gain must be above 0; the channel offers " + JoinNumbers(info.gains));
    plan.gain = gain;
  } else if (key == keys::kOffset) {
    plan.offset = NumberOrThrow(request);
  } else if (key == keys::kLowPassType) {
    record.lowPassType = Characteristic(request, info.lowPass, "low-pass");
  } else if (key == keys::kHighPassType) {
    record.highPassType = Characteristic(request, info.highPass, "high-pass");
  } else if (key == keys::kCoupling) {
    SetFlag(record, COND_FLAG_AC_COUPLING, Switch(request, "dc", "ac"));
  } else if (key == keys::kNotch) {
    SetFlag(record, COND_FLAG_NOTCH, Switch(request, "off", "on"));
  } else if (key == keys::kTrigger) {
    SetFlag(record, COND_FLAG_TRIGGER_IN2, Switch(request, "1", "2"));
  } else if (key == keys::kEdge) {
    SetFlag(record, COND_FLAG_FALLING_EDGE, Switch(request, "rising", "falling"));
  } else if (const ExtraInfo* extra = FindExtra(info, key)) {
    if (!extra->slot) {
      throw CommandError(ExitCode::kInternal, "the record slot of extra setting " + extra->name + " is not known");
    }
    record.extraValues[*extra->slot] = ExtraValue(request, *extra);
  } else {
    throw UnknownKey(request, info);
  }
}

}  // namespace

std::optional<double> ParseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double number = std::strtod(text.c_str(), &end);
  if (*end != '\0' || !std::isfinite(number)) return std::nullopt;
  return number;
}

std::vector<SettingRequest> ParseRequests(const std::vector<std::string>& words) {
  std::vector<SettingRequest> requests;
  std::set<std::string> seen;
  for (const std::string& word : words) {
    const size_t equals = word.find('=');
    if (equals == std::string::npos || equals == 0) {
      throw CommandError(ExitCode::kUsage, "\"" + word + "\": expected key=value, e.g. gain=10");
    }
    SettingRequest request{keys::Canonical(word.substr(0, equals)), word.substr(equals + 1)};
    if (!seen.insert(request.key).second) throw CommandError(ExitCode::kUsage, request.key + " is given twice");
    requests.push_back(request);
  }
  return requests;
}

std::optional<int> RequestedInput(const std::vector<SettingRequest>& requests, const ChannelInfo& info) {
  for (const SettingRequest& request : requests) {
    if (request.key != keys::kInput) continue;
    std::optional<int> input = FindByNameOrIndex(info.inputs, request.value);
    if (!input) throw BadValue(request, "the channel's inputs are " + IndexedNames(info.inputs));
    return input;
  }
  return std::nullopt;
}

SettingPlan PlanSettings(const std::vector<SettingRequest>& requests, const ChannelInfo& info, ChanSettings record) {
  SettingPlan plan{record, std::nullopt, std::nullopt};
  if (std::optional<int> input = RequestedInput(requests, info)) plan.record.input = static_cast<int16_t>(*input);
  for (const SettingRequest& request : requests) PlanSetting(request, info, plan);
  for (const SettingRequest& request : requests) {
    if (request.key == keys::kLowPass) {
      plan.record.lowPassCutoff = Cutoff(request, info.lowPass, plan.record.lowPassType, "low-pass");
    } else if (request.key == keys::kHighPass) {
      plan.record.highPassCutoff = Cutoff(request, info.highPass, plan.record.highPassType, "high-pass");
    }
  }
  return plan;
}

}  // namespace vornctl
