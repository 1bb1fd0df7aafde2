// `scan`: the channels on the line, what became of each probe, and a
// summary of what each channel found offers.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "channel_info.h"
#include "options.h"
#include "session.h"

namespace vornctl {

struct ScanRow {
  int channel = -1;
  std::string status;                // "ok", "no answer", "rejected" or "comms error"
  std::vector<std::string> replies;  // what a channel that was not taken answered
  std::optional<ChannelInfo> info;   // a channel found
};

// Starts the session (with its progress line on `progress`, if not null)
// and reads what each channel found offers. Throws like Session::Start.
std::vector<ScanRow> ScanLine(Session& session, std::ostream* progress);

void PrintScan(std::ostream& out, const std::vector<ScanRow>& rows, const std::string& line);
nlohmann::json ScanJson(const std::vector<ScanRow>& rows, const std::string& line);

int RunScan(const Options& options);

}  // namespace vornctl
