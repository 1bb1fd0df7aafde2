// The exports that open, close and restrict the control panel. The checks
// of DoCondMenu are made here; the panel itself is behind OpenPanel.
#include <algorithm>
#include <cstdint>

#include "api/chan_settings.h"
#include "api/library_state.h"
#include "api/module_scope.h"
#include "api/panel_link.h"
#include "api/report_error.h"
#include "condvorn.h"
#include "link/link_state.h"

namespace condvorn {
namespace {

// The records' checks. "Usable" and the code to report are kept apart: the
// last port in use is reported as it is, port 0 included, which reads as
// COND_OK.
struct RecordCheck {
  bool usable;   // some port in use has a usable conditioner
  int32_t code;  // otherwise: -5 for a wrong-size record, the last port in
                 // use, or -2 when no record is in use
};

RecordCheck CheckHostRecords(const ChanSettings* records, int16_t count) {
  if (records == nullptr) return {false, COND_ERR_BAD_RECORD};
  int32_t lastInUse = COND_ERR_NO_PORTS;
  bool usable = false;
  for (int32_t port = 0; port < count; ++port) {
    const ChanSettings& record = records[port];
    if (record.size != kChanSettingsSize) return {false, COND_ERR_BAD_RECORD};
    if (record.inUse == 0) continue;
    lastInUse = port;
    if (Link().channelStatus[port] >= 0) usable = true;
  }
  return {usable, lastInUse};
}

}  // namespace
}  // namespace condvorn

using namespace condvorn;

extern "C" int32_t WINAPI DoCondMenu(ChanSettings* settings, int32_t count, CondSampleProc sampler,
                                     int32_t options, CondWindow hostWindow) {
  ModuleScope scope;
  if (Lib().activePanel != nullptr) {
    Lib().activePanel->BringToFront();
    return 0;
  }
  if (Link().linkStatus < 0) {
    ReportError(COND_ERR_NO_LINK);
    return 0;
  }
  // Only the lower 16 bits carry the count; the panel's tables hold 128.
  const int16_t records = static_cast<int16_t>(count & 0xFFFF);
  if (records <= 0) {
    ReportError(COND_ERR_NO_PORTS);
    return 0;
  }
  const int16_t channelCount = std::min<int16_t>(records, kChannelCount);
  if (const RecordCheck check = CheckHostRecords(settings, channelCount); !check.usable) {
    ReportError(check.code);
    return 0;
  }
  return OpenPanel(PanelRequest{settings, channelCount, sampler, options, hostWindow});
}

extern "C" void WINAPI KillCondMenu(int32_t post) {
  ModuleScope scope;
  if (Lib().activePanel != nullptr) Lib().activePanel->Close(post != 0);
}

extern "C" int32_t WINAPI SetMenuScaling(int32_t enable) {
  ModuleScope scope;
  if (Lib().activePanel == nullptr) return 0;
  return Lib().activePanel->SetScalingEnabled(enable != 0);
}
