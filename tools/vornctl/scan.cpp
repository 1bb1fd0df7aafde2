#include "scan.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "exit_codes.h"
#include "platform.h"

namespace vornctl {
namespace {

const char kOk[] = "ok";
const char kNoAnswer[] = "no answer";

ScanRow RowFor(const Probe& probe) {
  if (probe.linkError) return {probe.channel, "comms error", probe.replies, std::nullopt};
  if (probe.replies.empty()) return {probe.channel, kNoAnswer, {}, std::nullopt};
  return {probe.channel, "rejected", probe.replies, std::nullopt};
}

std::string Quoted(const std::vector<std::string>& replies) {
  std::string text = "replied";
  for (const std::string& reply : replies) text += " \"" + reply + "\"";
  return text;
}

// Channel numbers with runs written as ranges: "7, 9-127".
std::string NumberRanges(const std::vector<int>& numbers) {
  std::string text;
  for (size_t i = 0; i < numbers.size();) {
    size_t end = i;
    while (end + 1 < numbers.size() && numbers[end + 1] == numbers[end] + 1) ++end;
    text += (text.empty() ? "" : ", ") + std::to_string(numbers[i]);
    if (end > i) text += "-" + std::to_string(numbers[end]);
    i = end + 1;
  }
  return text;
}

std::string FiltersText(const ChannelInfo& info) {
  return std::to_string(info.lowPass.size()) + " LP, " + std::to_string(info.highPass.size()) + " HP";
}

}  // namespace

std::vector<ScanRow> ScanLine(Session& session, std::ostream* progress) {
  session.Start(progress);
  std::vector<ScanRow> rows;
  for (const Probe& probe : session.probes()) {
    if (CondOnChan(probe.channel, 0) == 0) {
      rows.push_back(RowFor(probe));
      continue;
    }
    ChanSettings record = session.NewHostRecord();
    rows.push_back({probe.channel, kOk, {}, ReadChannelInfo(probe.channel, record)});
  }
  return rows;
}

void PrintScan(std::ostream& out, const std::vector<ScanRow>& rows, const std::string& line) {
  out << "Line: " << line << "\n";
  char text[200];
  std::snprintf(text, sizeof text, "%7s  %-11s  %-9s %6s %6s  %-12s %6s\n", "channel", "status", "type", "inputs",
                "gains", "filters", "extras");
  out << text;
  std::vector<int> silent;
  int found = 0;
  for (const ScanRow& row : rows) {
    if (row.status == kNoAnswer) {
      silent.push_back(row.channel);
    } else if (row.info) {
      const ChannelInfo& info = *row.info;
      std::snprintf(text, sizeof text, "%7d  %-11s  %-9s %6zu %6zu  %-12s %6zu\n", row.channel, row.status.c_str(),
                    info.type.c_str(), info.inputs.size(), info.gains.size(), FiltersText(info).c_str(),
                    info.extras.size());
      out << text;
      ++found;
    } else {
      std::snprintf(text, sizeof text, "%7d  %-11s  ", row.channel, row.status.c_str());
      out << text << Quoted(row.replies) << "\n";
    }
  }
  if (!silent.empty()) out << "No answer from: " << NumberRanges(silent) << "\n";
  out << found << (found == 1 ? " channel" : " channels") << " found.\n";
}

nlohmann::json ScanJson(const std::vector<ScanRow>& rows, const std::string& line) {
  nlohmann::json channels = nlohmann::json::array();
  int found = 0;
  for (const ScanRow& row : rows) {
    nlohmann::json entry = {{"channel", row.channel}, {"status", row.status}};
    if (row.info) {
      entry.update(ChannelInfoJson(*row.info));
      ++found;
    } else {
      entry["replies"] = row.replies;
    }
    channels.push_back(entry);
  }
  return {{"line", line}, {"found", found}, {"channels", channels}};
}

int RunScan(const Options& options) {
  Session session(options);
  const std::vector<ScanRow> rows = ScanLine(session, !options.json && StdoutIsTerminal() ? &std::cout : nullptr);
  const bool found = std::any_of(rows.begin(), rows.end(), [](const ScanRow& row) { return row.info.has_value(); });
  nlohmann::json json;
  if (options.json) {
    json = ScanJson(rows, session.LineDescription());
  } else {
    PrintScan(std::cout, rows, session.LineDescription());
  }
  // With nothing found, the JSON of what each probe met comes with the error.
  if (!found) throw CommandError(ExitCode::kNoChannels, session.NoChannelsMessage(), json);
  if (options.json) std::cout << json.dump(2) << std::endl;
  return static_cast<int>(ExitCode::kOk);
}

}  // namespace vornctl
