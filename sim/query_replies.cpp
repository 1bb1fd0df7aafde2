#include "query_replies.h"

#include <cctype>
#include <vector>

#include "item_list.h"
#include "line_faults.h"

namespace vornsim {
namespace {

// Channels that describe several filter characteristics themselves.
bool DescribesFilters(const Profile& profile) {
  return profile.digitalFilters && *profile.digitalFilters >= 3;
}

// The index that follows a query name ("LD" and "2" in "LD2"), if the rest is
// all digits.
std::optional<int> IndexAfter(const std::string& name, const std::string& prefix) {
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  int index = 0;
  for (size_t i = prefix.size(); i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i])) || index > 1000) return std::nullopt;
    index = index * 10 + (name[i] - '0');
  }
  return index;
}

// The input whose gains and offset ranges the channel lists: the one selected,
// or the first when the selection names none.
const InputProfile* SelectedInput(const Channel& channel) {
  const auto& inputs = channel.profile.inputs;
  if (inputs.empty()) return nullptr;
  int index = channel.settings.input - 1;
  return index >= 0 && index < static_cast<int>(inputs.size()) ? &inputs[index] : &inputs[0];
}

std::string InputNames(Channel& channel) {
  std::vector<std::string> names;
  for (const InputProfile& input : channel.profile.inputs) names.push_back(input.name);
  return ItemListText(names, "IS", channel.faults);
}

// "?LF;" / "?HF;" and "?LS;" / "?HS;": the single characteristic of a channel
// that does not describe its filters.
std::optional<std::string> SingleFilter(Channel& channel, const std::vector<FilterProfile>& filters,
                                        bool cutoffs, const std::string& listName) {
  if (DescribesFilters(channel.profile) || filters.empty()) return std::nullopt;
  if (!cutoffs) return ReplyLine(filters[0].name);
  return ItemListText(NumberTexts(filters[0].cutoffs), listName, channel.faults);
}

// "?LD0;" gives the number of characteristics; "?LDn;" describes the n-th:
// kind digit (1 stepped, 2 continuous) and name, for the continuous kind its
// minimum and maximum, then its cut-off list.
std::optional<std::string> DescribeFilter(Channel& channel, const std::vector<FilterProfile>& filters,
                                          const std::string& name, int index) {
  if (!DescribesFilters(channel.profile)) return std::nullopt;
  if (index == 0) return ReplyLine(std::to_string(filters.size()));
  if (index > static_cast<int>(filters.size())) return std::nullopt;
  const FilterProfile& filter = filters[index - 1];
  std::string text = ReplyLine((filter.stepped ? "1" : "2") + filter.name);
  if (!filter.stepped) text += ReplyLine(NumberText(filter.minimum)) + ReplyLine(NumberText(filter.maximum));
  return text + ItemListText(NumberTexts(filter.cutoffs), name, channel.faults);
}

// "?FA0;" gives the number of extra settings; "?FAn;" describes the n-th:
// kind digit (1 choices, 2 numeric), slot digit and name, then the choice
// list or the minimum and maximum.
std::optional<std::string> DescribeExtra(Channel& channel, const std::string& name, int index) {
  const auto& extras = channel.profile.extras;
  if (index == 0) return ReplyLine(std::to_string(extras.size()));
  if (index > static_cast<int>(extras.size())) return std::nullopt;
  const ExtraProfile& extra = extras[index - 1];
  std::string text = ReplyLine(std::string(extra.choices ? "1" : "2") + static_cast<char>('0' + extra.slot) +
                          extra.name);
  if (extra.choices) return text + ItemListText(extra.choiceNames, name, channel.faults);
  return text + ReplyLine(NumberText(extra.minimum)) + ReplyLine(NumberText(extra.maximum));
}

std::optional<std::string> AnswerByName(Channel& channel, const std::string& name) {
  const Profile& profile = channel.profile;
  const Faults& faults = channel.faults;
  if (name == "CH") return ReplyLine(std::to_string(faults.channelReply.value_or(channel.number())));
  if (name == "RV") {
    std::string version = faults.versionReply.value_or(profile.version);
    if (version.empty()) return std::nullopt;
    return ReplyLine(version);
  }
  if (name == "DF") {
    if (!profile.digitalFilters) return std::nullopt;
    return ReplyLine(std::to_string(*profile.digitalFilters));
  }
  if (name == "NT") {
    if (profile.notch == 0) return std::nullopt;
    return ReplyLine(std::to_string(profile.notch));
  }
  if (name == "IS") return InputNames(channel);
  if (name == "GS" || name == "OS") {
    const InputProfile* input = SelectedInput(channel);
    std::vector<double> values;
    if (input) values = name == "GS" ? input->gains : input->offsetRanges;
    return ItemListText(NumberTexts(values), name, channel.faults);
  }
  if (name == "LF") return SingleFilter(channel, profile.lowPass, false, name);
  if (name == "HF") return SingleFilter(channel, profile.highPass, false, name);
  if (name == "LS") return SingleFilter(channel, profile.lowPass, true, name);
  if (name == "HS") return SingleFilter(channel, profile.highPass, true, name);
  if (auto index = IndexAfter(name, "LD")) return DescribeFilter(channel, profile.lowPass, name, *index);
  if (auto index = IndexAfter(name, "HD")) return DescribeFilter(channel, profile.highPass, name, *index);
  if (auto index = IndexAfter(name, "FA")) return DescribeExtra(channel, name, *index);
  return std::nullopt;
}

}  // namespace

std::optional<std::string> AnswerQuery(Channel& channel, const std::string& query) {
  std::optional<std::string> reply;
  auto raw = channel.faults.rawReplies.find(query);
  if (raw != channel.faults.rawReplies.end()) {
    reply = raw->second;
  } else if (!query.empty() && query[0] == '?') {
    reply = AnswerByName(channel, query.substr(1));
  }
  if (!reply) return std::nullopt;
  return DistortReply(*reply, channel.faults);
}

}  // namespace vornsim
