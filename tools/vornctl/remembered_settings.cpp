#include "remembered_settings.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <vector>

#include "host_record.h"

namespace vornctl {
namespace {

constexpr int kVersion = 1;

// The file's contents; nothing when there is no file. Throws
// std::exception for a file that cannot be read or is not one of ours.
std::optional<nlohmann::json> ReadState(const std::filesystem::path& file) {
  std::error_code error;
  if (!std::filesystem::exists(file, error)) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("it cannot be read");
  nlohmann::json state = nlohmann::json::parse(in);
  if (!state.is_object() || !state.contains("version") || state.at("version") != kVersion ||
      !state.contains("channels") || !state.at("channels").is_object()) {
    throw std::runtime_error("it is not a file of remembered settings, version 1");
  }
  return state;
}

template <typename Field>
void Take(const nlohmann::json& entry, const char* name, Field& field) {
  if (entry.contains(name) && !entry.at(name).is_null()) field = entry.at(name).get<Field>();
}

ChanSettings RecordFromJson(const nlohmann::json& entry, const ChanSettings& defaults) {
  if (!entry.is_object()) throw std::runtime_error("a channel's record is not an object");
  ChanSettings record = defaults;
  Take(entry, "scale", record.scale);
  Take(entry, "zero", record.zero);
  Take(entry, "gain", record.gain);
  Take(entry, "offset", record.offset);
  Take(entry, "flags", record.flags);
  Take(entry, "input", record.input);
  Take(entry, "lowPassCutoff", record.lowPassCutoff);
  Take(entry, "highPassCutoff", record.highPassCutoff);
  Take(entry, "lowPassType", record.lowPassType);
  Take(entry, "highPassType", record.highPassType);
  std::string units(record.units, strnlen(record.units, sizeof record.units));
  Take(entry, "units", units);
  std::snprintf(record.units, sizeof record.units, "%s", units.c_str());
  std::vector<float> extraValues(std::begin(record.extraValues), std::end(record.extraValues));
  Take(entry, "extraValues", extraValues);
  if (extraValues.size() != std::size(record.extraValues)) throw std::runtime_error("extraValues does not hold 8");
  std::copy(extraValues.begin(), extraValues.end(), record.extraValues);
  return record;
}

}  // namespace

std::optional<ChanSettings> RememberedSettings::Recall(int channel, const ChanSettings& defaults,
                                                       std::ostream& warnings) const {
  try {
    const std::optional<nlohmann::json> state = ReadState(file_);
    if (!state) return std::nullopt;
    const nlohmann::json& channels = state->at("channels");
    const std::string key = std::to_string(channel);
    if (!channels.contains(key)) return std::nullopt;
    return RecordFromJson(channels.at(key), defaults);
  } catch (const std::exception& error) {
    warnings << "vornctl: ignoring the remembered settings in " << file_.string() << ": " << error.what()
             << "; this set starts from the defaults and rewrites the file" << std::endl;
    return std::nullopt;
  }
}

void RememberedSettings::Remember(int channel, const ChanSettings& record, std::ostream& warnings) const {
  nlohmann::json state;
  try {
    if (std::optional<nlohmann::json> earlier = ReadState(file_)) state = std::move(*earlier);
  } catch (const std::exception&) {
    // Replaced; Recall has said why.
  }
  if (state.is_null()) state = {{"version", kVersion}, {"channels", nlohmann::json::object()}};
  state["channels"][std::to_string(channel)] = RecordJson(record);

  // A name of its own, so that two runs at once do not write one file.
  const std::filesystem::path written =
      file_.string() + "." + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + ".tmp";
  std::error_code error;
  std::filesystem::create_directories(file_.parent_path(), error);
  bool kept = false;
  {
    std::ofstream out(written, std::ios::binary | std::ios::trunc);
    out << state.dump(2) << "\n";
    out.close();
    kept = static_cast<bool>(out);
  }
  if (kept) {
    std::filesystem::rename(written, file_, error);
    kept = !error;
  }
  if (!kept) {
    std::filesystem::remove(written, error);
    warnings << "vornctl: cannot write " << file_.string() << ": the next set starts from the defaults" << std::endl;
  }
}

}  // namespace vornctl
