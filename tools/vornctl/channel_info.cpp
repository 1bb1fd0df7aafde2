#include "channel_info.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>
#include <memory>

#include "exit_codes.h"

namespace vornctl {
namespace {

constexpr uint32_t kWantEverything = COND_WANT_INPUTS | COND_WANT_GAINS | COND_WANT_HIGH_PASS | COND_WANT_LOW_PASS |
                                     COND_WANT_MAX_OFFSET | COND_WANT_TYPE_TEXT | COND_WANT_EXTRAS |
                                     COND_WANT_EXTRA_SLOTS;

// A count as reported, limited to the entries the record holds (a failed
// read reports a negative count).
int Entries(int32_t count, size_t capacity) { return std::clamp<int>(count, 0, static_cast<int>(capacity)); }

template <size_t N>
std::string Text(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

std::vector<FilterInfo> Filters(int32_t count, const InfoFilterType (&types)[20]) {
  std::vector<FilterInfo> filters;
  for (int i = 0; i < Entries(count, std::size(types)); ++i) {
    const InfoFilterType& type = types[i];
    FilterInfo filter{Text(type.name), type.kind != 0, type.minimum, type.maximum, {}};
    filter.cutoffs.assign(type.cutoffs, type.cutoffs + Entries(type.cutoffCount, std::size(type.cutoffs)));
    filters.push_back(filter);
  }
  return filters;
}

nlohmann::json FiltersJson(const std::vector<FilterInfo>& filters) {
  nlohmann::json list = nlohmann::json::array();
  for (const FilterInfo& filter : filters) {
    nlohmann::json entry = {
        {"name", filter.name}, {"kind", filter.stepped ? "stepped" : "continuous"}, {"cutoffs", filter.cutoffs}};
    if (!filter.stepped) {
      entry["minimum"] = filter.minimum;
      entry["maximum"] = filter.maximum;
    }
    list.push_back(entry);
  }
  return list;
}

std::string Lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

ChannelInfo ReadChannelInfo(int channel, ChanSettings& record) {
  // Large (about 25 kB), so not on the stack.
  auto condInfo = std::make_unique<CondInfo>();
  std::memset(condInfo.get(), 0, sizeof(CondInfo));
  condInfo->size = sizeof(CondInfo);
  condInfo->settings = &record;
  condInfo->want = kWantEverything;
  const int32_t status = GetCondInfo2(channel, condInfo.get());
  if (status != COND_OK) {
    throw CommandError(ExitCode::kInternal, "GetCondInfo2 refused channel " + std::to_string(channel) + " with code " +
                                                std::to_string(status));
  }
  const CondInfo& reported = *condInfo;

  ChannelInfo info;
  info.channel = channel;
  info.type = Text(reported.typeText);
  for (int i = 0; i < Entries(reported.inputCount, std::size(reported.inputNames)); ++i) {
    info.inputs.push_back(Text(reported.inputNames[i]));
  }
  info.input = record.input;
  info.gains.assign(reported.gains, reported.gains + Entries(reported.gainCount, std::size(reported.gains)));
  info.lowPass = Filters(reported.lowPassTypeCount, reported.lowPassTypes);
  info.highPass = Filters(reported.highPassTypeCount, reported.highPassTypes);
  info.maxOffset = reported.maxOffset;
  info.units = Text(record.units);
  for (int i = 0; i < Entries(reported.extraSettingCount, std::size(reported.extraSettings)); ++i) {
    const InfoExtraSetting& setting = reported.extraSettings[i];
    ExtraInfo extra{Text(setting.name), setting.kind != 0, std::nullopt, setting.minimum, setting.maximum, {}};
    // Only a slot of the record's own extra values can hold the setting.
    if (setting.spare >= 0 && setting.spare < static_cast<int32_t>(std::size(record.extraValues))) {
      extra.slot = setting.spare;
    }
    for (int k = 0; extra.choices && k < Entries(setting.choiceCount, std::size(setting.choices)); ++k) {
      extra.choiceNames.push_back(Text(setting.choices[k]));
    }
    info.extras.push_back(extra);
  }
  return info;
}

nlohmann::json ChannelInfoJson(const ChannelInfo& info) {
  nlohmann::json extras = nlohmann::json::array();
  for (const ExtraInfo& extra : info.extras) {
    nlohmann::json entry = {{"name", extra.name}, {"kind", extra.choices ? "choices" : "range"}};
    entry["slot"] = extra.slot ? nlohmann::json(*extra.slot) : nlohmann::json();
    if (extra.choices) {
      entry["choices"] = extra.choiceNames;
    } else {
      entry["minimum"] = extra.minimum;
      entry["maximum"] = extra.maximum;
    }
    extras.push_back(entry);
  }
  return {
      {"channel", info.channel},
      {"type", info.type},
      {"inputs", info.inputs},
      {"input", info.input},
      {"gains", info.gains},
      {"maxOffset", info.maxOffset},
      {"units", info.units},
      {"lowPass", FiltersJson(info.lowPass)},
      {"highPass", FiltersJson(info.highPass)},
      {"extras", extras},
  };
}

std::optional<int> FindByNameOrIndex(const std::vector<std::string>& names, const std::string& name) {
  for (size_t i = 0; i < names.size(); ++i) {
    if (Lowered(names[i]) == Lowered(name)) return static_cast<int>(i);
  }
  const bool digits = !name.empty() && name.size() <= 3 && std::all_of(name.begin(), name.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c));
  });
  if (digits && std::stoul(name) < names.size()) return static_cast<int>(std::stoul(name));
  return std::nullopt;
}

std::string IndexedNames(const std::vector<std::string>& names) {
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) text += (i == 0 ? "" : ", ") + std::to_string(i) + " " + names[i];
  return text;
}

}  // namespace vornctl
