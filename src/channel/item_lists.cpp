// Reading the device's replies of one integer and its item lists (a count
// line, then one line per item), with the retries of number and name lists.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "channel/channel_state.h"
#include "channel/read_state.h"
#include "channel/reply_lines.h"
#include "link/diagnostic_log.h"
#include "link/linkio.h"
#include "link/reply_numbers.h"
#include "link/transport.h"

namespace condvorn {
namespace {

constexpr int32_t kIntegerReplyRoom = 18;
constexpr int kListAttempts = 3;
constexpr uint32_t kRetryPauseMs = 100;
constexpr char kUnknownName[] = "Unknown";

// A table of kMaxListItems item texts, as arrays of texts are passed.
using ItemSlots = char (*)[kItemTextSize];
constexpr size_t kItemTableSize = kMaxListItems * kItemTextSize;

// A failed read is logged even though a successful InitCond has switched the
// log off, so that with "Dump" configured it always reaches the log; and the
// next InitCond rediscovers the channels.
void ReportReadFailure(const char* name, const char* failure) {
  LinkState& link = Link();
  const int32_t previous = link.logActive;
  link.logActive = link.logConfigured;
  LogFormat("Failed to read back Vorn info from %s command", name);
  LogLine(failure);
  link.logActive = previous;
  link.reinitNeeded = 1;
}

// Between two attempts at a list (never after the last): let the line
// settle and drop whatever is left of the failed reply.
void PrepareRetry() {
  WaitMs(kRetryPauseMs);
  LkFlushInput(Link().linkHandle);
}

// Reads the count line and the items into `items`. Leaves `failure` empty on
// success; otherwise writes the failure message into it.
void CollectItems(int32_t& count, ItemSlots items, uint32_t timeoutMs, char (&failure)[64]) {
  char line[kItemTextSize];
  const int32_t got = ReadStr(line, kItemTextSize, timeoutMs);
  if (got != 1) {
    std::snprintf(failure, sizeof failure, "Failed to read no. of items available, code %d",
                  static_cast<int>(got));
    return;
  }
  count = ReplyInteger(line);
  if (count <= 0) {
    std::snprintf(failure, sizeof failure, "Vorn indicated %d items available",
                  static_cast<int>(count));
    return;
  }
  for (int32_t i = 0; i < count; ++i) {
    if (ReadStr(line, kItemTextSize, timeoutMs) != 1) {
      std::snprintf(failure, sizeof failure, "Failed to read item %d of %d", static_cast<int>(i),
                    static_cast<int>(count));
      break;
    }
    // Items past the table's capacity are read off the line and dropped.
    if (i < kMaxListItems) std::memcpy(items[i], line, sizeof line);
  }
  count = std::min(count, kMaxListItems);
}

// One attempt at a number list; false when the list failed or an item was
// not a number (that item then holds the fallback).
bool ReadNumbersOnce(const char* name, int32_t& count, double* values, int32_t largest,
                     int32_t fallback, uint32_t timeoutMs) {
  char items[kMaxListItems][kItemTextSize];
  bool ok = ReadItemList(name, count, items, timeoutMs);
  count = std::min(count, largest);
  for (int32_t i = 0; i < count; ++i) {
    values[i] = ReplyDouble(items[i]);
    if (values[i] == 0.0 && !IsZeroText(items[i])) {
      values[i] = fallback;
      ok = false;
    }
  }
  return ok;
}

// One attempt at a name list; false when the list failed or a name did not
// fit (that name then reads "Unknown").
bool ReadNamesOnce(const char* name, int32_t& count, ItemSlots names, int32_t largest,
                   uint32_t timeoutMs) {
  char items[kMaxListItems][kItemTextSize];
  bool ok = ReadItemList(name, count, items, timeoutMs);
  count = std::min(count, largest);
  std::memset(names, 0, kItemTableSize);
  for (int32_t i = 0; i < count; ++i) {
    if (std::strlen(items[i]) >= static_cast<size_t>(kNameSize)) {
      std::strcpy(names[i], kUnknownName);
      ok = false;
    } else {
      std::strcpy(names[i], items[i]);
    }
  }
  return ok;
}

}  // namespace

bool QueryInteger(const char* name, int32_t& value) {
  value = 0;
  SendQuery(name);
  char reply[kIntegerReplyRoom];
  const int32_t got = ReadStr(reply, kIntegerReplyRoom, kQueryTimeoutMs);
  if (got == 1) {
    value = ReplyInteger(reply);
    return true;
  }
  char failure[64];
  std::snprintf(failure, sizeof failure, "Failed to read no. of items available, code %d",
                static_cast<int>(got));
  ReportReadFailure(name, failure);
  return false;
}

bool ReadItemList(const char* name, int32_t& count, char items[kMaxListItems][kItemTextSize],
                  uint32_t timeoutMs) {
  std::memset(items, 0, kItemTableSize);
  count = 0;
  if (name[0] != '\0') SendQuery(name);
  char failure[64] = "";
  CollectItems(count, items, timeoutMs, failure);
  if (failure[0] == '\0') return true;
  ReportReadFailure(name, failure);
  return false;
}

void ReadNumberList(const char* name, int32_t& count, double* values, int32_t largest,
                    int32_t fallback, uint32_t timeoutMs) {
  values[0] = 0.0;
  for (int attempt = 1; !ReadNumbersOnce(name, count, values, largest, fallback, timeoutMs); ++attempt) {
    if (attempt == kListAttempts) return;
    PrepareRetry();
  }
}

void ReadNameList(const char* name, int32_t& count, char names[kMaxListItems][kItemTextSize],
                  int32_t largest, uint32_t timeoutMs) {
  for (int attempt = 1; !ReadNamesOnce(name, count, names, largest, timeoutMs); ++attempt) {
    if (attempt == kListAttempts) return;
    PrepareRetry();
  }
}

bool IsZeroText(const char* text) {
  bool pointSeen = false;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '0') continue;
    if (*p == '-' && p == text) continue;
    if (*p == '.' && !pointSeen) {
      pointSeen = true;
      continue;
    }
    return false;
  }
  return true;
}

}  // namespace condvorn
