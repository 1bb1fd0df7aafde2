#include "link/transport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "link/link_state.h"
#include "link/diagnostic_log.h"
#include "link/linkio.h"

namespace condvorn {
namespace {

constexpr uint64_t kMicrosPerMs = 1000;
// One character at 9600 baud, 8N1 (ten bits), rounded up.
constexpr uint64_t kCharMicros = 1042;
// How long a selection may wait for the output queue beyond the time its
// bytes need on the wire.
constexpr uint64_t kDrainMarginMs = 1000;
constexpr int32_t kCarriageReturn = 13;

uint32_t Now() { return CurrentOs().clock->TickCount(); }

// A pause or wait length for the seam, which takes 32-bit microseconds;
// longer ones are cut, and the callers' loops wait out the rest.
uint32_t SeamMicros(uint64_t micros) { return static_cast<uint32_t>(std::min<uint64_t>(micros, UINT32_MAX)); }

// Waits for the output queue to empty, sleeping for as long as the bytes
// still queued take to go out.
void DrainOutput() {
  const LinkHandle handle = Link().linkHandle;
  int32_t queued = LkOutputQueueCount(handle);
  if (queued <= 0) return;
  const uint32_t start = Now();
  const uint64_t limitMs = static_cast<uint64_t>(queued) * kCharMicros / kMicrosPerMs + kDrainMarginMs;
  while (queued > 0) {
    const uint32_t waited = Now() - start;
    if (waited >= limitMs) {
      LogFormat("Timed out in SelectChannel, %d bytes still waiting to be sent", static_cast<int>(queued));
      Link().reinitNeeded = 1;
      return;
    }
    const uint64_t sendingMicros = static_cast<uint64_t>(queued) * kCharMicros;
    CurrentOs().clock->Pause(SeamMicros(std::min(sendingMicros, (limitMs - waited) * kMicrosPerMs)));
    queued = LkOutputQueueCount(handle);
  }
}

}  // namespace

int32_t SendStr(const char* text) {
  int32_t result = LkSend(Link().linkHandle, text, static_cast<int32_t>(std::strlen(text)));
  if (result != 0) LogFormat("SendStr: LkSend %s returned %ld", text, static_cast<long>(result));
  return result;
}

int32_t ReadStr(char* buffer, int32_t capacity, uint32_t timeoutMs) {
  if (capacity <= 0) return 0;
  buffer[0] = '\0';
  int32_t count = 0;
  const uint32_t start = Now();
  for (;;) {
    // The room is checked before a byte is taken off the line, never after:
    // a line longer than capacity - 1 comes back cut, and its remainder,
    // still waiting, is read as the next line (so a capacity of 1 gives an
    // empty line and reads nothing).
    if (count >= capacity - 1) {
      LogLine("ReadStr length exceeded maximum length allowed, we got:");
      LogLine(buffer);
      return 1;
    }
    int32_t c = LkGetChar(Link().linkHandle);
    if (c == kCarriageReturn) return 1;
    if (c > 0) {
      // Any other byte is part of the reply, a line feed included.
      buffer[count++] = static_cast<char>(c);
      buffer[count] = '\0';
    } else if (c >= -1) {
      // Nothing waiting. The deadline is fixed for the whole reply: the
      // reply has timed out once the tick counter is past it.
      const uint32_t waited = Now() - start;
      if (waited > timeoutMs) {
        LogLine("Timed out in ReadStr, chars already got were:");
        LogLine(buffer);
        Link().reinitNeeded = 1;
        return 0;
      }
      LkWaitForInput(Link().linkHandle, SeamMicros((uint64_t{timeoutMs} - waited + 1) * kMicrosPerMs));
    } else {
      LogFormat("ReadStr got GetChar error %d, chars got were:", static_cast<int>(c));
      LogLine(buffer);
      return c;
    }
  }
}

void SelectChannel(int32_t channel) {
  char command[32];
  std::snprintf(command, sizeof command, ";;CH%d;", static_cast<int>(channel));
  SendStr(command);
  // Let the selection leave the output queue before the settling pause.
  DrainOutput();
  WaitMs(10);
  WaitMs(10);
}

void WaitMs(uint32_t ms) {
  const uint32_t start = Now();
  for (uint32_t waited = 0; waited < ms; waited = Now() - start) {
    CurrentOs().clock->Pause(SeamMicros(uint64_t{ms - waited} * kMicrosPerMs));
  }
}

void WaitForInput(uint32_t ms) {
  const LinkHandle handle = Link().linkHandle;
  const uint32_t start = Now();
  for (uint32_t waited = 0; LkCharCount(handle) == 0 && waited < ms; waited = Now() - start) {
    LkWaitForInput(handle, SeamMicros(uint64_t{ms - waited} * kMicrosPerMs));
  }
}

}  // namespace condvorn
