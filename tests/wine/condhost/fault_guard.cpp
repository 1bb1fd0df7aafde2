#include "fault_guard.h"

#include <cstdio>
#include <cstring>

namespace condhost {
namespace {

// Where the innermost guarded call resumes after a fault: __builtin_setjmp's buffer.
void* resumePoint[5];
volatile bool armed = false;
Fault fault{};
const unsigned char* libraryBegin = nullptr;
const unsigned char* libraryEnd = nullptr;
AddressOwner guardedMemory;

bool EndsProcess(DWORD code) {
  for (DWORD fatal : {EXCEPTION_ACCESS_VIOLATION, EXCEPTION_ARRAY_BOUNDS_EXCEEDED, EXCEPTION_DATATYPE_MISALIGNMENT,
                      EXCEPTION_ILLEGAL_INSTRUCTION, EXCEPTION_INT_DIVIDE_BY_ZERO, EXCEPTION_PRIV_INSTRUCTION,
                      EXCEPTION_STACK_OVERFLOW}) {
    if (code == fatal) return true;
  }
  return false;
}

bool InLibrary(const void* address) {
  const auto* byte = static_cast<const unsigned char*>(address);
  return byte >= libraryBegin && byte < libraryEnd;
}

[[noreturn]] void Resume() { __builtin_longjmp(resumePoint, 1); }

Fault Describe(const EXCEPTION_RECORD& record) {
  char text[96];
  if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.NumberParameters >= 2) {
    const void* target = reinterpret_cast<const void*>(record.ExceptionInformation[1]);
    std::snprintf(text, sizeof text, "access violation %s %p at %p",
                  record.ExceptionInformation[0] == 1 ? "writing" : "reading", target, record.ExceptionAddress);
    return Fault{text, target};
  }
  std::snprintf(text, sizeof text, "exception 0x%08lx at %p", record.ExceptionCode, record.ExceptionAddress);
  return Fault{text, record.ExceptionAddress};
}

LONG CALLBACK OnException(EXCEPTION_POINTERS* exception) {
  const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
  if (!armed || !EndsProcess(record.ExceptionCode)) return EXCEPTION_CONTINUE_SEARCH;
  const Fault described = Describe(record);
  // Faults that the system's own code handles are not the library's.
  if (!InLibrary(record.ExceptionAddress) && !(guardedMemory && guardedMemory(described.address))) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  fault = described;
  armed = false;
  // Continue in Resume, on a fresh frame below the faulting one, aligned as
  // just after a call.
  CONTEXT& context = *exception->ContextRecord;
#ifdef _WIN64
  context.Rsp = ((context.Rsp - 512) & ~static_cast<DWORD64>(15)) - 8;
  context.Rip = reinterpret_cast<DWORD64>(&Resume);
#else
  context.Esp = ((context.Esp - 512) & ~static_cast<DWORD>(15)) - 4;
  context.Eip = reinterpret_cast<DWORD>(&Resume);
#endif
  return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

bool InstallFaultGuard(HMODULE library) {
  const auto* base = reinterpret_cast<const unsigned char*>(library);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  libraryBegin = base;
  libraryEnd = base + nt->OptionalHeader.SizeOfImage;
  return AddVectoredExceptionHandler(1, OnException) != nullptr;
}

std::optional<Fault> RunGuarded(const std::function<void()>& call, AddressOwner guarded) {
  // The enclosing guarded call's state, put back when this one ends.
  void* outerPoint[5];
  std::memcpy(outerPoint, resumePoint, sizeof outerPoint);
  const bool outerArmed = armed;
  AddressOwner outerMemory = std::move(guardedMemory);
  guardedMemory = std::move(guarded);
  std::optional<Fault> ended;
  if (__builtin_setjmp(resumePoint) == 0) {
    armed = true;
    call();
  } else {
    ended = fault;
  }
  std::memcpy(resumePoint, outerPoint, sizeof outerPoint);
  armed = outerArmed;
  guardedMemory = std::move(outerMemory);
  return ended;
}

}  // namespace condhost
