// The line served on a pseudo-terminal, steered by signals: SIGTERM and
// SIGINT stop it, SIGUSR1 brings a dead line back.
#include <iostream>
#include <optional>

#include "line_server.h"
#include "line_service.h"
#include "pseudo_terminal.h"
#include "slave_link.h"

namespace vornsim {
namespace {

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

}  // namespace

struct LineService::Platform {
  ControlSignals signals;
};

LineService::LineService() : platform_(std::make_unique<Platform>()) {}

LineService::~LineService() = default;

void LineService::Serve(Simulator& simulator, const std::function<uint64_t()>& nowMicros, const Options& options,
                        CommandRecord* record) {
  // A line that died closed has no port until SIGUSR1 brings it back on a
  // new pseudo-terminal.
  while (ServeOnePort(simulator, nowMicros, options, record, platform_->signals) == LineEnd::kClosed &&
         platform_->signals.WaitForRevival()) {
    simulator.Revive();
  }
}

}  // namespace vornsim
