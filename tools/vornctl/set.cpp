#include "set.h"

#include <cstdio>
#include <cstring>
#include <iostream>

#include "exit_codes.h"
#include "host_record.h"
#include "number_text.h"
#include "platform.h"
#include "remembered_settings.h"
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

// The remembered settings of the session's line, if it keeps any.
std::optional<RememberedSettings> RememberedFor(const Session& session) {
  const std::optional<std::string> key = session.SettingsKey();
  if (!key) return std::nullopt;
  const std::optional<std::filesystem::path> directory = StateDirectory();
  if (!directory) {
    std::cerr << "vornctl: the environment names no home directory: the settings applied are not remembered"
              << std::endl;
    return std::nullopt;
  }
  return RememberedSettings(*directory, *key);
}

// The record last applied to the channel, with the scaling that the command
// line gives; nothing when none is remembered.
std::optional<ChanSettings> RecalledRecord(const Options& options, const Session& session,
                                           const RememberedSettings& remembered) {
  const ChanSettings given = session.NewHostRecord();
  std::optional<ChanSettings> record = remembered.Recall(options.channel, given, std::cerr);
  if (!record) return std::nullopt;
  if (options.scale) record->scale = given.scale;
  if (options.zero) record->zero = given.zero;
  if (options.units) std::memcpy(record->units, given.units, sizeof record->units);
  return record;
}

}  // namespace

SetOutcome ChangeSettings(int channel, const ChanSettings& record,
                          const std::vector<SettingRequest>& requests) {
  SetOutcome outcome;
  outcome.channel = channel;
  outcome.requests = requests;
  outcome.before = record;

  // The gains offered depend on the input: learn them for the one requested.
  ChanSettings working = record;
  ChannelInfo info = ReadChannelInfo(channel, working);
  if (std::optional<int> input = RequestedInput(requests, info); input && *input != working.input) {
    working.input = static_cast<int16_t>(*input);
    info = ReadChannelInfo(channel, working);
  }
  SettingPlan plan = PlanSettings(requests, info, working);

  ChanSettings& applied = plan.record;
  Check(SetCondChan(channel, &applied), "SetCondChan");
  if (plan.gain) Check(CondGainTo(static_cast<float>(*plan.gain), channel, &applied), "CondGainTo");
  if (plan.offset) Check(CondOffsTo(static_cast<float>(*plan.offset), channel, &applied), "CondOffsTo");

  outcome.after = applied;
  // The limits that now hold: gains of the input taken, offset reach at the new gain.
  outcome.info = ReadChannelInfo(channel, applied);
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
  const std::optional<RememberedSettings> remembered = RememberedFor(session);
  std::optional<ChanSettings> recalled;
  if (remembered && !options.fresh) recalled = RecalledRecord(options, session, *remembered);

  const SetOutcome outcome =
      ChangeSettings(options.channel, recalled.value_or(session.NewHostRecord()), requests);
  if (remembered) remembered->Remember(options.channel, outcome.after, std::cerr);

  if (options.json) {
    nlohmann::json json = SetOutcomeJson(outcome);
    json["startedFrom"] = recalled ? "remembered" : "defaults";
    std::cout << json.dump(2) << std::endl;
  } else {
    if (recalled) {
      std::cout << "Started from the settings last applied, kept in " << remembered->file().string()
                << " (--fresh starts from the defaults).\n";
    }
    PrintSetOutcome(std::cout, outcome);
  }
  return static_cast<int>(ExitCode::kOk);
}

}  // namespace vornctl
