// Reading the filter characteristics, the extra settings and the notch
// frequency of the selected channel.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "channel/read_state.h"
#include "channel/reply_lines.h"
#include "link/reply_numbers.h"
#include "link/transport.h"

namespace condvorn {
namespace {

constexpr int32_t kFilterNameReplyRoom = 19;
constexpr int32_t kFilterDescriptionRoom = 20;
constexpr int32_t kExtraDescriptionRoom = 22;
constexpr int32_t kNumberReplyRoom = 20;
constexpr char kDefaultFilterName[] = "2-pole B'Worth";
constexpr int32_t kSteppedKind = 1;
constexpr double kRawTimesTenCode = -11.0;

// Failure codes stored as counts (they mean "no entries" to every reader).
constexpr int32_t kBadCount = -1;
constexpr int32_t kNoDescription = -2;
constexpr int32_t kNoLimit = -3;

bool ReadLine(char* buffer, int32_t room) { return ReadStr(buffer, room, kQueryTimeoutMs) == 1; }

// Takes the digit at the start of a description: the character's code minus
// that of '0', whatever the character is. A description too short to hold
// its digits gives its terminator as the character: -48, an even (so
// continuous or numeric) kind, and a slot outside the record that ends the
// read of extra settings there.
int32_t TakeDigit(const char*& text) {
  const int32_t value = static_cast<unsigned char>(*text) - '0';
  if (*text != '\0') ++text;
  return value;
}

// The minimum and maximum lines of a continuous range; false when one is
// missing.
bool ReadLimits(double& minimum, double& maximum) {
  char line[kNumberReplyRoom];
  if (!ReadLine(line, kNumberReplyRoom)) return false;
  minimum = ReplyDouble(line);
  if (!ReadLine(line, kNumberReplyRoom)) return false;
  maximum = ReplyDouble(line);
  return true;
}

// Older high-pass channels report their "Raw * 10" mode as a second 10.
bool IsOldRawTimesTenList(const double* values, int32_t count) {
  return count == 3 && std::trunc(values[0]) == -10.0 && std::trunc(values[1]) == 10.0 &&
         std::trunc(values[2]) == -1.0;
}

// A channel without digital filters has one stepped characteristic per
// direction: a name, then a cut-off list to which the off entry 0 is put in
// front (so at most 19 device values are kept).
int32_t ReadSingleFilterType(char letter, FilterType& type) {
  std::memset(&type, 0, sizeof type);
  SendStr(letter == 'H' ? "?HF;" : "?LF;");
  char name[kFilterNameReplyRoom];
  const bool named = ReadLine(name, kFilterNameReplyRoom) && name[0] != '\0';
  CopyCut(type.name, sizeof type.name, named ? name : kDefaultFilterName);
  type.kind = kSteppedKind;

  const char listName[] = {letter, 'S', '\0'};
  double values[kMaxListItems - 1];
  int32_t count = 0;
  ReadNumberList(listName, count, values, kMaxListItems - 1, 0, kQueryTimeoutMs);
  // A count the device gave as 0 or less is kept: with the off entry the
  // list then still counts no entry at all (n + 1 <= 0), and nothing is sent
  // for it. Only how many values are copied is limited.
  const int32_t copied = std::max(count, 0);
  std::copy(values, values + copied, type.cutoffs + 1);
  if (copied > 0) {
    type.minimum = *std::min_element(values, values + copied);
    type.maximum = *std::max_element(values, values + copied);
  }
  if (letter == 'H' && IsOldRawTimesTenList(values, count)) type.cutoffs[2] = kRawTimesTenCode;
  type.cutoffs[0] = 0.0;
  type.cutoffCount = count + 1;
  return 1;
}

// Characteristic `number` (1-based) as the channel describes it: a kind
// digit and a name, the limits of a continuous kind, then the cut-off list.
int32_t ReadDescribedFilterType(char letter, int32_t number, FilterType& type) {
  std::memset(&type, 0, sizeof type);
  char query[16];
  std::snprintf(query, sizeof query, "?%cD%d;", letter, static_cast<int>(number));
  SendStr(query);
  char line[kFilterDescriptionRoom];
  if (!ReadLine(line, kFilterDescriptionRoom)) return kNoDescription;
  const char* text = line;
  type.kind = TakeDigit(text);
  CopyCut(type.name, sizeof type.name, text);
  if ((type.kind & kSteppedKind) == 0 && !ReadLimits(type.minimum, type.maximum)) return kNoLimit;
  ReadNumberList("", type.cutoffCount, type.cutoffs, kMaxListItems, 0, kQueryTimeoutMs);
  return 0;
}

int32_t ReadDescribedFilterTypes(char letter, FilterType types[kMaxListItems]) {
  const char countName[] = {letter, 'D', '0', '\0'};
  int32_t count = 0;
  if (!QueryInteger(countName, count)) return 0;
  if (count < 0 || count > kMaxListItems) return kBadCount;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t failure = ReadDescribedFilterType(letter, i + 1, types[i]);
    if (failure != 0) return failure;
  }
  return count;
}

// Extra setting `number` (1-based): a kind digit, a slot digit and a name,
// then the limits of a numeric kind or the names of a choice kind.
int32_t ReadExtraSetting(int32_t number, ExtraSetting& setting) {
  char query[16];
  std::snprintf(query, sizeof query, "?FA%d;", static_cast<int>(number));
  SendStr(query);
  char line[kExtraDescriptionRoom];
  if (!ReadLine(line, kExtraDescriptionRoom)) return kNoDescription;
  const char* text = line;
  setting.kind = TakeDigit(text);
  setting.slot = TakeDigit(text);
  CopyCut(setting.name, sizeof setting.name, text);
  if ((setting.kind & 1) != 0) {
    // A broken choice list leaves the setting with what it got.
    ReadItemList("", setting.choiceCount, setting.choices, kQueryTimeoutMs);
    return 0;
  }
  return ReadLimits(setting.minimum, setting.maximum) ? 0 : kNoLimit;
}

}  // namespace

int32_t ReadFilterTypes(char letter, FilterType types[kMaxListItems], bool digital) {
  return digital ? ReadDescribedFilterTypes(letter, types) : ReadSingleFilterType(letter, types[0]);
}

int32_t ReadExtraSettings(ExtraSetting settings[kMaxExtraSettings]) {
  std::memset(settings, 0, sizeof(ExtraSetting) * kMaxExtraSettings);
  int32_t announced = 0;
  if (!QueryInteger("FA0", announced)) return 0;
  if (announced < 0 || announced > kMaxExtraSettings) return kBadCount;
  const int32_t count = std::min(announced, kReadExtraSettings);
  for (int32_t i = 0; i < count; ++i) {
    ExtraSetting setting{};
    const int32_t failure = ReadExtraSetting(i + 1, setting);
    if (failure != 0) return failure;
    // A slot outside the record's eight values cannot hold the setting. The
    // read ends before it: a later setting stored in its place would be
    // addressed with the wrong "FA" number.
    if (setting.slot < 0 || setting.slot >= kExtraSlots) return i;
    settings[i] = setting;
  }
  return count;
}

int32_t ReadNotchFrequency() {
  SendStr("?NT;");
  char line[kNumberReplyRoom];
  return ReadLine(line, kNumberReplyRoom) ? ReplyInteger(line) : 0;
}

}  // namespace condvorn
