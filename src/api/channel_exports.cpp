// The host's channel-settings exports: apply, fetch, test, set and step
// a port's conditioner settings, and report a channel's capabilities.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "api/chan_settings.h"
#include "api/library_state.h"
#include "api/module_scope.h"
#include "api/panel_link.h"
#include "api/report_error.h"
#include "channel/channel_state.h"
#include "channel/read_state.h"
#include "channel/setting_commands.h"
#include "channel/single_precision.h"
#include "channel/value_snapping.h"
#include "condvorn.h"
#include "link/link_state.h"

namespace condvorn {
namespace {

bool RecordValid(const ChanSettings* settings) {
  return settings != nullptr && settings->size == kChanSettingsSize;
}

// The gate of the gain and offset exports. COND_OK when the call may talk to
// the channel; otherwise the status to return, after the message box.
int32_t GainOffsetGate(int32_t port, const ChanSettings* settings) {
  if (!RecordValid(settings)) {
    ReportError(COND_ERR_BAD_RECORD);
    return COND_ERR_BAD_RECORD;
  }
  if (!IsChannelNumber(port)) return COND_ERR_BAD_PORT;
  if (!ChannelUsable(port)) return ReportError(port);
  return COND_OK;
}

// Passes the gate, reads the channel's state (its capabilities the first
// time, and the record's input), then makes the change on the channel.
template <typename Change>
int32_t ChangeChannel(int32_t port, ChanSettings* settings, Change change) {
  if (int32_t status = GainOffsetGate(port, settings); status != COND_OK) return status;
  ReadChannelState(port, *settings);
  change(*settings);
  return COND_OK;
}

// The conditioner folded out of a record: it then describes the raw signal,
// with the host's readings unchanged. A product beyond float's range cannot
// be kept, and then the record stays as it is.
void FoldConditionerOut(ChanSettings& settings) {
  const double scale = static_cast<double>(settings.scale) * settings.gain;
  const double zero = static_cast<double>(settings.zero) + settings.offset;
  if (!FitsSingle(scale) || !FitsSingle(zero)) return;
  settings.scale = static_cast<float>(scale);
  settings.gain = 1.0f;
  settings.zero = static_cast<float>(zero);
  settings.offset = 0.0f;
}

// A count from the channel table, limited to the entries that exist.
int32_t Entries(int32_t count, int32_t capacity) { return std::clamp(count, 0, capacity); }

void CopyName(char* to, size_t room, const char* from) {
  std::snprintf(to, room, "%s", from);
}

void FillFilterTypes(int32_t count, const FilterType* types, int32_t& infoCount, InfoFilterType* info) {
  infoCount = count;
  for (int32_t i = 0; i < Entries(count, kMaxListItems); ++i) {
    const FilterType& type = types[i];
    InfoFilterType& out = info[i];
    CopyName(out.name, sizeof out.name, type.name);
    out.kind = static_cast<uint8_t>(type.kind & 1);
    out.minimum = type.minimum;
    out.maximum = type.maximum;
    out.cutoffCount = type.cutoffCount;
    for (int32_t k = 0; k < Entries(type.cutoffCount, kMaxListItems); ++k) out.cutoffs[k] = type.cutoffs[k];
  }
}

void FillExtraSettings(const ChannelState& state, CondInfo& info) {
  info.extraSettingCount = state.extraSettingCount;
  for (int32_t i = 0; i < Entries(state.extraSettingCount, kMaxExtraSettings); ++i) {
    const ExtraSetting& setting = state.extraSettings[i];
    InfoExtraSetting& out = info.extraSettings[i];
    CopyName(out.name, sizeof out.name, setting.name);
    out.kind = static_cast<uint8_t>(setting.kind & 1);
    if (info.want & COND_WANT_EXTRA_SLOTS) out.spare = setting.slot;
    if (setting.kind & 1) {
      out.choiceCount = setting.choiceCount;
      for (int32_t k = 0; k < Entries(setting.choiceCount, kMaxListItems); ++k)
        CopyName(out.choices[k], sizeof out.choices[k], setting.choices[k]);
    } else {
      out.minimum = setting.minimum;
      out.maximum = setting.maximum;
      out.choiceCount = 0;
    }
  }
}

void FillCondInfo(int32_t port, CondInfo& info) {
  const ChannelState& state = Channels().channelStates[port];
  const uint32_t want = info.want;
  if (want & COND_WANT_INPUTS) {
    info.inputCount = state.inputCount;
    for (int32_t i = 0; i < kMaxListItems; ++i)
      CopyName(info.inputNames[i], sizeof info.inputNames[i], state.inputNames[i]);
  }
  if (want & COND_WANT_GAINS) {
    info.gainCount = state.gainCount;
    for (int32_t i = 0; i < kMaxListItems; ++i) info.gains[i] = static_cast<float>(state.gains[i]);
  }
  if (want & COND_WANT_HIGH_PASS)
    FillFilterTypes(state.highPassTypeCount, state.highPassTypes, info.highPassTypeCount, info.highPassTypes);
  if (want & COND_WANT_LOW_PASS)
    FillFilterTypes(state.lowPassTypeCount, state.lowPassTypes, info.lowPassTypeCount, info.lowPassTypes);
  if (want & COND_WANT_MAX_OFFSET) info.maxOffset = static_cast<float>(MaxOffset(port, *info.settings));
  if (want & COND_WANT_TYPE_TEXT) {
    // Reproduces the channel's version reply ("Vorn220") from its two numbers.
    std::snprintf(info.typeText, sizeof info.typeText, "Vorn%2d%d", static_cast<int>(state.versionNumber),
                  static_cast<int>(state.versionLevel - 2));
  }
  if (want & COND_WANT_EXTRAS) FillExtraSettings(state, info);
}

}  // namespace
}  // namespace condvorn

