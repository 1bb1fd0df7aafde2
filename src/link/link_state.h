// The state of the serial link and of discovery, shared by the transport,
// the channel model, the exports and the panel. One instance per loaded
// library; everything runs on the host's window thread, so there are no
// locks.
#pragma once

#include <cstdint>
#include <string>

#include "condvorn.h"
#include "os/os.h"

namespace condvorn {

constexpr int kChannelCount = COND_PORT_COUNT;  // channel numbers 0 to 127

struct LinkState {
  // Serial link.
  int32_t linkStatus;             // 0 while the port is open, -1 otherwise
  LinkHandle linkHandle;          // the open port, from LkOpen

  // Discovery.
  int32_t reinitNeeded;           // the next InitCond rediscovers the channels
  int32_t channelStatus[kChannelCount]; // 0 usable; else why not (-1, -3, -4)

  // Diagnostic log.
  int32_t logConfigured;          // the "Dump" setting of the last InitCond
  int32_t logActive;              // lines are written while non-zero
  std::string programDirectory;   // host executable's directory, separator kept
};

LinkState& Link();

// Puts the link state at its values at load, in place: link closed,
// rediscovery due, no channel probed, logging off; programDirectory worked
// out from the host's executable through the installed Os.
void ResetLinkState();

// A port number that indexes the 128-entry tables.
inline bool IsChannelNumber(int32_t port) { return port >= 0 && port < kChannelCount; }

// Usable by an export: link open and the channel passed discovery.
inline bool ChannelUsable(int32_t port) {
  return IsChannelNumber(port) && Link().linkStatus >= 0 && Link().channelStatus[port] >= 0;
}

}  // namespace condvorn
