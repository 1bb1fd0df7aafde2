#include "host_memory.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "records.h"

namespace stresshost {
namespace {

int32_t WINAPI HostSamples(int16_t*, int32_t, int32_t) { return 0; }
void WINAPI HostPellProc() {}

std::string FieldText(const json& value) { return value.is_string() ? value.get<std::string>() : value.dump(); }

}  // namespace

int32_t HostMemory::Int(size_t i) const { return static_cast<int32_t>(args_.at(i).get<long long>()); }

double HostMemory::Real(size_t i) const {
  const json& value = args_.at(i);
  if (value.is_number()) return value.get<double>();
  const std::string text = value.get<std::string>();
  if (text == "nan") return std::numeric_limits<double>::quiet_NaN();
  if (text == "inf") return std::numeric_limits<double>::infinity();
  if (text == "-inf") return -std::numeric_limits<double>::infinity();
  if (text == "-0") return -0.0;
  throw std::invalid_argument("not a number: " + text);
}

GuardedBlock& HostMemory::NewBlock(size_t argument, size_t bytes) {
  blocks_.push_back(Block{argument, std::make_unique<GuardedBlock>(bytes)});
  return *blocks_.back().memory;
}

void HostMemory::FillRecord(const json& given, void* memory, size_t bytes) {
  if (bytes >= sizeof(ChanSettings)) {
    *static_cast<ChanSettings*>(memory) = condhost::DefaultRecord();
    for (const auto& [field, value] : given.items()) {
      if (field == "bytes" || field == "size") continue;
      if (!condhost::SetRecordField(*static_cast<ChanSettings*>(memory), field, FieldText(value))) {
        throw std::invalid_argument("bad record field " + field);
      }
    }
  }
  const uint32_t size = static_cast<uint32_t>(given.value("size", static_cast<long long>(sizeof(ChanSettings))));
  std::memcpy(memory, &size, std::min(sizeof size, bytes));
}

ChanSettings* HostMemory::Record(size_t i) {
  const json& given = args_.at(i);
  if (given.is_null()) return nullptr;
  const size_t bytes = given.value("bytes", sizeof(ChanSettings));
  GuardedBlock& block = NewBlock(i, bytes);
  FillRecord(given, block.data(), bytes);
  auto* record = static_cast<ChanSettings*>(block.data());
  if (bytes >= sizeof(ChanSettings) && record_ == nullptr) record_ = record;
  return record;
}

ChanSettings* HostMemory::Records(size_t i) {
  const json& given = args_.at(i);
  if (given.is_null()) return nullptr;
  const json& list = given.at("records");
  GuardedBlock& block = NewBlock(i, list.size() * sizeof(ChanSettings));
  auto* records = static_cast<ChanSettings*>(block.data());
  for (size_t k = 0; k < list.size(); ++k) FillRecord(list[k], &records[k], sizeof(ChanSettings));
  records_ = records;
  recordCount_ = list.size();
  return records;
}

CondInfo* HostMemory::Info(size_t i) {
  const json& given = args_.at(i);
  if (given.is_null()) return nullptr;
  const size_t bytes = given.value("bytes", sizeof(CondInfo));
  GuardedBlock& block = NewBlock(i, bytes);
  auto* info = static_cast<CondInfo*>(block.data());
  if (bytes >= sizeof(CondInfo)) {
    condhost::MarkInfoSections(*info);
    info->want = given.value("want", 127u);
    const json settings = given.value("settings", json::object());
    if (!settings.is_null()) {
      info->settings = static_cast<ChanSettings*>(NewBlock(i, settings.value("bytes", sizeof(ChanSettings))).data());
      FillRecord(settings, info->settings, settings.value("bytes", sizeof(ChanSettings)));
    }
    info_ = info;
  }
  const int32_t size = given.value("size", static_cast<int32_t>(sizeof(CondInfo)));
  std::memcpy(info, &size, std::min(sizeof size, bytes));
  return info;
}

CondSampleProc HostMemory::Sampler(size_t i) const { return args_.at(i).is_null() ? nullptr : HostSamples; }

CondPellProc HostMemory::Pell(size_t i) const { return args_.at(i).is_null() ? nullptr : HostPellProc; }

CondWindow HostMemory::Window(size_t i) const {
  const json& value = args_.at(i);
  if (value.is_null()) return nullptr;
  if (value.is_string()) return hostWindow_;
  return reinterpret_cast<CondWindow>(static_cast<intptr_t>(value.get<long long>()));
}

void HostMemory::Snapshot() {
  for (Block& block : blocks_) block.memory->Snapshot();
}

std::unique_ptr<GuardedBlock> HostMemory::LendRecords() {
  for (Block& block : blocks_) {
    if (block.memory && block.memory->data() == records_) return std::move(block.memory);
  }
  return nullptr;
}

bool HostMemory::Owns(const void* address) const {
  for (const Block& block : blocks_) {
    if (block.memory && block.memory->Contains(address)) return true;
  }
  return false;
}

void HostMemory::Report(condhost::JsonObject& out) const {
  bool outside = false;
  std::string changed;
  for (const Block& block : blocks_) {
    if (!block.memory) continue;
    outside = outside || !block.memory->PatternIntact();
    if (block.memory->ChangedSinceSnapshot()) {
      changed += (changed.empty() ? "" : ", ") + std::to_string(block.argument);
    }
  }
  out.AddRaw("outside", outside ? "true" : "false").AddRaw("changed", "[" + changed + "]");
  if (record_ != nullptr) out.AddRaw("record", condhost::RecordJson(*record_));
  if (records_ != nullptr) {
    std::string list;
    for (size_t k = 0; k < recordCount_; ++k) list += (k ? ", " : "") + condhost::RecordJson(records_[k]);
    out.AddRaw("records", "[" + list + "]");
  }
  if (info_ != nullptr) out.AddRaw("info", condhost::InfoJson(*info_, info_->want));
}

}  // namespace stresshost
