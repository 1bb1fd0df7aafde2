// The library's entry point: the host process loads and unloads it here,
// and the application object takes it from there.
#include <windows.h>

#include "app/dll_app.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  using condvorn::DllApp;
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      return DllApp::Current().Attach(instance) ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
      DllApp::Current().Detach(reserved != nullptr);
      return TRUE;
    default:
      return TRUE;
  }
}
