#include "beep_counter.h"

#include <cstring>

namespace condhost {
namespace {

volatile LONG beeps = 0;

BOOL WINAPI CountingBeep(UINT) {
  InterlockedIncrement(&beeps);
  return TRUE;
}

template <typename T>
T* At(HMODULE module, DWORD offset) {
  return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(module) + offset);
}

// Points the module's import slot of `dll`!`function` at `replacement`.
bool ReplaceImport(HMODULE module, const char* dll, const char* function, void* replacement) {
  const auto* dos = At<IMAGE_DOS_HEADER>(module, 0);
  const auto* nt = At<IMAGE_NT_HEADERS>(module, static_cast<DWORD>(dos->e_lfanew));
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* entry = At<IMAGE_IMPORT_DESCRIPTOR>(module, imports.VirtualAddress); entry->Name != 0; ++entry) {
    if (_stricmp(At<char>(module, entry->Name), dll) != 0) continue;
    auto* names = At<IMAGE_THUNK_DATA>(module, entry->OriginalFirstThunk != 0 ? entry->OriginalFirstThunk
                                                                              : entry->FirstThunk);
    auto* slots = At<IMAGE_THUNK_DATA>(module, entry->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = At<IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(names->u1.AddressOfData));
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
      DWORD protection = 0;
      if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection)) return false;
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
      return true;
    }
  }
  return false;
}

}  // namespace

bool CountBeepsOf(HMODULE library) {
  return ReplaceImport(library, "user32.dll", "MessageBeep", reinterpret_cast<void*>(CountingBeep));
}

long BeepsSoFar() { return InterlockedCompareExchange(&beeps, 0, 0); }

}  // namespace condhost
