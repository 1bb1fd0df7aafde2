#include "export_call.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>
#include <type_traits>
#include <utility>

#include "fault_guard.h"
#include "records.h"
#include "sample_source.h"

namespace condhost {
namespace {

using BoundCall = std::function<std::optional<int32_t>()>;

// Every argument is built (in order) before the call, so that only the export runs guarded.
template <typename R, typename... P, size_t... I>
BoundCall Bind(R(WINAPI* export_)(P...), ExportCall& a, std::index_sequence<I...>) {
  return [export_, args = std::tuple<P...>{a.Argument<P>(I)...}] {
    if constexpr (std::is_void_v<R>) {
      std::apply(export_, args);
      return std::optional<int32_t>();
    } else {
      return std::optional<int32_t>(std::apply(export_, args));
    }
  };
}

template <typename R, typename... P>
BoundCall Bind(R(WINAPI* export_)(P...), ExportCall& a) {
  return Bind(export_, a, std::index_sequence_for<P...>());
}

#define BINDING(name) \
  { #name, [](ExportCall& a) { return Bind(EXPORT(a.library(), name), a); } }

const std::map<std::string, BoundCall (*)(ExportCall&)>& Bindings() {
  static const std::map<std::string, BoundCall (*)(ExportCall&)> bindings = {
      BINDING(InitCond),       BINDING(KillCond),     BINDING(GetCondType),    BINDING(SetADCRange),
      BINDING(SetPellProc),    BINDING(SetCondChan),  BINDING(GetCondChan),    BINDING(CondOnChan),
      BINDING(CondGainTo),     BINDING(CondGainChange), BINDING(CondOffsTo),   BINDING(CondOffsChange),
      BINDING(GetCondInfo2),   BINDING(DoCondMenu),   BINDING(KillCondMenu),   BINDING(SetMenuScaling),
  };
  return bindings;
}

void WINAPI HostPellProc() {}

// The processor time the process has used so far, in ms.
double ProcessorMs() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto ms = [](const FILETIME& time) {
    return static_cast<double>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e4;
  };
  return ms(kernel) + ms(user);
}

double NowMs() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A record from its JSON object in `memory`, of `bytes` bytes.
void FillRecord(const Json& given, void* memory, size_t bytes) {
  if (bytes >= sizeof(ChanSettings)) {
    auto& record = *static_cast<ChanSettings*>(memory) = DefaultRecord();
    Json fields = given;
    fields.erase("bytes");
    SetRecordFields(record, fields);
  }
  const auto size = static_cast<uint32_t>(given.value("size", static_cast<long long>(sizeof(ChanSettings))));
  std::memcpy(memory, &size, std::min(sizeof size, bytes));
}

}  // namespace

HostRecords::HostRecords() : block_(COND_PORT_COUNT * sizeof(ChanSettings)) {
  for (int port = 0; port < COND_PORT_COUNT; ++port) All()[port] = DefaultRecord();
}

ChanSettings& HostRecords::Of(int32_t port) {
  if (port < 0 || port >= COND_PORT_COUNT) throw std::invalid_argument("no host record: " + std::to_string(port));
  return All()[port];
}

ExportCall::ExportCall(HMODULE library, const std::string& name, const Json& args, HostRecords& host,
                       CondWindow window)
    : library_(library), args_(args), host_(host), window_(window) {
  const auto binding = Bindings().find(name);
  if (binding == Bindings().end()) throw std::invalid_argument("no export " + name);
  call_ = binding->second(*this);
  modal_ = name == "DoCondMenu" && (Int(3) & COND_MENU_MODELESS) == 0;
}

GuardedBlock& ExportCall::NewBlock(size_t argument, size_t bytes) {
  auto block = std::make_unique<GuardedBlock>(bytes);
  blocks_.push_back(Block{argument, block.get(), std::move(block)});
  return *blocks_.back().memory;
}

ChanSettings* ExportCall::Record(size_t i, size_t portArgument) {
  const int32_t port = Int(portArgument);
  if (!Given(i) && port >= 0 && port < COND_PORT_COUNT) {
    blocks_.push_back(Block{i, &host_.block(), nullptr});
    if (record_ == nullptr) record_ = &host_.Of(port);
    return &host_.Of(port);
  }
  // A port outside the table has no record of the host's: a default one stands in.
  const Json given = Given(i) ? args_[i] : Json::object();
  if (given.is_null()) return nullptr;
  const size_t bytes = given.value("bytes", sizeof(ChanSettings));
  auto* record = static_cast<ChanSettings*>(NewBlock(i, bytes).data());
  FillRecord(given, record, bytes);
  if (bytes >= sizeof(ChanSettings) && record_ == nullptr) record_ = record;
  return record;
}

ChanSettings* ExportCall::Records(size_t i) {
  if (!Given(i)) {
    blocks_.push_back(Block{i, &host_.block(), nullptr});
    return host_.All();
  }
  const Json& given = args_[i];
  if (given.is_null()) return nullptr;
  const Json& list = given.at("records");
  auto* records = static_cast<ChanSettings*>(NewBlock(i, list.size() * sizeof(ChanSettings)).data());
  for (size_t k = 0; k < list.size(); ++k) FillRecord(list[k], &records[k], sizeof(ChanSettings));
  records_ = records;
  recordCount_ = list.size();
  return records;
}

CondInfo* ExportCall::Info(size_t i, size_t portArgument) {
  const Json given = i < args_.size() ? args_[i] : Json::object();
  if (given.is_null()) return nullptr;
  const size_t bytes = given.value("bytes", sizeof(CondInfo));
  auto* info = static_cast<CondInfo*>(NewBlock(i, bytes).data());
  if (bytes >= sizeof(CondInfo)) {
    MarkInfoSections(*info);
    info->want = given.value("want", 127u);
    // The settings as a record argument of their own, after the others.
    args_.push_back(given.value("settings", Json("host")));
    info->settings = Record(args_.size() - 1, portArgument);
    info_ = info;
  }
  const int32_t size = given.value("size", static_cast<int32_t>(sizeof(CondInfo)));
  std::memcpy(info, &size, std::min(sizeof size, bytes));
  return info;
}

// A record's port is the argument before it; DoCondMenu's first argument is the records array.
template <typename T>
T ExportCall::Argument(size_t i) {
  if constexpr (std::is_same_v<T, ChanSettings*>) {
    return i == 0 ? Records(0) : Record(i, i - 1);
  } else if constexpr (std::is_same_v<T, CondInfo*>) {
    return Info(i, i - 1);
  } else if constexpr (std::is_same_v<T, CondSampleProc>) {
    return args_.at(i).is_null() ? nullptr : ScriptedSamples;
  } else if constexpr (std::is_same_v<T, CondPellProc>) {
    return args_.at(i).is_null() ? nullptr : HostPellProc;
  } else if constexpr (std::is_same_v<T, CondWindow>) {
    if (!Given(i)) return window_;
    if (args_[i].is_null()) return nullptr;
    return reinterpret_cast<CondWindow>(static_cast<intptr_t>(args_[i].get<long long>()));
  } else if constexpr (std::is_floating_point_v<T>) {
    return static_cast<T>(Real(args_.at(i)));
  } else {
    return Int(i);
  }
}

Json ExportCall::Run() {
  for (Block& block : blocks_) {
    if (block.memory != nullptr) block.memory->Snapshot();
  }
  std::optional<int32_t> result;
  const double processorBefore = ProcessorMs();
  const double start = NowMs();
  const std::optional<Fault> fault = RunGuarded([&] { result = call_(); }, [this](const void* address) {
    for (const Block& block : blocks_) {
      if (block.memory != nullptr && block.memory->Contains(address)) return true;
    }
    return false;
  });
  Json out = {{"result", result ? Json(*result) : Json()}, {"ms", NowMs() - start},
              {"cpuMs", ProcessorMs() - processorBefore}};
  if (fault) out["fault"] = fault->what;
  Report(out);
  return out;
}

void ExportCall::Report(Json& out) const {
  bool outside = false;
  Json changed = Json::array();
  for (const Block& block : blocks_) {
    if (block.memory == nullptr) continue;
    outside = outside || !block.memory->PatternIntact();
    if (block.memory->ChangedSinceSnapshot() && (changed.empty() || changed.back() != block.argument)) {
      changed.push_back(block.argument);
    }
  }
  out["outside"] = outside;
  out["changed"] = changed;
  if (record_ != nullptr) out["rec"] = RecordJson(*record_);
  if (records_ != nullptr) {
    Json list = Json::array();
    for (size_t k = 0; k < recordCount_; ++k) list.push_back(RecordJson(records_[k]));
    out["records"] = list;
  }
  if (info_ != nullptr) out["info"] = InfoJson(*info_);
}

std::vector<std::unique_ptr<GuardedBlock>> ExportCall::TakeLent() {
  std::vector<std::unique_ptr<GuardedBlock>> lent;
  for (Block& block : blocks_) {
    if (block.owned && block.memory->data() == records_) lent.push_back(std::move(block.owned));
  }
  return lent;
}

}  // namespace condhost
