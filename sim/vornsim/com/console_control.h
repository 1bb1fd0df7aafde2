// Ctrl-C, Ctrl-Break and the console window closing (or the user logging
// off) ask vornsim to stop cleanly. Windows ends a process whose console
// closes as soon as the handler returns, so the handler holds it until
// vornsim has finished and its state is written.
#pragma once

namespace vornsim {

class ConsoleControl {
 public:
  ConsoleControl();   // installs the handler; throws std::runtime_error
  ~ConsoleControl();  // vornsim has finished: a closing console may go on
  ConsoleControl(const ConsoleControl&) = delete;
  ConsoleControl& operator=(const ConsoleControl&) = delete;

  bool StopRequested() const;
  void WaitForStop() const;
};

}  // namespace vornsim
