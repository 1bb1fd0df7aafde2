// The host's own window: the control panel's owner, which collects the
// panel's "ZELCOND_MSG" notifications while the script pumps messages.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>
#include <vector>

namespace condhost {

class HostWindow {
 public:
  HostWindow();
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  HWND handle() const { return window_; }
  // Handles messages for `ms` milliseconds.
  void Pump(DWORD ms);
  // The notifications (wParam, lParam) received since the last call.
  std::vector<std::pair<WPARAM, LPARAM>> TakeNotes();
  // Calls `tick` every `ms` milliseconds while messages are handled (in a
  // modal loop too), until StopTicks.
  void StartTicks(DWORD ms, std::function<void()> tick);
  void StopTicks();
  // Called for each notification as it arrives, as a host reacts to it.
  void OnNote(std::function<void(WPARAM, LPARAM)> react) { react_ = std::move(react); }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
  UINT notifyMessage_;
  std::vector<std::pair<WPARAM, LPARAM>> notes_;
  std::function<void()> tick_;
  std::function<void(WPARAM, LPARAM)> react_;
};

}  // namespace condhost
