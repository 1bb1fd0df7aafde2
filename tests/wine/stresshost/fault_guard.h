// Runs a call so that a fault inside it ends the call instead of the
// program: a vectored exception handler catches access violations (and the
// other exceptions that would end a process) raised by the library's own
// code or by an access to the host's guarded memory, and resumes at the
// point where the call began.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace stresshost {

struct Fault {
  std::string what;            // "access violation writing 0x...", or the exception code
  const void* address;         // the address accessed, or where the exception was raised
};

// Installs the handler for faults in `library`'s code. False when it cannot.
bool InstallFaultGuard(HMODULE library);

// Runs `call`; the fault that ended it, if one did.
std::optional<Fault> RunGuarded(const std::function<void()>& call);

// Whether the fault's address lies in the host's guarded memory is for the
// caller to tell.
using AddressOwner = std::function<bool(const void*)>;
void SetGuardedMemory(AddressOwner owner);

}  // namespace stresshost
