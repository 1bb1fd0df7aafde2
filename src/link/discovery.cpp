#include "link/discovery.h"

#include <cstring>

#include "link/link_state.h"
#include "link/diagnostic_log.h"
#include "link/linkio.h"
#include "link/reply_numbers.h"
#include "link/transport.h"

namespace condvorn {
namespace {

constexpr int32_t kReplyCapacity = 20;
constexpr uint32_t kFirstCharWaitMs = 30;
constexpr uint32_t kChannelReplyTimeoutMs = 100;
constexpr uint32_t kVersionTimeoutMs = 1000;

}  // namespace

int32_t GotAVorn(int32_t channel) {
  SelectChannel(channel);
  int32_t sent = SendStr("?CH;");
  if (sent != 0) {
    LogFormat("Communications error %d sending ?CH; in GotAVorn", static_cast<int>(sent));
    return COND_ERR_COMMS;
  }
  WaitForInput(kFirstCharWaitMs);
  if (LkCharCount(Link().linkHandle) <= 0) {
    LogFormat("Timed out waiting for response for Vorn channel %d", static_cast<int>(channel));
    return COND_ERR_NO_CHANNEL;
  }
  char reply[kReplyCapacity];
  int32_t got = ReadStr(reply, kReplyCapacity, kChannelReplyTimeoutMs);
  if (got == 1) {
    if (ReplyInteger(reply) != channel) {
      LogFormat("Response for Vorn channel %d was %s", static_cast<int>(channel), reply);
      return COND_ERR_NO_CHANNEL;
    }
    if (!GetVornStat()) {
      LogFormat("GetVornStat for Vorn channel %d returned FALSE", static_cast<int>(channel));
      return COND_ERR_NO_CHANNEL;
    }
    LogFormat("Found Vorn channel %d OK", static_cast<int>(channel));
    return COND_OK;
  }
  if (got == 0) {
    LogFormat("No response from Vorn channel %d", static_cast<int>(channel));
    return COND_ERR_NO_CHANNEL;
  }
  LogFormat("Comms error %d reading from Vorn channel %d", static_cast<int>(got),
            static_cast<int>(channel));
  return COND_ERR_COMMS;
}

bool GetVornStat() {
  int32_t number = -1;
  int32_t level = -1;
  ReadVersion(number, level);
  return number >= 0 && level >= 0;
}

void ReadVersion(int32_t& versionNumber, int32_t& versionLevel) {
  versionNumber = -1;
  versionLevel = -1;
  SendStr("?RV;");
  char reply[kReplyCapacity];
  if (ReadStr(reply, kReplyCapacity, kVersionTimeoutMs) != 1) return;
  if (std::strlen(reply) != 7 || std::strncmp(reply, "Vorn", 4) != 0) {
    LogFormat("?RV returned %s", reply);
    return;
  }
  // The characters' codes, as the device sends them: digits give the
  // two-digit number and level digit + 2; anything else gives what it gives.
  const auto code = [&](int i) { return static_cast<int32_t>(static_cast<unsigned char>(reply[i])); };
  int32_t number = 10 * (code(4) - '0') + (code(5) - '0');
  int32_t level = code(6) - '.';
  // Only a valid version is kept; a half-valid one leaves both at -1.
  if (number >= 0 && level >= 0) {
    versionNumber = number;
    versionLevel = level;
  }
}

}  // namespace condvorn
