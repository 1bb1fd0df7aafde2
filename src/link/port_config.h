// The four integer settings that InitCond reads: "Port", "Dump", "First" and
// "Last". The registry governs; a missing value is taken from the
// initialisation file (or its default) and written into the registry.
#pragma once

#include <cstdint>

namespace condvorn {

// The setting's value. `fallback` is used for every setting but "Port",
// whose default is the text "COM1"; "None" gives -1.
int32_t ReadConfigValue(const char* name, int32_t fallback);
// Stores the value as a DWORD; true when stored.
bool WriteConfigValue(const char* name, int32_t value);

}  // namespace condvorn
