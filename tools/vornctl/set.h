// `set CH key=value ...`: applies settings to a channel through the host's
// record and shows what the channel took and how the record's scaling
// was rewritten.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <vector>

#include "channel_info.h"
#include "options.h"
#include "session.h"
#include "setting_request.h"

namespace vornctl {

struct SetOutcome {
  int channel = -1;
  std::vector<SettingRequest> requests;
  ChanSettings before;  // the host's record as handed in
  ChanSettings after;   // the record as the library left it
  ChannelInfo info;     // the channel, for the input it took
};

// Applies the requests to the channel, starting from the host's record:
// SetCondChan with everything but gain and offset, then CondGainTo and
// CondOffsTo. Throws CommandError for keys and values the channel cannot
// take before any setting is applied (the capability queries have run).
SetOutcome ChangeSettings(int channel, const ChanSettings& record,
                          const std::vector<SettingRequest>& requests);

void PrintSetOutcome(std::ostream& out, const SetOutcome& outcome);
nlohmann::json SetOutcomeJson(const SetOutcome& outcome);

int RunSet(const Options& options);

}  // namespace vornctl
