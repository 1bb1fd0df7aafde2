// Finding the channels that answer on the line, and the version query.
#pragma once

#include <cstdint>

namespace condvorn {

// Probes one channel: 0 found, -3 communications failure, -4 not there or
// not valid.
int32_t GotAVorn(int32_t channel);
// True when the selected channel gives a valid version.
bool GetVornStat();
// Asks the selected channel for its version: number and level, -1 each
// unless the reply is valid ("Vorn" and three characters).
void ReadVersion(int32_t& versionNumber, int32_t& versionLevel);

}  // namespace condvorn
