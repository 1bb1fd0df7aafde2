#include "taken_settings.h"

#include "number_text.h"
#include "setting_keys.h"

namespace vornctl {
namespace {

// The name at `index`, or the index itself when the list has no such entry.
nlohmann::json NameAt(const std::vector<std::string>& names, int index) {
  if (index >= 0 && index < static_cast<int>(names.size())) return names[index];
  return index;
}

std::string Shown(const nlohmann::json& value) { return value.is_string() ? value.get<std::string>() : value.dump(); }

void AddFilter(std::vector<TakenSetting>& taken, const std::vector<FilterInfo>& filters, int type, float cutoff,
               const std::string& typeKey, const std::string& cutoffKey) {
  if (filters.empty()) return;
  std::vector<std::string> names;
  for (const FilterInfo& filter : filters) names.push_back(filter.name);
  const nlohmann::json typeName = NameAt(names, type);
  taken.push_back({typeKey, Shown(typeName), typeName, std::nullopt, ""});
  std::string offered;
  if (type >= 0 && type < static_cast<int>(filters.size())) {
    const FilterInfo& filter = filters[type];
    offered = filter.stepped
                  ? "nearest of " + CutoffListText(filter.cutoffs)
                  : "continuous " + FormatNumber(filter.minimum) + " to " + FormatNumber(filter.maximum) + " Hz";
  }
  taken.push_back({cutoffKey, CutoffText(cutoff), FloatAsWritten(cutoff), cutoff, offered});
}

}  // namespace

std::vector<TakenSetting> TakenSettings(const ChanSettings& record, const ChannelInfo& info) {
  std::vector<TakenSetting> taken;
  const nlohmann::json input = NameAt(info.inputs, record.input);
  taken.push_back({keys::kInput, Shown(input), input, std::nullopt, ""});
  taken.push_back({keys::kGain, FormatNumber(record.gain), FloatAsWritten(record.gain), record.gain,
                   "nearest of " + JoinNumbers(info.gains)});
  taken.push_back({keys::kOffset, WithUnits(FormatNumber(record.offset), info.units), FloatAsWritten(record.offset),
                   record.offset, "nearest step; reach +/-" + WithUnits(FormatNumber(info.maxOffset), info.units)});
  AddFilter(taken, info.lowPass, record.lowPassType, record.lowPassCutoff, keys::kLowPassType, keys::kLowPass);
  AddFilter(taken, info.highPass, record.highPassType, record.highPassCutoff, keys::kHighPassType, keys::kHighPass);

  const auto flag = [&record](uint16_t bit) { return (record.flags & bit) != 0; };
  const auto word = [&taken](const std::string& key, const std::string& value) {
    taken.push_back({key, value, value, std::nullopt, ""});
  };
  word(keys::kCoupling, flag(COND_FLAG_AC_COUPLING) ? "ac" : "dc");
  word(keys::kNotch, flag(COND_FLAG_NOTCH) ? "on" : "off");
  taken.push_back(
      {keys::kTrigger, flag(COND_FLAG_TRIGGER_IN2) ? "2" : "1", flag(COND_FLAG_TRIGGER_IN2) ? 2 : 1, std::nullopt, ""});
  word(keys::kEdge, flag(COND_FLAG_FALLING_EDGE) ? "falling" : "rising");

  for (const ExtraInfo& extra : info.extras) {
    if (!extra.slot) continue;
    const float value = record.extraValues[*extra.slot];
    if (extra.choices) {
      const nlohmann::json choice = NameAt(extra.choiceNames, static_cast<int>(value));
      taken.push_back({extra.name, Shown(choice), choice, std::nullopt, ""});
    } else {
      taken.push_back({extra.name, FormatNumber(value), FloatAsWritten(value), std::nullopt, ""});
    }
  }
  return taken;
}

}  // namespace vornctl
