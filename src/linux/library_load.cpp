// libcondvorn.so's start-up when a program loads it: the Linux library's
// services are installed and the library takes its state at load, as the
// Windows DLL does when it is attached to the host process.
#include "api/library_state.h"
#include "os/os.h"
#include "os/os_linux_library.h"

namespace {

__attribute__((constructor)) void LoadCondvorn() {
  condvorn::InstallOs(condvorn::LinuxLibraryOs());
  condvorn::LoadLibraryState();
}

}  // namespace
