#include "link/transport.h"

#include <cstdio>
#include <cstring>

#include "link/link_state.h"
#include "link/diagnostic_log.h"
#include "link/linkio.h"

namespace condvorn {
namespace {

uint32_t Now() { return CurrentOs().clock->TickCount(); }

// True once `ms` milliseconds have passed since `start`. Unsigned
// subtraction keeps this right across the wrap of the tick counter.
bool Elapsed(uint32_t start, uint32_t ms) { return Now() - start >= ms; }

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
    int32_t c = LkGetChar(Link().linkHandle);
    if (c == 13) return 1;
    if (c > 0) {
      // Any other byte is part of the reply, a line feed included.
      buffer[count++] = static_cast<char>(c);
      buffer[count] = '\0';
      if (count >= capacity - 1) {
        LogLine("ReadStr length exceeded maximum length allowed, we got:");
        LogLine(buffer);
        return 1;
      }
    } else if (c >= -1) {
      // Nothing waiting. The deadline is fixed for the whole reply.
      if (Now() - start > timeoutMs) {
        LogLine("Timed out in ReadStr, chars already got were:");
        LogLine(buffer);
        Link().reinitNeeded = 1;
        return 0;
      }
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
  while (LkOutputQueueCount(Link().linkHandle) > 0) {
  }
  WaitMs(10);
  WaitMs(10);
}

void WaitMs(uint32_t ms) {
  const uint32_t start = Now();
  while (!Elapsed(start, ms)) {
  }
}

void WaitForInput(uint32_t ms) {
  const uint32_t start = Now();
  while (LkCharCount(Link().linkHandle) == 0 && !Elapsed(start, ms)) {
  }
}

}  // namespace condvorn
