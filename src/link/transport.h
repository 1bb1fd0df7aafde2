// One command out, one reply line in: the framing, limits and time-outs of
// every exchange on the shared serial line.
#pragma once

#include <cstdint>

namespace condvorn {

// Sends a command text as it stands. 0, or the non-zero code from LkSend.
int32_t SendStr(const char* text);

// Collects one reply line (ended by carriage return, which is not stored)
// into buffer, NUL-terminated, at most capacity - 1 characters.
// 1: a line (or a line cut at capacity - 1); 0: time-out; < -1: receive error.
// A capacity of 1 cuts at once (an empty line, nothing read); a capacity of
// 0 or less has no room for the terminator: nothing is read or written, 0.
int32_t ReadStr(char* buffer, int32_t capacity, uint32_t timeoutMs);

// Addresses one channel on the line, lets the output drain, pauses 20 ms.
// An output queue that does not drain in the time its bytes need plus a
// second is logged and asks for rediscovery; the pause follows regardless.
void SelectChannel(int32_t channel);

// Blocks the caller for `ms` milliseconds of the tick counter.
void WaitMs(uint32_t ms);
// Blocks the caller until a received byte waits or `ms` milliseconds pass.
void WaitForInput(uint32_t ms);

}  // namespace condvorn
