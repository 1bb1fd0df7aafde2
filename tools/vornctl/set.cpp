#include "set.h"

#include <cstdio>
#include <iostream>

#include "exit_codes.h"
#include "host_record.h"
#include "number_text.h"
#include "setting_keys.h"
#include "taken_settings.h"

namespace vornctl {
namespace {

void Check(int32_t status, const char* call) {
  if (status != COND_OK) {
    throw CommandError(ExitCode::kInternal, std::string(call) + " failed with code " + std::to_string(status));
  }
}

const SettingRequest* RequestFor(const SetOutcome& outcome, const TakenSetting& taken) {
  for (const SettingRequest& request : outcome.requests) {
    if (request.key == keys::Canonical(taken.key)) return &request;
  }
  return nullptr;
}

// Why a number-valued setting differs from its request, if it does.
std::string SnapNote(const SettingRequest& request, const TakenSetting& taken) {
  if (!taken.number) return "";
  const std::optional<double> requested =
      keys::Canonical(request.value) == "off" ? std::optional<double>(0.0) : ParseNumber(request.value);
  if (!requested || FormatNumber(*requested) == FormatNumber(*taken.number)) return "";
  return "   (" + taken.why + ")";
}

}  // namespace

SetOutcome ChangeSettings(const Session& session, int channel, const ChanSettings& record,
                          const std::vector<SettingRequest>& requests) {
  SetOutcome outcome;
  outcome.channel = channel;
  outcome.requests = requests;
  outcome.before = record;

  // The gains offered depend on the input: learn them for the one requested.
  ChanSettings working = record;
  ChannelInfo info = ReadChannelInfo(channel, working, session.extraSlots());
  if (std::optional<int> input = RequestedInput(requests, info); input && *input != working.input) {
    working.input = static_cast<int16_t>(*input);
    info = ReadChannelInfo(channel, working, session.extraSlots());
  }
  SettingPlan plan = PlanSettings(requests, info, working);

  ChanSettings& applied = plan.record;
  Check(SetCondChan(channel, &applied), "SetCondChan");
  if (plan.gain) Check(CondGainTo(static_cast<float>(*plan.gain), channel, &applied), "CondGainTo");
  if (plan.offset) Check(CondOffsTo(static_cast<float>(*plan.offset), channel, &applied), "CondOffsTo");

  outcome.after = applied;
  // The limits that now hold: gains of the input taken, offset reach at the new gain.
  outcome.info = ReadChannelInfo(channel, applied, session.extraSlots());
  return outcome;
}

void PrintSetOutcome(std::ostream& out, const SetOutcome& outcome) {
  out << "Channel " << outcome.channel << " (" << outcome.info.type << ") took:\n";
  char line[200];
  std::snprintf(line, sizeof line, "  %-16s %-20s %s\n", "setting", "took", "requested");
  out << line;
  for (const TakenSetting& taken : TakenSettings(outcome.after, outcome.info)) {
    const SettingRequest* request = RequestFor(outcome, taken);
    if (request == nullptr) {
      std::snprintf(line, sizeof line, "  %-16s %s\n", taken.key.c_str(), taken.text.c_str());
      out << line;
      continue;
    }
    std::snprintf(line, sizeof line, "  %-16s %-20s %s", taken.key.c_str(), taken.text.c_str(), request->value.c_str());
    out << line << SnapNote(*request, taken) << "\n";
  }
  const ChanSettings& before = outcome.before;
  const ChanSettings& after = outcome.after;
  out << "Host scaling (value = code x scale + zero):\n"
      << "  scale  " << FormatNumber(before.scale) << " -> " << FormatNumber(after.scale) << "\n"
      << "  zero   " << FormatNumber(before.zero) << " -> " << FormatNumber(after.zero) << "\n";
}

nlohmann::json SetOutcomeJson(const SetOutcome& outcome) {
  nlohmann::json requested = nlohmann::json::object();
  for (const SettingRequest& request : outcome.requests) requested[request.key] = request.value;
  nlohmann::json took = nlohmann::json::object();
  for (const TakenSetting& taken : TakenSettings(outcome.after, outcome.info)) took[taken.key] = taken.value;
  return {
      {"channel", outcome.channel},
      {"type", outcome.info.type},
      {"requested", requested},
      {"took", took},
      {"record", {{"before", RecordJson(outcome.before)}, {"after", RecordJson(outcome.after)}}},
  };
}

int RunSet(const Options& options) {
  CheckChannelNumber(options.channel);
  const std::vector<SettingRequest> requests = ParseRequests(options.settings);
  Session session(options);
  session.StartWithChannels();
  session.RequireChannel(options.channel);
  const SetOutcome outcome = ChangeSettings(session, options.channel, session.NewHostRecord(), requests);
  if (options.json) {
    std::cout << SetOutcomeJson(outcome).dump(2) << std::endl;
  } else {
    PrintSetOutcome(std::cout, outcome);
  }
  return static_cast<int>(ExitCode::kOk);
}

}  // namespace vornctl
