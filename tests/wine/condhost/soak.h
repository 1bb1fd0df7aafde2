// A long run of the calls a recording host makes over and over: SetCondChan,
// CondGainChange and GetCondInfo2 in turn, on each of a few ports in turn,
// with the process's handle count and private bytes sampled after every
// call (or every `sampleEvery` calls). It starts the library itself (InitCond(1), again while a port's
// channel is missing, at most three times).
//
//   soak {"calls": 10000, "ports": [0, 1, 2], "window": 1000, "sampleEvery": 100}
//
// Each SetCondChan moves the offset, so that something is sent; each
// CondGainChange steps the gain up and the next one down; each GetCondInfo2
// asks for the other of the first two inputs, so that the channel's lists are
// read again. Every reply must stay in step: each GetCondInfo2 must give
// what the first one for its port and input gave. The result line gives the
// call count, the failures (the first few), the out-of-step answers, the
// reference answers, the time, and the handle counts and private bytes over
// the first and the last `window` calls, and how many InitCond calls the
// start took.
#pragma once

#include <windows.h>

#include "result_writer.h"

namespace condhost {

Json RunSoak(HMODULE library, const Json& options);

// The process's open handles and private bytes now:
//   {"handles": N, "privateBytes": N}
Json ResourcesNow();

}  // namespace condhost
