// vornsim: simulated Vorn conditioner channels on one serial line, served
// where a program (the library, under Wine or on Windows, a terminal, a
// test) can open them as a serial port: a pseudo-terminal on POSIX systems,
// a COM port on Windows.
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <iostream>
#include <optional>
#include <stdexcept>

#include "command_line.h"
#include "command_record.h"
#include "line_service.h"
#include "line_setup.h"
#include "settings_state.h"

namespace vornsim {
namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// The line file's channels, then those of --channel options.
LineSetup AssembleLine(const Options& options) {
  LineSetup setup;
  if (options.lineFile) setup = LoadLineFile(*options.lineFile);
  for (const std::string& option : options.channels) setup.channels.push_back(ChannelFromOption(option));
  if (setup.channels.empty()) throw std::invalid_argument("no channel on the line");
  return setup;
}

std::vector<int> ChannelNumbers(const LineSetup& setup) {
  std::vector<int> numbers;
  for (const ChannelSetup& channel : setup.channels) numbers.push_back(channel.number);
  return numbers;
}

int Run(int argc, char** argv) {
  LineService service;  // before anything else, so that an early stop waits its turn
  const std::optional<Options> options = ParseCommandLine(argc, argv);
  if (!options) return 0;
  if (options->listProfiles) {
    for (const std::string& name : ProfileNames()) std::cout << name << '\n';
    return 0;
  }

  const LineSetup setup = AssembleLine(*options);
  const auto start = std::chrono::steady_clock::now();
  const std::function<uint64_t()> nowMicros = [start] {
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count());
  };
  Simulator simulator(nowMicros);
  SetUpLine(simulator, setup);
  std::optional<CommandRecord> record;
  if (options->record) record.emplace(*options->record);

  service.Serve(simulator, nowMicros, *options, record ? &*record : nullptr);
  if (options->state) WriteSettingsState(*options->state, simulator, ChannelNumbers(setup));
  return 0;
}

}  // namespace
}  // namespace vornsim

int main(int argc, char** argv) {
  try {
    return vornsim::Run(argc, argv);
  } catch (const std::invalid_argument& error) {
    std::cerr << "vornsim: " << error.what() << std::endl;
    return vornsim::kExitUsage;
  } catch (const std::exception& error) {
    std::cerr << "vornsim: " << error.what() << std::endl;
    return vornsim::kExitFailure;
  }
}
