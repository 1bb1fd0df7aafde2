// vornsim: simulated Vorn conditioner channels on one serial line, served on
// a pseudo-terminal so that a program (the library under Wine, a terminal,
// a test) can open them as a COM port.
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <iostream>
#include <optional>
#include <stdexcept>

#include "command_line.h"
#include "command_record.h"
#include "line_server.h"
#include "line_setup.h"
#include "pseudo_terminal.h"
#include "settings_state.h"
#include "slave_link.h"
#include "control_signals.h"

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

// Serves the line on a pseudo-terminal of its own (linked at --link) until
// a stop, or until the line dies closed: the port then goes away with it.
// The line is revived on the same port. Whenever the line is ready, at the
// start and after each revival, the port's path is printed.
LineEnd ServeOnePort(Simulator& simulator, const std::function<uint64_t()>& nowMicros, const Options& options,
                     CommandRecord* record, const ControlSignals& signals) {
  PseudoTerminal terminal;
  std::optional<SlaveLink> link;
  if (options.link) link.emplace(*options.link, terminal.slavePath());
  for (;;) {
    std::cout << "pty: " << terminal.slavePath() << std::endl;
    LineServer server(simulator, nowMicros, terminal.master(), record);
    const LineEnd end = server.Run(signals, options.exitOnStdinEof);
    if (end != LineEnd::kRevived) return end;
    simulator.Revive();
  }
}

std::vector<int> ChannelNumbers(const LineSetup& setup) {
  std::vector<int> numbers;
  for (const ChannelSetup& channel : setup.channels) numbers.push_back(channel.number);
  return numbers;
}

int Run(int argc, char** argv) {
  const ControlSignals signals;  // before anything else, so that an early signal waits its turn
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

  // A line that died closed has no port until SIGUSR1 brings it back on a
  // new pseudo-terminal.
  while (ServeOnePort(simulator, nowMicros, *options, record ? &*record : nullptr, signals) == LineEnd::kClosed &&
         signals.WaitForRevival()) {
    simulator.Revive();
  }
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
