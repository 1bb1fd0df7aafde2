// The host's side of a call: arguments built from a script's JSON, hostile
// ones included, in guarded memory; and what became of that memory.
//
//   integers            JSON integers (kept to their low 32 bits)
//   float, double       JSON numbers, or "nan", "inf", "-inf", "-0"
//   ChanSettings*       null, or {"bytes": N, "size": N, FIELD: VALUE, ...}:
//                       a record in a block of N bytes (160 unless given)
//                       whose fields are the defaults but for those given
//                       (only "size" when the block is smaller than a record)
//   ChanSettings array  null, or {"records": [record, ...]}, which may be
//                       lent for longer than the call (LendRecords)
//   CondInfo*           null, or {"bytes": N, "size": N, "want": W,
//                       "settings": record or null}: a valid record for
//                       "settings" unless given
//   routines            null, or any text for the host's own routine
//   CondWindow          null, an integer (a handle that is no window), or
//                       "host" for the host's window
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "condvorn.h"
#include "guarded_block.h"
#include "result_writer.h"

namespace stresshost {

using nlohmann::json;

class HostMemory {
 public:
  HostMemory(const json& args, CondWindow hostWindow) : args_(args), hostWindow_(hostWindow) {}

  int32_t Int(size_t i) const;
  double Real(size_t i) const;
  ChanSettings* Record(size_t i);
  ChanSettings* Records(size_t i);
  CondInfo* Info(size_t i);
  CondSampleProc Sampler(size_t i) const;
  CondPellProc Pell(size_t i) const;
  CondWindow Window(size_t i) const;

  // Takes a snapshot of every block, before the call.
  void Snapshot();
  // Hands over the block of the records array, which a modeless panel keeps
  // using after the call; none when there is none.
  std::unique_ptr<GuardedBlock> LendRecords();
  bool Owns(const void* address) const;
  // After the call: "outside" (a pattern before a block was overwritten),
  // "changed" (the indices of the arguments whose memory changed), and the
  // record, records or info as they now stand.
  void Report(condhost::JsonObject& out) const;

 private:
  struct Block {
    size_t argument;
    std::unique_ptr<GuardedBlock> memory;
  };
  GuardedBlock& NewBlock(size_t argument, size_t bytes);
  // Fills a record from its JSON object in `memory`, of `bytes` bytes.
  static void FillRecord(const json& given, void* memory, size_t bytes);

  const json& args_;
  CondWindow hostWindow_;
  std::vector<Block> blocks_;
  const ChanSettings* record_ = nullptr;
  const ChanSettings* records_ = nullptr;
  size_t recordCount_ = 0;
  const CondInfo* info_ = nullptr;
};

}  // namespace stresshost
