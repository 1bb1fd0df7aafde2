#include "records.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace condhost {
namespace {

constexpr unsigned char kMarker = 0xA5;

// Calls visit(name, field) for each field of a record but the reserved bytes.
template <typename Record, typename Visit>
void ForEachField(Record& r, Visit visit) {
#define FIELD(name) visit(#name, r.name);
  FIELD(size) FIELD(scale) FIELD(zero) FIELD(units) FIELD(gain) FIELD(offset) FIELD(flags) FIELD(input)
  FIELD(lowPassCutoff) FIELD(highPassCutoff) FIELD(inUse) FIELD(changed) FIELD(lowPassType) FIELD(highPassType)
  FIELD(extraValues)
#undef FIELD
}

// Text from a fixed char array that may lack its NUL.
template <size_t N>
std::string FixedText(const char (&text)[N]) {
  return std::string(text, strnlen(text, N));
}

template <typename T>
Json FieldJson(const T& value) {
  return value;
}
Json FieldJson(const char (&units)[8]) { return FixedText(units); }
Json FieldJson(const float (&values)[8]) { return std::vector<float>(values, values + 8); }

template <typename T>
void SetField(T& field, const Json& value) {
  if constexpr (std::is_floating_point_v<T>) {
    field = static_cast<T>(Real(value));
  } else {
    field = static_cast<T>(value.get<long long>());
  }
}
void SetField(char (&units)[8], const Json& value) {
  const std::string text = value.get<std::string>();
  if (text.size() >= sizeof units) throw std::invalid_argument("units too long: " + text);
  std::memset(units, 0, sizeof units);
  std::memcpy(units, text.data(), text.size());
}
void SetField(float (&values)[8], const Json& given) {
  for (size_t i = 0; i < given.size() && i < 8; ++i) values[i] = static_cast<float>(Real(given[i]));
}

// A count as the library wrote it, kept within the table it counts.
int Bounded(int32_t count, int limit) { return count < 0 ? 0 : (count > limit ? limit : count); }

template <typename T, typename ToJson>
Json JsonArray(const T* items, int count, ToJson toJson) {
  Json list = Json::array();
  for (int i = 0; i < count; ++i) list.push_back(toJson(items[i]));
  return list;
}

Json NameJson(const char (&name)[20]) { return FixedText(name); }

Json FilterJson(const InfoFilterType& filter) {
  return {{"name", FixedText(filter.name)},
          {"kind", filter.kind},
          {"minimum", filter.minimum},
          {"maximum", filter.maximum},
          {"cutoffs", JsonArray(filter.cutoffs, Bounded(filter.cutoffCount, 60), FieldJson<double>)}};
}

Json ExtraJson(const InfoExtraSetting& extra) {
  Json json = {{"name", FixedText(extra.name)}, {"kind", extra.kind}};
  if (extra.kind & 1) {
    json["choices"] = JsonArray(extra.choices, Bounded(extra.choiceCount, 20), NameJson);
  } else {
    json["minimum"] = extra.minimum;
    json["maximum"] = extra.maximum;
  }
  return json;
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

Json SectionJson(const CondInfo& info, uint32_t bit) {
  switch (bit) {
    case COND_WANT_INPUTS:
      return JsonArray(info.inputNames, Bounded(info.inputCount, 20), NameJson);
    case COND_WANT_GAINS:
      return JsonArray(info.gains, Bounded(info.gainCount, 20), FieldJson<float>);
    case COND_WANT_HIGH_PASS:
      return JsonArray(info.highPassTypes, Bounded(info.highPassTypeCount, 20), FilterJson);
    case COND_WANT_LOW_PASS:
      return JsonArray(info.lowPassTypes, Bounded(info.lowPassTypeCount, 20), FilterJson);
    case COND_WANT_MAX_OFFSET:
      return info.maxOffset;
    case COND_WANT_TYPE_TEXT:
      return FixedText(info.typeText);
    default:
      return JsonArray(info.extraSettings, Bounded(info.extraSettingCount, 8), ExtraJson);
  }
}

}  // namespace

double Real(const Json& value) {
  if (value.is_number()) return value.get<double>();
  const std::string text = value.get<std::string>();
  if (text == "nan") return std::numeric_limits<double>::quiet_NaN();
  if (text == "inf") return std::numeric_limits<double>::infinity();
  if (text == "-inf") return -std::numeric_limits<double>::infinity();
  if (text == "-0") return -0.0;
  throw std::invalid_argument("not a number: " + text);
}

ChanSettings DefaultRecord() {
  ChanSettings record{};
  record.size = sizeof(ChanSettings);
  std::strcpy(record.units, " Volt");
  record.gain = 1.0f;
  return record;
}

void SetRecordFields(ChanSettings& record, const Json& fields) {
  for (const auto& [name, value] : fields.items()) {
    bool known = false;
    ForEachField(record, [&, &name = name, &value = value](const char* field, auto& target) {
      if (name != field) return;
      SetField(target, value);
      known = true;
    });
    if (!known) throw std::invalid_argument("no record field " + name);
  }
}

Json RecordJson(const ChanSettings& record) {
  Json json = Json::object();
  ForEachField(record, [&](const char* name, const auto& field) { json[name] = FieldJson(field); });
  return json;
}

void MarkInfoSections(CondInfo& info) {
  const size_t begin = kInfoSections[0].begin;
  std::memset(reinterpret_cast<unsigned char*>(&info) + begin, kMarker, sizeof info - begin);
}

Json InfoJson(const CondInfo& info) {
  Json json = Json::object();
  Json untouched = Json::array();
  const auto* bytes = reinterpret_cast<const unsigned char*>(&info);
  for (const InfoSection& section : kInfoSections) {
    if (info.want & section.bit) {
      json[section.name] = SectionJson(info, section.bit);
      continue;
    }
    bool marked = true;
    for (size_t i = section.begin; i < section.end && marked; ++i) marked = bytes[i] == kMarker;
    if (marked) untouched.push_back(section.name);
  }
  json["untouched"] = untouched;
  return json;
}

}  // namespace condhost
