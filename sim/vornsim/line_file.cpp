// The line file: the channels on the line with their profiles and faults,
// and optionally the line's timing. Unknown keys are refused, so that a
// misspelt fault does not silently leave a channel healthy.
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "faults_json.h"
#include "line_setup.h"

namespace vornsim {
namespace {

using nlohmann::json;

[[noreturn]] void Refuse(const std::string& path, const std::string& problem) {
  throw std::invalid_argument(path + ": " + problem);
}

void ExpectKeys(const json& value, const std::string& path, std::initializer_list<const char*> keys) {
  if (!value.is_object()) Refuse(path, "expected an object");
  for (const auto& item : value.items()) {
    bool known = false;
    for (const char* key : keys) known = known || item.key() == key;
    if (!known) Refuse(path, "unknown key \"" + item.key() + "\"");
  }
}

const json* Field(const json& object, const char* key) {
  auto it = object.find(key);
  return it == object.end() ? nullptr : &*it;
}

double Milliseconds(const json& value, const std::string& path) {
  if (!value.is_number() || value.get<double>() < 0) Refuse(path, "expected milliseconds, 0 or more");
  return value.get<double>();
}

Timing ReadTiming(const json& value) {
  ExpectKeys(value, "timing", {"turnaroundMs", "perCharMs"});
  Timing timing;
  if (const json* v = Field(value, "turnaroundMs")) timing.turnaroundMs = Milliseconds(*v, "timing.turnaroundMs");
  if (const json* v = Field(value, "perCharMs")) timing.perCharMs = Milliseconds(*v, "timing.perCharMs");
  return timing;
}

ChannelSetup ReadChannel(const json& value, const std::string& path, const std::filesystem::path& directory) {
  ExpectKeys(value, path, {"number", "profile", "faults"});
  ChannelSetup channel;
  const json* number = Field(value, "number");
  if (!number || !number->is_number_integer() || number->get<long long>() < kLowestChannel ||
      number->get<long long>() > kHighestChannel) {
    Refuse(path + ".number", "expected a channel number, " + std::to_string(kLowestChannel) + " to " +
                                 std::to_string(kHighestChannel));
  }
  channel.number = number->get<int>();

  const json* profile = Field(value, "profile");
  if (!profile || !(profile->is_string() || profile->is_object())) {
    Refuse(path + ".profile", "expected a profile name, a profile file or a profile object");
  }
  try {
    channel.profile = profile->is_string() ? ResolveProfile(profile->get<std::string>(), directory)
                                           : ProfileFromJson(profile->dump());
  } catch (const std::invalid_argument& error) {
    Refuse(path + ".profile", error.what());
  }

  if (const json* faults = Field(value, "faults")) channel.faults = FaultsFromJson(*faults, path + ".faults");
  return channel;
}

LineSetup ReadLine(const json& value, const std::filesystem::path& directory) {
  ExpectKeys(value, "(top)", {"channels", "timing"});
  const json* channels = Field(value, "channels");
  if (!channels || !channels->is_array()) Refuse("channels", "expected a list");
  LineSetup setup;
  for (size_t i = 0; i < channels->size(); ++i) {
    setup.channels.push_back(ReadChannel((*channels)[i], "channels[" + std::to_string(i) + "]", directory));
  }
  if (const json* timing = Field(value, "timing")) setup.timing = ReadTiming(*timing);
  return setup;
}

}  // namespace

LineSetup LoadLineFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::invalid_argument("cannot read line file " + path);
  std::ostringstream text;
  text << file.rdbuf();
  try {
    return ReadLine(json::parse(text.str()), std::filesystem::path(path).parent_path());
  } catch (const json::parse_error& error) {
    throw std::invalid_argument(path + ": not JSON: " + error.what());
  } catch (const std::invalid_argument& error) {
    throw std::invalid_argument(path + ": " + error.what());
  }
}

}  // namespace vornsim
