// The line file: the channels on the line with their profiles and faults,
// and optionally the line's timing and its death. Unknown keys are refused, so that a
// misspelt fault does not silently leave a channel healthy.
#include <stdexcept>

#include "faults_json.h"
#include "json_fields.h"
#include "line_setup.h"

namespace vornsim {
namespace {

using namespace json_fields;

double Milliseconds(const json& value, const std::string& path) {
  if (!value.is_number() || value.get<double>() < 0) Refuse(path, "expected milliseconds, 0 or more");
  return value.get<double>();
}

Timing ReadTiming(const json& value) {
  ExpectObject(value, "timing", {"turnaroundMs", "perCharMs"});
  Timing timing;
  if (const json* v = Field(value, "turnaroundMs")) timing.turnaroundMs = Milliseconds(*v, "timing.turnaroundMs");
  if (const json* v = Field(value, "perCharMs")) timing.perCharMs = Milliseconds(*v, "timing.perCharMs");
  return timing;
}

ChannelSetup ReadChannel(const json& value, const std::string& path, const std::filesystem::path& directory) {
  ExpectObject(value, path, {"number", "profile", "faults"});
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
  ExpectObject(value, "(top)", {"channels", "timing", "death"});
  const json* channels = Field(value, "channels");
  if (!channels || !channels->is_array()) Refuse("channels", "expected a list");
  LineSetup setup;
  for (size_t i = 0; i < channels->size(); ++i) {
    setup.channels.push_back(ReadChannel((*channels)[i], "channels[" + std::to_string(i) + "]", directory));
  }
  if (const json* timing = Field(value, "timing")) setup.timing = ReadTiming(*timing);
  if (const json* death = Field(value, "death")) setup.death = DeathFromJson(*death, "death");
  return setup;
}

}  // namespace

LineSetup LoadLineFile(const std::string& path) {
  const std::string text = json_fields::ReadFile(path, "line");
  try {
    return ReadLine(json::parse(text), std::filesystem::path(path).parent_path());
  } catch (const json::parse_error& error) {
    throw std::invalid_argument(path + ": not JSON: " + error.what());
  } catch (const std::invalid_argument& error) {
    throw std::invalid_argument(path + ": " + error.what());
  }
}

}  // namespace vornsim
