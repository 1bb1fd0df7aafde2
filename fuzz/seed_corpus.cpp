// Writes the reply fuzzer's seed inputs: the fuzzer's session run against
// the simulated line, once for each built-in profile, each fault of a
// channel and each death of the line, and with hostile host records; each
// becomes an input whose chunks are what the line answered to each command.
//
//   seed_corpus DIRECTORY
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "api/chan_settings.h"
#include "fuzz_input.h"
#include "in_process_line.h"
#include "profile.h"
#include "session.h"
#include "simulator.h"

namespace condvorn::fuzz {
namespace {

using vornsim::DeathKind;
using vornsim::ListFaultKind;

struct Seed {
  std::string name;
  HostPart host;
  std::function<void(vornsim::Simulator&)> buildLine;
};

HostPart TypicalHost() {
  HostPart host;
  host.last = 2;
  host.dump = 1;
  host.steps = 1;
  host.gainTo = 8.0f;
  host.offsetTo = 0.01f;
  host.record = DefaultChanSettings();
  host.record.scale = 0.001f;
  host.record.gain = 10.0f;
  host.record.offset = 0.002f;
  host.record.flags = COND_FLAG_AC_COUPLING | COND_FLAG_NOTCH;
  host.record.lowPassCutoff = 100.0f;
  host.record.highPassCutoff = 1.0f;
  host.record.extraValues[1] = 2.0f;
  host.record.extraValues[2] = 12.0f;
  return host;
}

// A df3 channel at 0 with a fault.
std::function<void(vornsim::Simulator&)> FaultyDf3(std::function<void(vornsim::Faults&)> spoil) {
  return [spoil](vornsim::Simulator& sim) { spoil(sim.AddChannel(0, vornsim::NamedProfile("df3")).faults); };
}

std::vector<Seed> Seeds() {
  const HostPart host = TypicalHost();
  std::vector<Seed> seeds;
  for (const std::string& profile : vornsim::ProfileNames()) {
    seeds.push_back({"profile-" + profile, host, [profile](vornsim::Simulator& sim) {
                       sim.AddChannel(0, vornsim::NamedProfile(profile));
                     }});
  }
  seeds.push_back({"line-of-five", host, [](vornsim::Simulator& sim) {
                     int number = 0;
                     for (const char* profile : {"df3", "df2", "df1", "old-firmware", "classic"}) {
                       sim.AddChannel(number++, vornsim::NamedProfile(profile));
                     }
                   }});

  seeds.push_back({"fault-silent", host, FaultyDf3([](vornsim::Faults& f) { f.silent = true; })});
  seeds.push_back({"fault-other-number", host, FaultyDf3([](vornsim::Faults& f) { f.channelReply = 7; })});
  seeds.push_back({"fault-short-version", host, FaultyDf3([](vornsim::Faults& f) { f.versionReply = "Vorn22"; })});
  seeds.push_back({"fault-no-version", host, FaultyDf3([](vornsim::Faults& f) { f.versionReply = ""; })});
  seeds.push_back({"fault-stall", host, FaultyDf3([](vornsim::Faults& f) { f.stallAfterFirstChar = true; })});
  seeds.push_back({"fault-overlong", host, FaultyDf3([](vornsim::Faults& f) { f.overlongBy = 25; })});
  seeds.push_back({"fault-garbage", host, FaultyDf3([](vornsim::Faults& f) { f.garbage = true; })});
  seeds.push_back({"fault-dead-after-gains", host, FaultyDf3([](vornsim::Faults& f) { f.deadAfter = "?GS"; })});
  seeds.push_back({"fault-raw-notch", host, FaultyDf3([](vornsim::Faults& f) { f.rawReplies["?NT"] = "6O\r\n"; })});
  const std::pair<ListFaultKind, const char*> kinds[] = {{ListFaultKind::kAnnounceZero, "zero"},
                                                         {ListFaultKind::kAnnounceTooMany, "too-many"},
                                                         {ListFaultKind::kBreakOff, "break-off"},
                                                         {ListFaultKind::kNonNumeric, "non-numeric"}};
  for (const char* list : {"IS", "GS", "OS", "LD1", "FA1"}) {
    for (const auto& [kind, kindName] : kinds) {
      const auto spoil = [list = std::string(list), kind = kind](vornsim::Faults& f) {
        f.lists[list] = vornsim::ListFault{kind, 1};
      };
      seeds.push_back({std::string("list-") + list + "-" + kindName, host, FaultyDf3(spoil)});
    }
  }
  seeds.push_back({"list-old-firmware-cutoffs", host, [](vornsim::Simulator& sim) {
                     vornsim::Faults& faults = sim.AddChannel(0, vornsim::NamedProfile("old-firmware")).faults;
                     faults.lists["LS"] = vornsim::ListFault{ListFaultKind::kNonNumeric, -1};
                     faults.lists["HS"] = vornsim::ListFault{ListFaultKind::kBreakOff, -1};
                   }});
  const std::pair<DeathKind, const char*> deaths[] = {
      {DeathKind::kSilence, "silence"}, {DeathKind::kClose, "close"}, {DeathKind::kGarbage, "garbage"}};
  for (const auto& [kind, kindName] : deaths) {
    seeds.push_back({std::string("death-") + kindName, host, [kind = kind](vornsim::Simulator& sim) {
                       sim.AddChannel(0, vornsim::NamedProfile("df3"));
                       sim.ArmDeath(vornsim::LineDeath{kind, std::nullopt, 8});
                     }});
  }

  // Hostile hosts on a healthy channel.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const std::pair<const char*, std::function<void(HostPart&)>> hostile[] = {
      {"nan-gain", [&](HostPart& h) { h.record.gain = nan; h.record.offset = -inf; }},
      {"huge-values", [](HostPart& h) { h.gainTo = 1e30f; h.offsetTo = -3e38f; h.record.scale = 3e38f; }},
      {"huge-extra", [](HostPart& h) { h.record.extraValues[1] = -2.5e9f; }},
      {"tiny-range", [](HostPart& h) { h.adcRange = 1e-300; h.record.input = -3; h.record.lowPassType = 40; }},
      {"port-errors", [](HostPart& h) { h.failingSend = 5; h.failingRead = 40; }},
  };
  for (const auto& [name, spoil] : hostile) {
    HostPart changed = host;
    spoil(changed);
    seeds.push_back({std::string("host-") + name, changed, FaultyDf3([](vornsim::Faults&) {})});
  }
  return seeds;
}

// The seed's input: the session on the simulated line, with each command's
// reply as the chunk for that command.
std::string SeedInput(const Seed& seed) {
  vornsim::VirtualClock clock;
  vornsim::Simulator sim([&clock] { return clock.NowMicros(); });
  seed.buildLine(sim);
  vornsim::SimLink link(sim, clock);
  RunSession(seed.host, link, clock);
  std::vector<std::string> replies;
  for (const vornsim::Received& command : sim.received()) replies.push_back(command.reply);
  return SerializeFuzzInput(seed.host, replies);
}

}  // namespace
}  // namespace condvorn::fuzz

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: seed_corpus DIRECTORY\n");
    return 2;
  }
  const std::filesystem::path directory = argv[1];
  std::filesystem::create_directories(directory);
  for (const auto& seed : condvorn::fuzz::Seeds()) {
    std::ofstream(directory / seed.name, std::ios::binary) << condvorn::fuzz::SeedInput(seed);
  }
  return 0;
}
