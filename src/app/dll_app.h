// The application object of a dynamic-link library: one per library,
// started by the library's entry point when a process loads it and stopped
// when the process unloads it.
#pragma once

#include <windows.h>

namespace condvorn {

class DllApp {
 public:
  DllApp();
  virtual ~DllApp();
  DllApp(const DllApp&) = delete;
  DllApp& operator=(const DllApp&) = delete;

  // The library's one application object.
  static DllApp& Current();

  // Process attach: records the library's module, then InitInstance.
  bool Attach(HINSTANCE instance);
  // Process detach; `processEnding` when the whole process is going.
  void Detach(bool processEnding);

 protected:
  // The library's start-up; false refuses the load.
  virtual bool InitInstance() { return true; }
  // The library's end while the process goes on (FreeLibrary).
  virtual void ExitInstance() {}
};

}  // namespace condvorn
