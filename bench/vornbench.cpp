// vornbench: times the library's exchanges (see plan.h) with the library
// linked in, and counts what they put on the line.
//
//   vornbench plan                 the plan, as JSON
//   vornbench virtual              every run on the simulator's virtual clock
//   vornbench realtime RUN PATH    one run in real time over a serial port or
//                                  pseudo-terminal (vornsim's), with the
//                                  process's processor time
//
// Results are JSON: one object per timed step, with its protocol time, its
// wall and processor time, its wire count and its floor.
#include <functional>
#include <iostream>
#include <stdexcept>
#include <string>

#include "api/library_state.h"
#include "condvorn.h"
#include "in_process_line.h"
#include "os/os_posix.h"
#include "plan.h"
#include "profile.h"
#include "simulator.h"
#include "steps.h"
#include "wire_count.h"

namespace bench {
namespace {

constexpr int32_t kPortSetting = 1;
// Between steps, long enough for the line to carry what the last one left
// in the output queue, so that each step starts on an idle line.
constexpr uint32_t kIdleMicros = 250000;

const Exports kLinkedExports{&InitCond, &SetCondChan, &CondGainChange, &GetCondInfo2, &CondOnChan};

// Installs the platform's services with `clock` and `link` in place of its
// own, the library in its state at load, and the run's settings.
condvorn::Os InstallFor(const Run& run, condvorn::Clock& clock, condvorn::SerialLink& link) {
  const condvorn::Os platform = condvorn::PlatformOs();
  condvorn::PosixConfig().registry = {{"Port", kPortSetting},
                                      {"Dump", 0},
                                      {"First", static_cast<uint32_t>(run.first)},
                                      {"Last", static_cast<uint32_t>(run.last)}};
  const condvorn::Os previous = condvorn::InstallOs({&clock, platform.config, platform.logFile, platform.host, &link});
  condvorn::LoadLibraryState();
  return previous;
}

// Runs the run's steps; `protocolMs` reads the clock the line runs on.
nlohmann::json TimeSteps(size_t runIndex, const Run& run, CountingLink& link, double turnaroundMs,
                         const std::function<double()>& protocolMs) {
  nlohmann::json rows = nlohmann::json::array();
  for (const PlanStep& step : run.steps) {
    condvorn::CurrentOs().clock->Pause(kIdleMicros);
    link.Take();
    const double start = protocolMs();
    const StepResult result = RunStep(kLinkedExports, step.step);
    const double took = protocolMs() - start;
    const WireCount count = link.Take();
    if (step.name.empty()) continue;
    rows.push_back({{"run", runIndex},
                    {"step", step.step},
                    {"name", step.name},
                    {"result", result.result},
                    {"protocolMs", took},
                    {"cpuMs", result.cpuMs},
                    {"floorMs", FloorMs(count, turnaroundMs)},
                    {"wire", CountJson(count)}});
  }
  KillCond();
  return rows;
}

nlohmann::json VirtualRuns(const std::vector<Run>& plan) {
  nlohmann::json rows = nlohmann::json::array();
  for (size_t index = 0; index < plan.size(); ++index) {
    const Run& run = plan[index];
    vornsim::VirtualClock clock;
    vornsim::Simulator sim{[&clock] { return clock.NowMicros(); }};
    for (const PlanChannel& channel : run.channels) {
      sim.AddChannel(channel.number, vornsim::NamedProfile(channel.profile)).faults.silent = channel.silent;
    }
    vornsim::SimLink simLink{sim, clock};
    CountingLink link{simLink};
    const condvorn::Os previous = InstallFor(run, clock, link);
    for (auto& row : TimeSteps(index, run, link, sim.timing.turnaroundMs, [&clock] { return clock.NowMs(); })) {
      rows.push_back(row);
    }
    condvorn::InstallOs(previous);
  }
  return rows;
}

nlohmann::json RealTimeRun(const std::vector<Run>& plan, size_t index, const std::string& path) {
  if (index >= plan.size()) throw std::invalid_argument("no run " + std::to_string(index) + " in the plan");
  condvorn::PosixLink().SetPortPath(kPortSetting, path);
  const condvorn::Os platform = condvorn::PlatformOs();
  CountingLink link{*platform.link};
  const condvorn::Os previous = InstallFor(plan[index], *platform.clock, link);
  const nlohmann::json rows = TimeSteps(index, plan[index], link, vornsim::Timing{}.turnaroundMs,
                                        [] { return ProcessTimesNow().wallMs; });
  condvorn::InstallOs(previous);
  return rows;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  try {
    const std::vector<bench::Run> plan = bench::BenchmarkPlan();
    if (mode == "plan" && argc == 2) {
      std::cout << bench::PlanJson(plan).dump(1) << std::endl;
    } else if (mode == "virtual" && argc == 2) {
      std::cout << bench::VirtualRuns(plan).dump(1) << std::endl;
    } else if (mode == "realtime" && argc == 4) {
      std::cout << bench::RealTimeRun(plan, std::stoul(argv[2]), argv[3]).dump(1) << std::endl;
    } else {
      std::cerr << "usage: vornbench plan | virtual | realtime RUN PATH\n";
      return 2;
    }
  } catch (const std::exception& error) {
    std::cerr << "vornbench: " << error.what() << std::endl;
    return 1;
  }
  return 0;
}
