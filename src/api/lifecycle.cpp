// Starting and stopping the library, and the small exports of fixed facts.
#include <cmath>
#include <cstdint>

#include "api/library_state.h"
#include "api/module_scope.h"
#include "api/panel_link.h"
#include "channel/channel_state.h"
#include "condvorn.h"
#include "link/diagnostic_log.h"
#include "link/discovery.h"
#include "link/link_state.h"
#include "link/linkio.h"
#include "link/port_config.h"

namespace condvorn {
namespace {

// Probes from First on: every channel up to Last, and beyond it for as long
// as channels keep answering. True when any channel was found.
bool DiscoverChannels(int32_t first, int32_t last) {
  bool found = false;
  for (int32_t channel = first; channel < kChannelCount; ++channel) {
    int32_t status = GotAVorn(channel);
    // The probe addressed the channel on the line: it is the current one
    // now, so that the panel addresses its own channel again before it sends.
    Channels().currentChannel = channel;
    Link().channelStatus[channel] = status;
    if (status == COND_OK) {
      found = true;
    } else if (channel >= last) {
      break;
    }
  }
  return found;
}

void StartLog() {
  if (!CreateLogFile()) {
    CurrentOs().host->ShowMessage("Unable to create diagnostic log file for signal conditioner");
  }
  LogLine("Beginning initialisation/setup process for Vorn support");
}

}  // namespace
}  // namespace condvorn

using namespace condvorn;

extern "C" int32_t WINAPI InitCond(int32_t reset) {
  ModuleScope scope;
  LinkState& link = Link();
  if (reset != 0) link.reinitNeeded = 1;

  link.logConfigured = ReadConfigValue("Dump", 0);
  link.logActive = link.logConfigured;
  if (link.logConfigured != 0) StartLog();

  link.linkStatus = COND_ERR_NO_LINK;
  if (link.reinitNeeded) {
    ResetChannelTables();
    for (int32_t& status : link.channelStatus) status = COND_ERR_NO_LINK;
  }

  int32_t port = ReadConfigValue("Port", 1);
  if (port <= 0) {
    LogLine("Conditioner settings give None as serial port - access disabled");
    link.logActive = 0;
    return COND_ERR_NO_LINK;
  }

  LogFormat("About to open serial port %d for use with Vorns", static_cast<int>(port));
  unsigned char scratch[40];
  int32_t opened = LkOpen(port, -1, &link.linkHandle, scratch);
  if (opened != 0) {
    LogFormat("Attempt to open serial port %d returned error code %ld", static_cast<int>(port),
              static_cast<long>(opened));
    link.logActive = 0;
    link.reinitNeeded = 1;
    return link.linkStatus;
  }
  link.linkStatus = COND_OK;

  if (!link.reinitNeeded) {
    // The previous discovery still stands.
    link.logActive = 0;
    return COND_OK;
  }

  int32_t first = ReadConfigValue("First", 0);
  int32_t last = ReadConfigValue("Last", 0);
  if (first < 0) first = 0;
  if (first >= kChannelCount) return COND_ERR_NO_CHANNEL;
  if (!DiscoverChannels(first, last)) return COND_ERR_NO_CHANNEL;

  link.reinitNeeded = 0;
  link.logActive = 0;
  return COND_OK;
}

extern "C" void WINAPI KillCond(void) {
  ModuleScope scope;
  if (Lib().activePanel != nullptr) Lib().activePanel->Close(false);
  LinkState& link = Link();
  if (link.linkStatus >= 0) LkClose(link.linkHandle);
  // Discovery's results stay, so that InitCond(0) reopens without probing.
  link.linkStatus = COND_ERR_NO_LINK;
}

extern "C" int32_t WINAPI GetCondType(void) {
  ModuleScope scope;
  return 1;
}

extern "C" void WINAPI SetADCRange(double volts) {
  ModuleScope scope;
  // Offsets are converted with the range: only a finite, positive one is
  // taken, and any other leaves the previous one in force.
  if (std::isfinite(volts) && volts > 0.0) Channels().adcRange = volts;
}

extern "C" int32_t WINAPI SetPellProc(CondPellProc) {
  ModuleScope scope;
  return 0;
}
