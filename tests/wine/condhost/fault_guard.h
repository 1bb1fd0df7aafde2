// Runs a call so that a fault inside it ends the call instead of the
// program: a vectored exception handler catches access violations (and the
// other exceptions that would end a process) raised by the library's own
// code or by an access to the host's guarded memory, and resumes at the
// point where the call began. Guarded calls may nest (a modal panel runs
// script lines inside its own loop): a fault ends the innermost.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace condhost {

struct Fault {
  std::string what;     // "access violation writing 0x...", or the exception code
  const void* address;  // the address accessed, or where the exception was raised
};

// Installs the handler for faults in `library`'s code. False when it cannot.
bool InstallFaultGuard(HMODULE library);

// Whether an address lies in the host's guarded memory.
using AddressOwner = std::function<bool(const void*)>;

// Runs `call`; the fault that ended it, if one did. A fault at an address
// that `guarded` owns counts wherever the code that made it lies.
std::optional<Fault> RunGuarded(const std::function<void()>& call, AddressOwner guarded = nullptr);

}  // namespace condhost
