// Profiles from and to JSON. The keys are the field names of the profile records:
//   { "name": "bench", "version": "Vorn222", "digitalFilters": 3, "notch": 50,
//     "inputs":   [ { "name": "Differential", "gains": [1, 10], "offsetRanges": [0.5, 5] } ],
//     "lowPass":  [ { "name": "Bessel", "stepped": false, "minimum": 1, "maximum": 10000,
//                     "cutoffs": [0, 10, 100] } ],
//     "highPass": [ { "name": "AC/DC", "cutoffs": [0, 0.1, 1] } ],
//     "extras":   [ { "name": "Excitation", "slot": 0, "choiceNames": ["Off", "5 V"] },
//                   { "name": "Balance", "slot": 1, "choices": false, "minimum": -100, "maximum": 100 } ] }
// Every key may be left out and then keeps the record's default; a key that
// is not one of these is refused, so that a misspelt key does not go unseen.
#include <cmath>
#include <stdexcept>

#include "json_fields.h"
#include "profile.h"

namespace vornsim {
namespace {

using namespace json_fields;

std::vector<double> Numbers(const json& value, const std::string& path) {
  return List<double>(value, path, Number);
}

std::vector<std::string> Texts(const json& value, const std::string& path) {
  return List<std::string>(value, path, Text);
}

InputProfile ReadInput(const json& value, const std::string& path) {
  ExpectObject(value, path, {"name", "gains", "offsetRanges"});
  InputProfile input;
  if (auto* v = Field(value, "name")) input.name = Text(*v, path + ".name");
  if (auto* v = Field(value, "gains")) input.gains = Numbers(*v, path + ".gains");
  if (auto* v = Field(value, "offsetRanges")) input.offsetRanges = Numbers(*v, path + ".offsetRanges");
  return input;
}

FilterProfile ReadFilter(const json& value, const std::string& path) {
  ExpectObject(value, path, {"name", "stepped", "minimum", "maximum", "cutoffs"});
  FilterProfile filter;
  if (auto* v = Field(value, "name")) filter.name = Text(*v, path + ".name");
  if (auto* v = Field(value, "stepped")) filter.stepped = Flag(*v, path + ".stepped");
  if (auto* v = Field(value, "minimum")) filter.minimum = Number(*v, path + ".minimum");
  if (auto* v = Field(value, "maximum")) filter.maximum = Number(*v, path + ".maximum");
  if (auto* v = Field(value, "cutoffs")) filter.cutoffs = Numbers(*v, path + ".cutoffs");
  return filter;
}

ExtraProfile ReadExtra(const json& value, const std::string& path) {
  ExpectObject(value, path, {"name", "choices", "slot", "choiceNames", "minimum", "maximum"});
  ExtraProfile extra;
  if (auto* v = Field(value, "name")) extra.name = Text(*v, path + ".name");
  if (auto* v = Field(value, "choices")) extra.choices = Flag(*v, path + ".choices");
  // The slot goes out as one digit.
  if (auto* v = Field(value, "slot")) extra.slot = Integer(*v, path + ".slot", 0, 9);
  if (auto* v = Field(value, "choiceNames")) extra.choiceNames = Texts(*v, path + ".choiceNames");
  if (auto* v = Field(value, "minimum")) extra.minimum = Number(*v, path + ".minimum");
  if (auto* v = Field(value, "maximum")) extra.maximum = Number(*v, path + ".maximum");
  return extra;
}

Profile ReadProfile(const json& value) {
  const std::string path = "(top)";
  ExpectObject(value, path,
               {"name", "version", "digitalFilters", "inputs", "lowPass", "highPass", "extras", "notch"});
  Profile profile;
  if (auto* v = Field(value, "name")) profile.name = Text(*v, "name");
  if (auto* v = Field(value, "version")) profile.version = Text(*v, "version");
  if (auto* v = Field(value, "digitalFilters")) {
    profile.digitalFilters = Integer(*v, "digitalFilters", -1000000, 1000000);
  }
  if (auto* v = Field(value, "inputs")) profile.inputs = List<InputProfile>(*v, "inputs", ReadInput);
  if (auto* v = Field(value, "lowPass")) profile.lowPass = List<FilterProfile>(*v, "lowPass", ReadFilter);
  if (auto* v = Field(value, "highPass")) profile.highPass = List<FilterProfile>(*v, "highPass", ReadFilter);
  if (auto* v = Field(value, "extras")) profile.extras = List<ExtraProfile>(*v, "extras", ReadExtra);
  if (auto* v = Field(value, "notch")) profile.notch = Integer(*v, "notch", 0, 1000000);
  return profile;
}

// Whole numbers are written without a fraction ("10", not "10.0"): profiles
// are read and edited by people.
nlohmann::ordered_json Written(double value) {
  constexpr double kExactIntegers = 9007199254740992.0;  // 2^53
  if (std::trunc(value) == value && std::fabs(value) < kExactIntegers) return static_cast<int64_t>(value);
  return value;
}

nlohmann::ordered_json Written(const std::vector<double>& values) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (double value : values) list.push_back(Written(value));
  return list;
}

nlohmann::ordered_json Written(const InputProfile& input) {
  return {{"name", input.name}, {"gains", Written(input.gains)}, {"offsetRanges", Written(input.offsetRanges)}};
}

nlohmann::ordered_json Written(const FilterProfile& filter) {
  nlohmann::ordered_json entry = {{"name", filter.name}, {"stepped", filter.stepped}};
  if (!filter.stepped) {
    entry["minimum"] = Written(filter.minimum);
    entry["maximum"] = Written(filter.maximum);
  }
  entry["cutoffs"] = Written(filter.cutoffs);
  return entry;
}

nlohmann::ordered_json Written(const ExtraProfile& extra) {
  nlohmann::ordered_json entry = {{"name", extra.name}, {"slot", extra.slot}, {"choices", extra.choices}};
  if (extra.choices) {
    entry["choiceNames"] = extra.choiceNames;
  } else {
    entry["minimum"] = Written(extra.minimum);
    entry["maximum"] = Written(extra.maximum);
  }
  return entry;
}

std::string Compact(const nlohmann::ordered_json& value) {
  // A device may send names that are not UTF-8: such bytes are written as U+FFFD.
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// A list with one entry a line, as profile files are written by hand.
template <typename T>
std::string ListText(const std::vector<T>& entries) {
  if (entries.empty()) return "[]";
  std::string text = "[";
  for (size_t i = 0; i < entries.size(); ++i) text += (i == 0 ? "\n    " : ",\n    ") + Compact(Written(entries[i]));
  return text + "\n  ]";
}

}  // namespace

std::string ProfileToJson(const Profile& profile) {
  std::string text = "{\n  \"name\": " + Compact(profile.name) + ",\n  \"version\": " + Compact(profile.version);
  if (profile.digitalFilters) text += ",\n  \"digitalFilters\": " + std::to_string(*profile.digitalFilters);
  return text + ",\n  \"notch\": " + std::to_string(profile.notch) + ",\n  \"inputs\": " + ListText(profile.inputs) +
         ",\n  \"lowPass\": " + ListText(profile.lowPass) + ",\n  \"highPass\": " + ListText(profile.highPass) +
         ",\n  \"extras\": " + ListText(profile.extras) + "\n}\n";
}

Profile ProfileFromJson(const std::string& text) {
  try {
    return ReadProfile(json::parse(text));
  } catch (const json::parse_error& error) {
    throw std::invalid_argument(std::string("profile: not JSON: ") + error.what());
  } catch (const std::invalid_argument& error) {
    throw std::invalid_argument(std::string("profile: ") + error.what());
  }
}

Profile LoadProfileFile(const std::string& path) {
  const std::string text = json_fields::ReadFile(path, "profile");
  try {
    return ProfileFromJson(text);
  } catch (const std::invalid_argument& error) {
    throw std::invalid_argument(path + ": " + error.what());
  }
}

}  // namespace vornsim
