// What a simulated conditioner channel offers, by name or from a profile
// file (JSON).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vornsim {

// One input of a channel, with the gains and offset ranges it offers.
struct InputProfile {
  std::string name;
  std::vector<double> gains;
  std::vector<double> offsetRanges;  // full-scale offset of each range
};

// One filter characteristic of a channel.
struct FilterProfile {
  std::string name;
  bool stepped = true;               // false: continuous from minimum to maximum
  double minimum = 0;
  double maximum = 0;
  std::vector<double> cutoffs;       // Hz; negative values are mode codes
};

// One device-defined extra setting of a channel.
struct ExtraProfile {
  std::string name;
  bool choices = true;               // false: a numeric range
  int slot = 0;                      // the digit sent in its description (0 to 9)
  std::vector<std::string> choiceNames;
  double minimum = 0;
  double maximum = 0;
};

struct Profile {
  std::string name;
  std::string version = "Vorn222";   // the "?RV;" reply
  std::optional<int> digitalFilters; // the "?DF;" reply; none: not answered
  std::vector<InputProfile> inputs;
  // With digitalFilters 3 or more these answer "?LD0;"/"?LDn;" (and H);
  // otherwise the first entry answers "?LF;"/"?LS;" (and "?HF;"/"?HS;").
  std::vector<FilterProfile> lowPass;
  std::vector<FilterProfile> highPass;
  std::vector<ExtraProfile> extras;     // "?FA0;"/"?FAn;"
  int notch = 50;                    // the "?NT;" reply; 0: not answered
};

// The built-in profiles; NamedProfile throws std::invalid_argument for an
// unknown name.
std::vector<std::string> ProfileNames();
Profile NamedProfile(const std::string& name);

// A profile from JSON text or a file; throws std::invalid_argument with a
// readable reason when it is malformed.
Profile ProfileFromJson(const std::string& text);
Profile LoadProfileFile(const std::string& path);
// The JSON text of a profile, in the form the readers take.
std::string ProfileToJson(const Profile& profile);

}  // namespace vornsim
