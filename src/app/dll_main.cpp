// The library's start-up when the host process loads it: remember the
// module, install the Win32 services, put the library-wide state at its
// load values and register the panel's notification message.
#include <windows.h>

#include "api/library_state.h"
#include "api/module_scope.h"
#include "app/app.h"
#include "condvorn.h"
#include "os/os.h"

namespace condvorn {
namespace {

UINT zelcondMessage = 0;

}  // namespace

UINT ZelcondMessage() { return zelcondMessage; }

}  // namespace condvorn

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  using namespace condvorn;
  if (reason == DLL_PROCESS_ATTACH) {
    SetLibraryModule(instance);
    InstallOs(PlatformOs());
    LoadLibraryState();
    zelcondMessage = RegisterWindowMessageA(COND_MESSAGE_NAME);
  }
  return TRUE;
}