using namespace condvorn;

extern "C" int32_t WINAPI SetCondChan(int32_t port, ChanSettings* settings) {
  ModuleScope scope;
  if (!RecordValid(settings)) return COND_ERR_BAD_RECORD;
  if (!IsChannelNumber(port)) return COND_ERR_BAD_PORT;
  if (!ChannelUsable(port)) {
    FoldConditionerOut(*settings);
    return COND_OK;
  }
  if (Lib().activePanel != nullptr) return Lib().activePanel->SetChannel(port, *settings);
  ApplySettings(port, *settings);
  settings->changed = 0;
  return COND_OK;
}

extern "C" int32_t WINAPI GetCondChan(int32_t port, ChanSettings* settings) {
  ModuleScope scope;
  if (!RecordValid(settings)) return COND_ERR_BAD_RECORD;
  if (Lib().activePanel == nullptr) return COND_OK;
  return Lib().activePanel->GetChannel(port, *settings);
}

extern "C" int32_t WINAPI CondOnChan(int32_t port, int32_t report) {
  ModuleScope scope;
  if (!IsChannelNumber(port)) return 0;
  if (ChannelUsable(port)) return 1;
  if (report != 0) ReportError(port);
  return 0;
}

extern "C" int32_t WINAPI CondGainTo(float gain, int32_t port, ChanSettings* settings) {
  ModuleScope scope;
  return ChangeChannel(port, settings, [&](ChanSettings& record) { ApplyGain(gain, record); });
}

extern "C" int32_t WINAPI CondGainChange(int32_t up, int32_t port, ChanSettings* settings) {
  ModuleScope scope;
  return ChangeChannel(port, settings, [&](ChanSettings& record) {
    // The step is taken in single precision: 5 x 0.4 gives exactly 2 (in
    // double it would be 2.0000000298, nearer 3 than 1).
    const float requested = record.gain * (up != 0 ? 2.5f : 0.4f);
    ApplyGain(requested, record);
  });
}

extern "C" int32_t WINAPI CondOffsTo(float offset, int32_t port, ChanSettings* settings) {
  ModuleScope scope;
  return ChangeChannel(port, settings, [&](ChanSettings& record) { ApplyOffset(offset, record); });
}

extern "C" int32_t WINAPI CondOffsChange(int32_t up, int32_t port, ChanSettings* settings) {
  ModuleScope scope;
  return ChangeChannel(port, settings, [&](ChanSettings& record) {
    const double step = MaxOffset(port, record) / 10.0;
    ApplyOffset(static_cast<double>(record.offset) + (up != 0 ? step : -step), record);
  });
}

extern "C" int32_t WINAPI GetCondInfo2(int32_t port, CondInfo* info) {
  ModuleScope scope;
  if (info == nullptr || info->size != static_cast<int32_t>(sizeof(CondInfo))) return COND_ERR_BAD_RECORD;
  if (!RecordValid(info->settings)) return COND_ERR_BAD_RECORD;
  if (!IsChannelNumber(port)) return COND_ERR_BAD_PORT;
  // The channel is asked whatever discovery found; only a closed port, whose
  // handle means nothing any more, keeps the queries off the line.
  if (Link().linkStatus >= 0) ReadChannelState(port, *info->settings);
  FillCondInfo(port, *info);
  return COND_OK;
}
