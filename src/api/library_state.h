// The library-wide state shared by every export and the control panel.
// There is one instance per loaded library; everything runs on the host's
// window thread, so there are no locks.
#pragma once

#include <cstdint>
#include <string>

#include "channel/channel_state.h"
#include "condvorn.h"
#include "os/os.h"

namespace condvorn {

class PanelLink;

struct LibraryState {
  // Serial link.
  int32_t linkStatus = -1;        // 0 while the port is open, -1 otherwise
  LinkHandle linkHandle = 0;      // the open port, from LkOpen

  // Discovery.
  int32_t reinitNeeded = 1;       // the next InitCond rediscovers the channels
  int32_t channelStatus[kChannelCount] = {}; // 0 usable; else why not (-1, -3, -4)

  // Diagnostic log.
  int32_t logConfigured = 0;      // the "Dump" setting of the last InitCond
  int32_t logActive = 0;          // lines are written while non-zero
  std::string programDirectory;   // host executable's directory, separator kept

  // Channel model.
  ChannelState channelStates[kChannelCount] = {};
  ChanSettings appliedSettings[kChannelCount]; // what was last sent
  int32_t currentChannel = 0;     // the channel selected on the line

  // Host.
  double adcRange = 5.0;          // ADC full scale in volts (+/-)
  PanelLink* activePanel = nullptr;
};

LibraryState& Lib();

// Puts the library into its state at load: every field at its initial value,
// appliedSettings at the record defaults, and programDirectory worked out
// from the host's executable through the installed Os.
void LoadLibraryState();

// A port number that indexes the 128-entry tables.
inline bool IsChannelNumber(int32_t port) { return port >= 0 && port < kChannelCount; }

// Usable by an export: link open and the channel passed discovery.
inline bool ChannelUsable(int32_t port) {
  return IsChannelNumber(port) && Lib().linkStatus >= 0 && Lib().channelStatus[port] >= 0;
}

}  // namespace condvorn
