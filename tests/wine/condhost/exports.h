// The library's exports, looked up by name when a command first needs one,
// so that a library that lacks some of them still runs every other command.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "condvorn.h"

namespace condhost {

class Exports {
 public:
  explicit Exports(HMODULE library) : library_(library) {}

  // The export `name` with the type `Fn`, or nullptr when the library lacks it.
  template <typename Fn>
  Fn* Find(const char* name) const {
    return reinterpret_cast<Fn*>(reinterpret_cast<void*>(GetProcAddress(library_, name)));
  }

  bool Has(const std::string& name) const { return GetProcAddress(library_, name.c_str()) != nullptr; }

  // Every export of the interface.
  static const std::vector<std::string>& AllNames();

 private:
  HMODULE library_;
};

}  // namespace condhost
