#include "host_record.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "number_text.h"

namespace vornctl {

ChanSettings HostRecord(double scale, double zero, const std::string& units) {
  ChanSettings record;
  std::memset(&record, 0, sizeof record);
  record.size = sizeof record;
  record.scale = static_cast<float>(scale);
  record.zero = static_cast<float>(zero);
  std::snprintf(record.units, sizeof record.units, "%s", units.c_str());
  record.gain = 1.0f;
  return record;
}

ChanSettings HostRecordFor(const Options& options) {
  return HostRecord(options.scale.value_or(options.adcRange / 32768.0), options.zero.value_or(0.0),
                    options.units.value_or(" Volt"));
}

nlohmann::json RecordJson(const ChanSettings& record) {
  std::vector<double> extraValues;
  for (float value : record.extraValues) extraValues.push_back(FloatAsWritten(value));
  return {
      {"scale", FloatAsWritten(record.scale)},
      {"zero", FloatAsWritten(record.zero)},
      {"units", std::string(record.units, strnlen(record.units, sizeof record.units))},
      {"gain", FloatAsWritten(record.gain)},
      {"offset", FloatAsWritten(record.offset)},
      {"flags", record.flags},
      {"input", record.input},
      {"lowPassType", record.lowPassType},
      {"lowPassCutoff", FloatAsWritten(record.lowPassCutoff)},
      {"highPassType", record.highPassType},
      {"highPassCutoff", FloatAsWritten(record.highPassCutoff)},
      {"extraValues", extraValues},
  };
}

namespace {

std::string ExtraValuesText(const ChanSettings& record) {
  std::string text;
  for (float value : record.extraValues) text += (text.empty() ? "" : " ") + FormatNumber(value);
  return text;
}

std::string FlagsText(uint16_t flags) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", flags);
  return text;
}

}  // namespace

void PrintRecordComparison(std::ostream& out, const ChanSettings& before, const ChanSettings& after) {
  struct Row {
    const char* field;
    std::string before;
    std::string after;
  };
  const std::vector<Row> rows = {
      {"scale", FormatNumber(before.scale), FormatNumber(after.scale)},
      {"zero", FormatNumber(before.zero), FormatNumber(after.zero)},
      {"gain", FormatNumber(before.gain), FormatNumber(after.gain)},
      {"offset", FormatNumber(before.offset), FormatNumber(after.offset)},
      {"flags", FlagsText(before.flags), FlagsText(after.flags)},
      {"input", std::to_string(before.input), std::to_string(after.input)},
      {"lowPassType", std::to_string(before.lowPassType), std::to_string(after.lowPassType)},
      {"lowPassCutoff", FormatNumber(before.lowPassCutoff), FormatNumber(after.lowPassCutoff)},
      {"highPassType", std::to_string(before.highPassType), std::to_string(after.highPassType)},
      {"highPassCutoff", FormatNumber(before.highPassCutoff), FormatNumber(after.highPassCutoff)},
      {"extraValues", ExtraValuesText(before), ExtraValuesText(after)},
  };
  char line[160];
  std::snprintf(line, sizeof line, "    %-15s %-18s %s\n", "record field", "before", "after");
  out << line;
  for (const Row& row : rows) {
    std::snprintf(line, sizeof line, "    %-15s %-18s %s%s\n", row.field, row.before.c_str(), row.after.c_str(),
                  row.before == row.after ? "" : "   *");
    out << line;
  }
}

}  // namespace vornctl
