#include "records.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "result_writer.h"

namespace condhost {
namespace {

constexpr unsigned char kMarker = 0xA5;

bool ParseDouble(const std::string& text, double& value) {
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return !text.empty() && *end == '\0';
}

bool ParseLong(const std::string& text, long& value) {
  char* end = nullptr;
  value = std::strtol(text.c_str(), &end, 0);
  return !text.empty() && *end == '\0';
}

template <typename Int>
bool SetInt(Int& field, const std::string& text) {
  long value = 0;
  if (!ParseLong(text, value)) return false;
  field = static_cast<Int>(value);
  return true;
}

bool SetFloat(float& field, const std::string& text) {
  double value = 0;
  if (!ParseDouble(text, value)) return false;
  field = static_cast<float>(value);
  return true;
}

// Text from a fixed char array that may lack its NUL.
std::string FixedText(const char* text, size_t room) { return std::string(text, strnlen(text, room)); }

template <typename T, typename ToJson>
std::string JsonArray(const T* items, int count, ToJson toJson) {
  std::string json = "[";
  for (int i = 0; i < count; ++i) json += (i ? ", " : "") + toJson(items[i]);
  return json + "]";
}

// A count as the library wrote it, kept within the table it counts.
int Bounded(int32_t count, int limit) { return count < 0 ? 0 : (count > limit ? limit : count); }

std::string FilterJson(const InfoFilterType& filter) {
  return JsonObject()
      .Add("name", FixedText(filter.name, sizeof filter.name))
      .Add("kind", static_cast<long long>(filter.kind))
      .Add("minimum", filter.minimum)
      .Add("maximum", filter.maximum)
      .AddRaw("cutoffs", JsonArray(filter.cutoffs, Bounded(filter.cutoffCount, 60), JsonNumber))
      .Text();
}

std::string ExtraJson(const InfoExtraSetting& extra) {
  JsonObject json;
  json.Add("name", FixedText(extra.name, sizeof extra.name)).Add("kind", static_cast<long long>(extra.kind));
  if (extra.kind & 1) {
    json.AddRaw("choices", JsonArray(extra.choices, Bounded(extra.choiceCount, 20),
                                     [](const char(&choice)[20]) { return JsonString(FixedText(choice, 20)); }));
  } else {
    json.Add("minimum", extra.minimum).Add("maximum", extra.maximum);
  }
  return json.Text();
}

// Each section of CondInfo: its want bit, its name in the output, and its
// bytes, from its first field up to the next section's first field.
struct InfoSection {
  uint32_t bit;
  const char* name;
  size_t begin;
  size_t end;
};

const InfoSection kInfoSections[] = {
    {COND_WANT_INPUTS, "inputs", offsetof(CondInfo, inputCount), offsetof(CondInfo, gainCount)},
    {COND_WANT_GAINS, "gains", offsetof(CondInfo, gainCount), offsetof(CondInfo, highPassTypeCount)},
    {COND_WANT_HIGH_PASS, "highPass", offsetof(CondInfo, highPassTypeCount), offsetof(CondInfo, lowPassTypeCount)},
    {COND_WANT_LOW_PASS, "lowPass", offsetof(CondInfo, lowPassTypeCount), offsetof(CondInfo, maxOffset)},
    {COND_WANT_MAX_OFFSET, "maxOffset", offsetof(CondInfo, maxOffset), offsetof(CondInfo, typeText)},
    {COND_WANT_TYPE_TEXT, "typeText", offsetof(CondInfo, typeText), offsetof(CondInfo, extraSettingCount)},
    {COND_WANT_EXTRAS, "extras", offsetof(CondInfo, extraSettingCount), sizeof(CondInfo)},
};

std::string SectionJson(const CondInfo& info, uint32_t bit) {
  switch (bit) {
    case COND_WANT_INPUTS:
      return JsonArray(info.inputNames, Bounded(info.inputCount, 20),
                       [](const char(&name)[20]) { return JsonString(FixedText(name, 20)); });
    case COND_WANT_GAINS:
      return JsonArray(info.gains, Bounded(info.gainCount, 20), [](float gain) { return JsonNumber(gain); });
    case COND_WANT_HIGH_PASS:
      return JsonArray(info.highPassTypes, Bounded(info.highPassTypeCount, 20), FilterJson);
    case COND_WANT_LOW_PASS:
      return JsonArray(info.lowPassTypes, Bounded(info.lowPassTypeCount, 20), FilterJson);
    case COND_WANT_MAX_OFFSET:
      return JsonNumber(info.maxOffset);
    case COND_WANT_TYPE_TEXT:
      return JsonString(FixedText(info.typeText, sizeof info.typeText));
    default:
      return JsonArray(info.extraSettings, Bounded(info.extraSettingCount, 8), ExtraJson);
  }
}

}  // namespace

ChanSettings DefaultRecord() {
  ChanSettings record{};
  record.size = sizeof(ChanSettings);
  std::strcpy(record.units, " Volt");
  record.gain = 1.0f;
  return record;
}

bool SetRecordField(ChanSettings& record, const std::string& field, const std::string& value) {
  if (field == "size") return SetInt(record.size, value);
  if (field == "scale") return SetFloat(record.scale, value);
  if (field == "zero") return SetFloat(record.zero, value);
  if (field == "gain") return SetFloat(record.gain, value);
  if (field == "offset") return SetFloat(record.offset, value);
  if (field == "flags") return SetInt(record.flags, value);
  if (field == "input") return SetInt(record.input, value);
  if (field == "lowPassCutoff") return SetFloat(record.lowPassCutoff, value);
  if (field == "highPassCutoff") return SetFloat(record.highPassCutoff, value);
  if (field == "inUse") return SetInt(record.inUse, value);
  if (field == "changed") return SetInt(record.changed, value);
  if (field == "lowPassType") return SetInt(record.lowPassType, value);
  if (field == "highPassType") return SetInt(record.highPassType, value);
  if (field == "units") {
    if (value.size() >= sizeof record.units) return false;
    std::memset(record.units, 0, sizeof record.units);
    std::memcpy(record.units, value.data(), value.size());
    return true;
  }
  const std::string extra = "extraValues.";
  if (field.compare(0, extra.size(), extra) == 0) {
    long slot = 0;
    if (!ParseLong(field.substr(extra.size()), slot) || slot < 0 || slot >= 8) return false;
    return SetFloat(record.extraValues[slot], value);
  }
  return false;
}

std::string RecordJson(const ChanSettings& record) {
  return JsonObject()
      .Add("size", static_cast<long long>(record.size))
      .Add("scale", static_cast<double>(record.scale))
      .Add("zero", static_cast<double>(record.zero))
      .Add("units", FixedText(record.units, sizeof record.units))
      .Add("gain", static_cast<double>(record.gain))
      .Add("offset", static_cast<double>(record.offset))
      .Add("flags", static_cast<long long>(record.flags))
      .Add("input", static_cast<long long>(record.input))
      .Add("lowPassCutoff", static_cast<double>(record.lowPassCutoff))
      .Add("highPassCutoff", static_cast<double>(record.highPassCutoff))
      .Add("inUse", static_cast<long long>(record.inUse))
      .Add("changed", static_cast<long long>(record.changed))
      .Add("lowPassType", static_cast<long long>(record.lowPassType))
      .Add("highPassType", static_cast<long long>(record.highPassType))
      .AddRaw("extraValues", JsonArray(record.extraValues, 8, [](float v) { return JsonNumber(v); }))
      .Text();
}

void MarkInfoSections(CondInfo& info) {
  const size_t begin = kInfoSections[0].begin;
  std::memset(reinterpret_cast<unsigned char*>(&info) + begin, kMarker, sizeof info - begin);
}

std::string InfoJson(const CondInfo& info, uint32_t want) {
  JsonObject json;
  std::string untouched;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&info);
  for (const InfoSection& section : kInfoSections) {
    if (want & section.bit) {
      json.AddRaw(section.name, SectionJson(info, section.bit));
      continue;
    }
    bool marked = true;
    for (size_t i = section.begin; i < section.end && marked; ++i) marked = bytes[i] == kMarker;
    if (marked) untouched += (untouched.empty() ? "" : ", ") + JsonString(section.name);
  }
  json.AddRaw("untouched", "[" + untouched + "]");
  return json.Text();
}

}  // namespace condhost
