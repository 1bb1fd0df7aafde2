// The line served on a COM port, stopped from the console.
#include <iostream>

#include "com_port.h"
#include "com_port_server.h"
#include "console_control.h"
#include "line_service.h"

namespace vornsim {

struct LineService::Platform {
  ConsoleControl control;
};

LineService::LineService() : platform_(std::make_unique<Platform>()) {}

LineService::~LineService() = default;

void LineService::Serve(Simulator& simulator, const std::function<uint64_t()>& nowMicros, const Options& options,
                        CommandRecord* record) {
  ComPort port(*options.port);
  std::cout << "port: " << port.name() << std::endl;
  ComPortServer server(simulator, nowMicros, port, record);
  if (server.Run(platform_->control)) {
    // A line that died closed lets go of its port: the host finds it silent.
    port.Close();
    platform_->control.WaitForStop();
  }
}

}  // namespace vornsim
