#include "session.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "api/library_state.h"
#include "test_os.h"

namespace condvorn::fuzz {
namespace {

void Expect(bool kept, const char* call, const char* promise) {
  if (kept) return;
  std::fprintf(stderr, "%s broke a promise: %s\n", call, promise);
  std::abort();
}

// The fields that no export may make non-finite once they are finite.
bool ValuesFinite(const ChanSettings& r) {
  bool finite = true;
  for (float value : {r.scale, r.zero, r.gain, r.offset, r.lowPassCutoff, r.highPassCutoff}) {
    finite = finite && std::isfinite(value);
  }
  for (float value : r.extraValues) finite = finite && std::isfinite(value);
  return finite;
}

// Rounding to single precision at each of the few rewrites of one call: a
// relative error, and an absolute one where a result falls below float's
// normal range.
bool Near(double before, double after, double magnitude, double subnormalScale) {
  return std::fabs(after - before) <= 1e-6 * magnitude + 4 * static_cast<double>(FLT_TRUE_MIN) * subnormalScale;
}

// What every export that takes the host's record promises about it: the
// fields the library does not own are left alone, finite values stay
// finite, and scale x gain and zero + offset stay what they were (the
// host's readings stay true).
void CheckRecord(const char* call, const ChanSettings& before, const ChanSettings& after) {
  Expect(after.size == before.size && std::memcmp(after.units, before.units, sizeof after.units) == 0 &&
             after.inUse == before.inUse && std::memcmp(after.reserved, before.reserved, sizeof after.reserved) == 0,
         call, "only the conditioner's fields change");
  if (!ValuesFinite(before)) return;
  Expect(ValuesFinite(after), call, "no finite value becomes NaN or infinite");
  const double scaleBefore = static_cast<double>(before.scale) * before.gain;
  const double scaleAfter = static_cast<double>(after.scale) * after.gain;
  Expect(Near(scaleBefore, scaleAfter, std::fabs(scaleBefore), std::fabs(after.gain)), call,
         "scale x gain stays the same");
  const double zeroBefore = static_cast<double>(before.zero) + before.offset;
  const double zeroAfter = static_cast<double>(after.zero) + after.offset;
  const double magnitude = std::fabs(before.zero) + std::fabs(before.offset) + std::fabs(after.zero) +
                           std::fabs(after.offset);
  Expect(Near(zeroBefore, zeroAfter, magnitude, 1.0), call, "zero + offset stays the same");
  if (after.gain != before.gain) Expect(after.gain != 0.0f, call, "a gain of 0 is never chosen");
}

// The counts a host walks its arrays by stay within those arrays, and every
// text ends within its field.
template <size_t N>
bool Terminated(const char (&text)[N]) {
  return std::memchr(text, '\0', N) != nullptr;
}

bool FilterTypesFit(int32_t count, const InfoFilterType* types) {
  if (count > 20) return false;
  for (int32_t i = 0; i < count; ++i) {
    if (types[i].cutoffCount > 60 || !Terminated(types[i].name)) return false;
  }
  return true;
}

void CheckInfo(const CondInfo& info) {
  const char* call = "GetCondInfo2";
  Expect(info.inputCount <= 20 && info.gainCount <= 20, call, "input and gain counts fit their arrays");
  for (const auto& name : info.inputNames) Expect(Terminated(name), call, "input names end in their fields");
  Expect(FilterTypesFit(info.highPassTypeCount, info.highPassTypes) &&
             FilterTypesFit(info.lowPassTypeCount, info.lowPassTypes),
         call, "filter counts fit their arrays and names end in their fields");
  Expect(Terminated(info.typeText), call, "the type text ends in its field");
  Expect(info.extraSettingCount <= 8, call, "the extra-setting count fits its array");
  for (int32_t i = 0; i < info.extraSettingCount; ++i) {
    const InfoExtraSetting& extra = info.extraSettings[i];
    Expect(extra.choiceCount <= 20 && Terminated(extra.name), call, "extra settings fit their fields");
    for (int32_t k = 0; k < extra.choiceCount; ++k) Expect(Terminated(extra.choices[k]), call, "choices end");
  }
}

// The status the gain and offset exports give for a port: 0 when usable,
// else the port's own.
bool GateResult(int32_t result, bool usable) { return usable ? result == 0 : result < 0 && result >= -4; }

// A setting export on a copy of the record on the heap, so that any access
// outside it is caught.
template <typename Call>
void ChangeRecord(const char* call, ChanSettings& record, bool usable, Call change) {
  auto copy = std::make_unique<ChanSettings>(record);
  Expect(GateResult(change(copy.get()), usable), call, "the gate's result");
  CheckRecord(call, record, *copy);
  record = *copy;
}

void RunCalls(const HostPart& host) {
  SetADCRange(host.adcRange);
  const int32_t init = InitCond(1);
  Expect(init == 0 || init == COND_ERR_NO_CHANNEL, "InitCond", "0 or no channel");

  bool found = false;
  ChanSettings record = host.record;
  for (int32_t port = 0; port < COND_PORT_COUNT; ++port) {
    if (CondOnChan(port, 0) != 1) continue;
    found = true;
    auto info = std::make_unique<CondInfo>();
    info->size = sizeof(CondInfo);
    auto settings = std::make_unique<ChanSettings>(record);
    info->settings = settings.get();
    info->want = 127;
    Expect(GetCondInfo2(port, info.get()) == 0, "GetCondInfo2", "0 for a valid record");
    CheckInfo(*info);
  }
  Expect(found == (init == 0), "InitCond", "0 exactly when a channel was found");

  const int32_t port = host.port % COND_PORT_COUNT;
  const bool usable = CondOnChan(port, 0) == 1;
  ChangeRecord("SetCondChan", record, true, [&](ChanSettings* r) { return SetCondChan(port, r); });
  ChangeRecord("CondGainTo", record, usable, [&](ChanSettings* r) { return CondGainTo(host.gainTo, port, r); });
  ChangeRecord("CondGainChange", record, usable,
               [&](ChanSettings* r) { return CondGainChange(host.steps & 1, port, r); });
  ChangeRecord("CondOffsTo", record, usable, [&](ChanSettings* r) { return CondOffsTo(host.offsetTo, port, r); });
  ChangeRecord("CondOffsChange", record, usable,
               [&](ChanSettings* r) { return CondOffsChange(host.steps & 2, port, r); });
  KillCond();
}

}  // namespace

void RunSession(const HostPart& host, SerialLink& link, vornsim::VirtualClock& clock) {
  testing::MemoryConfigStore config;
  config.WriteRegistryDword("Port", 1);
  config.WriteRegistryDword("Dump", host.dump & 1);
  config.WriteRegistryDword("First", host.first % COND_PORT_COUNT);
  config.WriteRegistryDword("Last", host.last % COND_PORT_COUNT);
  testing::MemoryLogFile logFile;
  testing::CapturingHost process;
  const Os previous = InstallOs(Os{&clock, &config, &logFile, &process, &link});
  LoadLibraryState();
  RunCalls(host);
  InstallOs(previous);
}

}  // namespace condvorn::fuzz
