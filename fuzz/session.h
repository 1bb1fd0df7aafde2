// The calls the reply fuzzer makes for each input, with the promises of the
// interface checked after each of them.
#pragma once

#include "fuzz_input.h"
#include "in_process_line.h"
#include "os/os.h"

namespace condvorn::fuzz {

// Installs the clock and the line with in-memory configuration (port 1, the
// host part's log switch and discovery range), a log file and a host, puts
// the library in its state at load, and runs the host's calls:
// SetADCRange, InitCond, GetCondInfo2 with every section on each channel
// found, SetCondChan with the host's record, CondGainTo, CondGainChange,
// CondOffsTo, CondOffsChange and KillCond. A broken promise aborts with a
// message. The services in use before are back in place on return.
void RunSession(const HostPart& host, SerialLink& link, vornsim::VirtualClock& clock);

}  // namespace condvorn::fuzz
