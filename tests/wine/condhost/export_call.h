// An export called as a script line asks: its arguments built from JSON in
// guarded host memory, the call run under the fault guard and timed, and
// what became of the host's memory.
//
//   integers          JSON integers (kept to their low 32 bits)
//   float, double     JSON numbers, or "nan", "inf", "-inf", "-0"
//   ChanSettings*     left out or "host": the host's own record of the
//                     call's port (HostRecords; a default record for a
//                     port outside the table); null; or {"bytes": N,
//                     FIELD: VALUE, ...}: a record in a block of N bytes
//                     (the record's size unless given) with the default
//                     fields but those given (only "size" when the block is
//                     smaller than a record)
//   ChanSettings[]    "host": the host's records; null; or {"records":
//                     [record, ...]}, lent to the panel for good
//   CondInfo*         left out, or {"bytes": N, "size": N, "want": W (127),
//                     "settings": a ChanSettings* argument}
//   routines          null, or any text for the host's own (the scripted
//                     sampling routine, see sample_source.h)
//   CondWindow        left out or "host": the host's window; null; or an
//                     integer, a handle that is no window
//
// The result: "result" (the export's value, null for the exports that give
// none), "ms", "cpuMs" (processor time of the process meanwhile), "fault"
// (what ended the call, if a fault did), "outside" (the pattern before a
// block was overwritten), "changed" (the indices of the arguments whose
// memory the call changed), and "rec", "records", "info" as they now stand.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "condvorn.h"
#include "guarded_block.h"
#include "result_writer.h"

namespace condhost {

// The export `name` of `library` with the type `Fn`; throws when it lacks it.
template <typename Fn>
Fn* Export(HMODULE library, const char* name) {
  auto* function = reinterpret_cast<Fn*>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  if (function == nullptr) throw std::invalid_argument(std::string("missing export ") + name);
  return function;
}
#define EXPORT(library, name) Export<decltype(name)>(library, #name)

// The host's record of each ADC port, which the panel takes as its array.
class HostRecords {
 public:
  HostRecords();
  ChanSettings* All() { return static_cast<ChanSettings*>(block_.data()); }
  // The record of a port of the table; throws for another port.
  ChanSettings& Of(int32_t port);
  GuardedBlock& block() { return block_; }

 private:
  GuardedBlock block_;
};

class ExportCall {
 public:
  // Builds the arguments; throws for an unknown export or a bad argument.
  ExportCall(HMODULE library, const std::string& name, const Json& args, HostRecords& host, CondWindow window);

  // A DoCondMenu that opens a modal panel: it returns once the panel closes.
  bool OpensModalPanel() const { return modal_; }
  Json Run();
  // The blocks of the records lent to a panel, to be kept as long as it may use them.
  std::vector<std::unique_ptr<GuardedBlock>> TakeLent();

  // The export's argument `i` of the type T, built as above.
  template <typename T>
  T Argument(size_t i);
  HMODULE library() const { return library_; }

 private:
  struct Block {
    size_t argument;
    GuardedBlock* memory;
    std::unique_ptr<GuardedBlock> owned;  // none for the host's records
  };
  bool Given(size_t i) const { return i < args_.size() && args_[i] != "host"; }
  int32_t Int(size_t i) const { return static_cast<int32_t>(args_.at(i).get<long long>()); }
  ChanSettings* Record(size_t i, size_t portArgument);
  ChanSettings* Records(size_t i);
  CondInfo* Info(size_t i, size_t portArgument);
  GuardedBlock& NewBlock(size_t argument, size_t bytes);
  void Report(Json& out) const;

  HMODULE library_;
  Json args_;
  HostRecords& host_;
  CondWindow window_;
  bool modal_ = false;
  std::function<std::optional<int32_t>()> call_;
  std::vector<Block> blocks_;
  const ChanSettings* record_ = nullptr;
  const ChanSettings* records_ = nullptr;
  size_t recordCount_ = 0;
  const CondInfo* info_ = nullptr;
};

}  // namespace condhost
