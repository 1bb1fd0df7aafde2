#include "console_control.h"

#include <windows.h>

#include <stdexcept>
#include <string>

namespace vornsim {
namespace {

// Windows gives a closing console's handlers five seconds.
constexpr DWORD kFinishWithinMs = 4500;

HANDLE stopRequested = nullptr;  // manual-reset events
HANDLE finished = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  SetEvent(stopRequested);
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    WaitForSingleObject(finished, kFinishWithinMs);
  }
  return TRUE;
}

}  // namespace

ConsoleControl::ConsoleControl() {
  stopRequested = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (stopRequested == nullptr || finished == nullptr || !SetConsoleCtrlHandler(OnConsoleEvent, TRUE)) {
    throw std::runtime_error("cannot watch the console (Windows error " + std::to_string(GetLastError()) + ")");
  }
}

ConsoleControl::~ConsoleControl() { SetEvent(finished); }

bool ConsoleControl::StopRequested() const { return WaitForSingleObject(stopRequested, 0) == WAIT_OBJECT_0; }

void ConsoleControl::WaitForStop() const { WaitForSingleObject(stopRequested, INFINITE); }

}  // namespace vornsim
