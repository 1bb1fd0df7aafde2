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
int32_t ReadStr(char* buffer, int32_t capacity, uint32_t timeoutMs);

// Addresses one channel on the line, lets the output drain, pauses 20 ms.
void SelectChannel(int32_t channel);

// Busy waits on the tick counter.
void WaitMs(uint32_t ms);
void WaitForInput(uint32_t ms);

}  // namespace condvorn
