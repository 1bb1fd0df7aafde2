// The serial-comms library's six operations on the open port, forwarded to
// the installed SerialLink. Results:
//   LkOpen       0 when opened and the handle stored; else an error code
//   LkSend       0 when the text was accepted (it may still be queued)
//   LkGetChar    > 0 the next byte; 0 or -1 nothing yet; < -1 a receive error,
//                given as -2 - error (error >= 0, as the platform reports it), so
//                that no error code can read as a byte or as "nothing yet"
//   LkCharCount  received bytes waiting
#pragma once

#include <cstdint>

#include "os/os.h"

namespace condvorn {

int32_t LkOpen(int32_t port, int32_t mode, LinkHandle* handle, void* scratch40);
void LkClose(LinkHandle handle);
int32_t LkSend(LinkHandle handle, const char* text, int32_t length);
int32_t LkGetChar(LinkHandle handle);
int32_t LkCharCount(LinkHandle handle);
void LkFlushInput(LinkHandle handle);
// Bytes still in the output queue; negative when the query failed.
int32_t LkOutputQueueCount(LinkHandle handle);
// Sleeps until input waits (true) or `micros` microseconds have passed.
bool LkWaitForInput(LinkHandle handle, uint32_t micros);

}  // namespace condvorn
