// The demo picks its examples from what the simulated channels report, so
// it stays true whatever profiles the simulator has built in.
#include "demo.h"

#include <algorithm>
#include <iostream>
#include <map>

#include "exit_codes.h"
#include "host_record.h"
#include "info.h"
#include "number_text.h"
#include "scan.h"
#include "set.h"

namespace vornctl {
namespace {

struct Example {
  int channel;
  std::vector<std::string> words;  // key=value
  std::string why;
};

void Heading(const std::string& text) { std::cout << "\n=== " << text << " ===\n"; }

std::string Command(const Example& example) {
  std::string text = "$ vornctl set " + std::to_string(example.channel);
  for (const std::string& word : example.words) {
    text += word.find(' ') == std::string::npos ? " " + word : " \"" + word + "\"";
  }
  return text;
}

const ChannelInfo* FirstWith(const std::vector<ChannelInfo>& channels, bool (*fits)(const ChannelInfo&)) {
  auto it = std::find_if(channels.begin(), channels.end(), fits);
  return it != channels.end() ? &*it : nullptr;
}

// One and a half times the second gain offered, which the channel rounds
// to the nearest gain it offers.
std::optional<Example> GainExample(const std::vector<ChannelInfo>& channels) {
  const ChannelInfo* info = FirstWith(channels, [](const ChannelInfo& c) { return c.gains.size() >= 3; });
  if (info == nullptr) return std::nullopt;
  return Example{info->channel,
                 {"gain=" + FormatNumber(info->gains[1] * 1.5)},
                 "A gain the channel does not offer: it takes the nearest one, and the library rewrites the "
                 "record's scale so that code x scale still measures the same signal"};
}

std::optional<Example> OffsetExample(const ChannelInfo& info) {
  if (info.maxOffset <= 0) return std::nullopt;
  return Example{info.channel,
                 {"offset=" + FormatNumber(info.maxOffset / 3)},
                 "An offset in host units: the channel takes the nearest step, and the library moves the "
                 "record's zero by as much"};
}

std::optional<Example> FilterExample(const std::vector<ChannelInfo>& channels) {
  const ChannelInfo* info = FirstWith(
      channels, [](const ChannelInfo& c) { return c.lowPass.size() >= 2 && c.lowPass.back().cutoffs.size() >= 2; });
  if (info == nullptr) return std::nullopt;
  const FilterInfo& filter = info->lowPass.back();
  return Example{
      info->channel,
      {"lowpass-type=" + filter.name, "lowpass=" + FormatNumber(filter.cutoffs[1]), "coupling=ac", "notch=on"},
      "A filter characteristic by name with one of its cut-offs, AC coupling and the notch"};
}

// On the channel with the most extra settings, to show both kinds.
std::optional<Example> ExtraExample(const std::vector<ChannelInfo>& channels) {
  auto most = std::max_element(channels.begin(), channels.end(), [](const ChannelInfo& a, const ChannelInfo& b) {
    return a.extras.size() < b.extras.size();
  });
  if (most == channels.end() || most->extras.empty()) return std::nullopt;
  const ChannelInfo* info = &*most;
  Example example{info->channel, {}, "The channel's own extra settings, by name"};
  for (const ExtraInfo& extra : info->extras) {
    if (extra.choices && !extra.choiceNames.empty()) {
      example.words.push_back(extra.name + "=" + extra.choiceNames.back());
    } else if (!extra.choices) {
      example.words.push_back(extra.name + "=" + FormatNumber(extra.minimum + (extra.maximum - extra.minimum) * 0.75));
    }
  }
  if (example.words.empty()) return std::nullopt;
  return example;
}

// Applies an example to the record the demo keeps for its channel, as a
// host keeps the record that the library hands back.
void Run(const Session& session, const Example& example, std::map<int, ChanSettings>& records) {
  std::cout << "\n" << example.why << ".\n" << Command(example) << "\n";
  auto found = records.find(example.channel);
  if (found == records.end()) found = records.emplace(example.channel, session.NewHostRecord()).first;
  const SetOutcome outcome = ChangeSettings(example.channel, found->second, ParseRequests(example.words));
  PrintSetOutcome(std::cout, outcome);
  std::cout << "  The host's record (* changed):\n";
  PrintRecordComparison(std::cout, outcome.before, outcome.after);
  found->second = outcome.after;
}

void ShowRefusal(const Session& session, const ChannelInfo& info) {
  const Example example{info.channel,
                        {"input=" + std::to_string(info.inputs.size())},
                        "An input the channel does not have: vornctl refuses it and applies nothing"};
  std::cout << "\n" << example.why << ".\n" << Command(example) << "\n";
  try {
    ChangeSettings(example.channel, session.NewHostRecord(), ParseRequests(example.words));
  } catch (const CommandError& error) {
    std::cout << "vornctl: " << error.what() << "   (exit code " << static_cast<int>(error.code()) << ")\n";
  }
}

}  // namespace

int RunDemo(const Options& options) {
  if (options.port) throw CommandError(ExitCode::kUsage, "demo runs on the simulator only; leave out --port");
  std::cout << "vornctl demo: a guided run on the built-in simulator, no hardware needed.\n"
               "Every step goes through the library's exported functions, as a host program's would.\n";
  Session session(options);

  Heading("1. Scan the line (InitCond probes each channel number)");
  const std::vector<ScanRow> rows = ScanLine(session, nullptr);
  PrintScan(std::cout, rows, session.LineDescription());
  std::vector<ChannelInfo> channels;
  for (const ScanRow& row : rows) {
    if (row.info) channels.push_back(*row.info);
  }
  if (channels.empty()) throw CommandError(ExitCode::kNoChannels, session.NoChannelsMessage());

  Heading("2. What each channel offers (GetCondInfo2)");
  for (const ChannelInfo& info : channels) {
    std::cout << "\n";
    PrintChannelInfo(std::cout, info, session.NewHostRecord());
  }

  Heading("3. Settings (SetCondChan, CondGainTo, CondOffsTo)");
  std::map<int, ChanSettings> records;
  if (std::optional<Example> gain = GainExample(channels)) {
    Run(session, *gain, records);
    // The offset's reach depends on the gain just set.
    ChanSettings record = records.at(gain->channel);
    if (std::optional<Example> offset = OffsetExample(ReadChannelInfo(gain->channel, record))) {
      Run(session, *offset, records);
    }
  }
  if (std::optional<Example> filter = FilterExample(channels)) Run(session, *filter, records);
  if (std::optional<Example> extra = ExtraExample(channels)) Run(session, *extra, records);
  ShowRefusal(session, channels.front());

  Heading("Next");
  std::cout << "  vornctl scan                      the same scan, on its own\n"
               "  vornctl info 0 --json             a channel's capabilities for a script\n"
               "  vornctl set 0 gain=3 notch=on     change settings (vornctl set --help lists the keys)\n"
               "  vornctl trace info 0              every command and reply on the line, with time stamps\n"
               "  vornctl --port /dev/ttyUSB0 scan  the same on a real line (COM3 on Windows)\n";
  return static_cast<int>(ExitCode::kOk);
}

}  // namespace vornctl
