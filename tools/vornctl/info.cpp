#include "info.h"

#include <cstdio>
#include <iostream>

#include "exit_codes.h"
#include "number_text.h"
#include "session.h"

namespace vornctl {
namespace {

// Label column of the info table.
std::string Label(const char* label) {
  char text[24];
  std::snprintf(text, sizeof text, "  %-14s", label);
  return text;
}

void PrintFilters(std::ostream& out, const char* label, const std::vector<FilterInfo>& filters) {
  if (filters.empty()) {
    out << Label(label) << "none\n";
    return;
  }
  for (size_t i = 0; i < filters.size(); ++i) {
    const FilterInfo& filter = filters[i];
    char name[40];
    std::snprintf(name, sizeof name, "%zu %-16s ", i, filter.name.c_str());
    out << Label(i == 0 ? label : "") << name;
    if (filter.stepped) {
      out << "stepped: " << CutoffListText(filter.cutoffs) << "\n";
    } else {
      out << "continuous " << FormatNumber(filter.minimum) << " to " << FormatNumber(filter.maximum)
          << " Hz; listed: " << CutoffListText(filter.cutoffs) << "\n";
    }
  }
}

void PrintExtras(std::ostream& out, const std::vector<ExtraInfo>& extras) {
  if (extras.empty()) {
    out << Label("extras") << "none\n";
    return;
  }
  for (size_t i = 0; i < extras.size(); ++i) {
    const ExtraInfo& extra = extras[i];
    char name[40];
    std::snprintf(name, sizeof name, "%-18s ", extra.name.c_str());
    out << Label(i == 0 ? "extras" : "") << name;
    if (extra.choices) {
      out << "choices: " << IndexedNames(extra.choiceNames);
    } else {
      out << "range " << FormatNumber(extra.minimum) << " to " << FormatNumber(extra.maximum);
    }
    out << "   (record slot " << (extra.slot ? std::to_string(*extra.slot) : std::string("unknown")) << ")\n";
  }
}

}  // namespace

void PrintChannelInfo(std::ostream& out, const ChannelInfo& info, const ChanSettings& record) {
  out << "Channel " << info.channel << ": " << info.type << "\n";
  out << Label("inputs") << (info.inputs.empty() ? "none" : IndexedNames(info.inputs)) << "\n";
  const std::string input = info.input >= 0 && info.input < static_cast<int>(info.inputs.size())
                                ? std::to_string(info.input) + " " + info.inputs[info.input]
                                : std::to_string(info.input);
  out << Label("gains") << (info.gains.empty() ? "none" : JoinNumbers(info.gains)) << "   (input " << input << ")\n";
  out << Label("max offset") << "+/-" << WithUnits(FormatNumber(info.maxOffset), info.units) << "   (record scale "
      << FormatNumber(record.scale) << ", gain " << FormatNumber(record.gain) << ")\n";
  PrintFilters(out, "low-pass", info.lowPass);
  PrintFilters(out, "high-pass", info.highPass);
  PrintExtras(out, info.extras);
}

int RunInfo(const Options& options) {
  CheckChannelNumber(options.channel);
  Session session(options);
  session.StartWithChannels();
  session.RequireChannel(options.channel);
  ChanSettings record = session.NewHostRecord();
  ChannelInfo info = ReadChannelInfo(options.channel, record);
  if (options.input) {
    const std::optional<int> input = FindByNameOrIndex(info.inputs, *options.input);
    if (!input) {
      throw CommandError(ExitCode::kBadValue,
                         "--input " + *options.input + ": the channel's inputs are " + IndexedNames(info.inputs));
    }
    record.input = static_cast<int16_t>(*input);
    info = ReadChannelInfo(options.channel, record);
  }
  if (options.json) {
    std::cout << ChannelInfoJson(info).dump(2) << std::endl;
  } else {
    PrintChannelInfo(std::cout, info, record);
  }
  return static_cast<int>(ExitCode::kOk);
}

}  // namespace vornctl
