#include "export_call.h"

#include <functional>
#include <map>
#include <optional>
#include <stdexcept>

#include "fault_guard.h"
#include "host_memory.h"
#include "script_session.h"

namespace stresshost {
namespace {

using condhost::Exports;

// The export with its arguments bound: its result, or none for the exports
// that give none.
using BoundCall = std::function<std::optional<int32_t>()>;
using Binder = BoundCall (*)(const Exports&, HostMemory&);

#define EXPORT_OF(name) condhost::Need<decltype(name)>(exports, #name)

template <typename Call>
BoundCall Returning(Call call) {
  return [call] { return std::optional<int32_t>(call()); };
}

template <typename Call>
BoundCall Void(Call call) {
  return [call] {
    call();
    return std::optional<int32_t>();
  };
}

// The exports whose arguments are (value, port, record), the value an
// integer or a float.
template <typename Fn, typename Value>
BoundCall WithPortAndRecord(Fn* export_, Value value, HostMemory& m) {
  return Returning([export_, value, port = m.Int(1), r = m.Record(2)] { return export_(value, port, r); });
}

// Every argument is built before the call, so that only the export runs
// guarded.
const std::map<std::string, Binder>& Binders() {
  static const std::map<std::string, Binder> binders = {
      {"InitCond", [](const Exports& exports, HostMemory& m) {
         return Returning([f = EXPORT_OF(InitCond), reset = m.Int(0)] { return f(reset); });
       }},
      {"KillCond", [](const Exports& exports, HostMemory&) { return Void(EXPORT_OF(KillCond)); }},
      {"GetCondType", [](const Exports& exports, HostMemory&) { return Returning(EXPORT_OF(GetCondType)); }},
      {"SetADCRange", [](const Exports& exports, HostMemory& m) {
         return Void([f = EXPORT_OF(SetADCRange), volts = m.Real(0)] { f(volts); });
       }},
      {"SetPellProc", [](const Exports& exports, HostMemory& m) {
         return Returning([f = EXPORT_OF(SetPellProc), proc = m.Pell(0)] { return f(proc); });
       }},
      {"SetCondChan", [](const Exports& exports, HostMemory& m) {
         return Returning([f = EXPORT_OF(SetCondChan), port = m.Int(0), r = m.Record(1)] { return f(port, r); });
       }},
      {"GetCondChan", [](const Exports& exports, HostMemory& m) {
         return Returning([f = EXPORT_OF(GetCondChan), port = m.Int(0), r = m.Record(1)] { return f(port, r); });
       }},
      {"CondOnChan", [](const Exports& exports, HostMemory& m) {
         return Returning([f = EXPORT_OF(CondOnChan), port = m.Int(0), report = m.Int(1)] { return f(port, report); });
       }},
      {"CondGainTo", [](const Exports& exports, HostMemory& m) {
         return WithPortAndRecord(EXPORT_OF(CondGainTo), static_cast<float>(m.Real(0)), m);
       }},
      {"CondGainChange", [](const Exports& exports, HostMemory& m) {
         return WithPortAndRecord(EXPORT_OF(CondGainChange), m.Int(0), m);
       }},
      {"CondOffsTo", [](const Exports& exports, HostMemory& m) {
         return WithPortAndRecord(EXPORT_OF(CondOffsTo), static_cast<float>(m.Real(0)), m);
       }},
      {"CondOffsChange", [](const Exports& exports, HostMemory& m) {
         return WithPortAndRecord(EXPORT_OF(CondOffsChange), m.Int(0), m);
       }},
      {"GetCondInfo2", [](const Exports& exports, HostMemory& m) {
         return Returning([f = EXPORT_OF(GetCondInfo2), port = m.Int(0), info = m.Info(1)] { return f(port, info); });
       }},
      {"DoCondMenu", [](const Exports& exports, HostMemory& m) {
         return Returning([f = EXPORT_OF(DoCondMenu), records = m.Records(0), count = m.Int(1), sampler = m.Sampler(2),
                           options = m.Int(3), window = m.Window(4)] {
           return f(records, count, sampler, options, window);
         });
       }},
      {"KillCondMenu", [](const Exports& exports, HostMemory& m) {
         return Void([f = EXPORT_OF(KillCondMenu), post = m.Int(0)] { f(post); });
       }},
      {"SetMenuScaling", [](const Exports& exports, HostMemory& m) {
         return Returning([f = EXPORT_OF(SetMenuScaling), enable = m.Int(0)] { return f(enable); });
       }},
  };
  return binders;
}

// The processor time the process has used so far, in ms.
double ProcessorMs() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto ms = [](const FILETIME& time) {
    return static_cast<double>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e4;
  };
  return ms(kernel) + ms(user);
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string NotesJson(const std::vector<std::pair<WPARAM, LPARAM>>& notes) {
  std::string json;
  for (const auto& [wParam, lParam] : notes) {
    json += (json.empty() ? "[" : ", [") + std::to_string(wParam) + ", " + std::to_string(lParam) + "]";
  }
  return "[" + json + "]";
}

}  // namespace

condhost::JsonObject CallExport(const Exports& exports, condhost::HostWindow& window, const nlohmann::json& line,
                                LentMemory& lent) {
  const std::string name = line.at("call").get<std::string>();
  const nlohmann::json args = line.value("args", nlohmann::json::array());
  condhost::JsonObject out;
  out.Add("call", name).AddRaw("args", args.dump());
  auto binder = Binders().find(name);
  if (binder == Binders().end()) throw std::invalid_argument("no export " + name);
  HostMemory memory(args, window.handle());
  const BoundCall call = binder->second(exports, memory);
  memory.Snapshot();
  SetGuardedMemory([&memory](const void* address) { return memory.Owns(address); });

  std::optional<int32_t> result;
  LARGE_INTEGER start, end;
  const double processorBefore = ProcessorMs();
  QueryPerformanceCounter(&start);
  const std::optional<Fault> fault = RunGuarded([&] { result = call(); });
  QueryPerformanceCounter(&end);
  const double processor = ProcessorMs() - processorBefore;
  SetGuardedMemory(nullptr);

  out.AddRaw("result", result ? std::to_string(*result) : "null")
      .Add("ms", Milliseconds(start, end))
      .Add("cpuMs", processor);
  if (fault) out.Add("fault", fault->what);
  memory.Report(out);
  if (std::unique_ptr<GuardedBlock> records = memory.LendRecords()) lent.push_back(std::move(records));

  std::vector<std::pair<WPARAM, LPARAM>> notes;
  if (const std::optional<Fault> pumpFault = RunGuarded([&] { notes = window.Pump(0); })) {
    out.Add("pumpFault", pumpFault->what);
  }
  out.AddRaw("notes", NotesJson(notes));
  return out;
}

}  // namespace stresshost
