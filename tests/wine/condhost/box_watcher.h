// A thread that keeps message boxes and pop-up menus from blocking a
// script: it finds the message boxes of this process, writes their text as
// a result line {"box": text} and presses OK; and it writes the items of a
// pop-up menu as {"menu": [items]} and closes it with Esc.
#pragma once

#include <windows.h>

#include <set>

#include "result_writer.h"

namespace condhost {

class BoxWatcher {
 public:
  explicit BoxWatcher(ResultWriter& out) : out_(out) {}
  ~BoxWatcher() { Stop(); }
  BoxWatcher(const BoxWatcher&) = delete;
  BoxWatcher& operator=(const BoxWatcher&) = delete;

  bool Start();
  void Stop();

 private:
  static DWORD WINAPI Run(LPVOID self);
  static BOOL CALLBACK VisitWindow(HWND window, LPARAM self);
  void Sweep();
  void Dismiss(HWND box);
  void CloseMenu(HWND menu);

  ResultWriter& out_;
  HANDLE thread_ = nullptr;
  volatile LONG stopping_ = 0;
  std::set<HWND> dismissed_;  // boxes told to close that may still exist
};

}  // namespace condhost
