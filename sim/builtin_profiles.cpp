// The channels the simulator knows by name, one for each way a channel can
// present its filters:
//   "df3"       current channel: version 22 level 4, describes its own filter
//               characteristics and extra settings ("?DF;" gives 3)
//   "df2", "df1" digital filters from the library's tables ("?DF;" 2 or 1)
//   "df0"       extended commands but no digital filters ("?DF;" 0)
//   "classic"   an older channel: version 20 is too low for extended commands
//   "old-firmware" a classic channel at version 30, whose level 3 is too low
//   "rectifier" a classic channel whose high-pass list holds rectifier modes
//   "minimal"   one input, one gain, no offset ranges, no notch
//   "notch60"   a current channel on a 60 Hz mains supply
#include <map>
#include <stdexcept>

#include "profile.h"

namespace vornsim {
namespace {

InputProfile Input(const std::string& name, std::vector<double> gains, std::vector<double> offsetRanges) {
  InputProfile input;
  input.name = name;
  input.gains = std::move(gains);
  input.offsetRanges = std::move(offsetRanges);
  return input;
}

FilterProfile Stepped(const std::string& name, std::vector<double> cutoffs) {
  FilterProfile filter;
  filter.name = name;
  filter.stepped = true;
  filter.cutoffs = std::move(cutoffs);
  return filter;
}

FilterProfile Continuous(const std::string& name, double minimum, double maximum, std::vector<double> cutoffs) {
  FilterProfile filter = Stepped(name, std::move(cutoffs));
  filter.stepped = false;
  filter.minimum = minimum;
  filter.maximum = maximum;
  return filter;
}

ExtraProfile Choices(const std::string& name, int slot, std::vector<std::string> choiceNames) {
  ExtraProfile extra;
  extra.name = name;
  extra.slot = slot;
  extra.choices = true;
  extra.choiceNames = std::move(choiceNames);
  return extra;
}

ExtraProfile Numeric(const std::string& name, int slot, double minimum, double maximum) {
  ExtraProfile extra;
  extra.name = name;
  extra.slot = slot;
  extra.choices = false;
  extra.minimum = minimum;
  extra.maximum = maximum;
  return extra;
}

const std::vector<double> kGains1To1000 = {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000};

// The inputs of current channels; the bridge input has its own gains and
// finer offset ranges.
std::vector<InputProfile> CurrentInputs() {
  return {
      Input("Differential", kGains1To1000, {0.5, 5}),
      Input("Single-ended", kGains1To1000, {0.5, 5}),
      Input("Bridge", {10, 100, 1000, 10000}, {0.005, 0.05, 0.5}),
      Input("Ground", {1}, {0.5, 5}),
  };
}

Profile Current(const std::string& name, int digitalFilters) {
  Profile profile;
  profile.name = name;
  profile.version = "Vorn222";
  profile.digitalFilters = digitalFilters;
  profile.inputs = CurrentInputs();
  return profile;
}

Profile Df3() {
  Profile profile = Current("df3", 3);
  profile.lowPass = {
      Continuous("Bessel", 1, 10000, {0, 10, 100, 1000, 10000}),
      Stepped("Butterworth", {0, 1, 10, 100, 1000}),
  };
  profile.highPass = {
      Stepped("AC/DC", {0, 0.1, 1, 10}),
      Continuous("Butterworth", 0.01, 1000, {0, 0.01, 0.1, 1, 10, 100, 1000}),
      Stepped("Rectifier", {0, -1, -10, -11}),
  };
  profile.extras = {
      Choices("Excitation", 0, {"Off", "2.5 V", "5 V", "10 V"}),
      Numeric("Bridge balance", 3, -100, 100),
  };
  return profile;
}

Profile Df2() {
  Profile profile = Current("df2", 2);
  profile.extras = {Choices("Excitation", 0, {"Off", "5 V", "10 V"})};
  profile.notch = 60;
  return profile;
}

Profile Df1() { return Current("df1", 1); }

Profile Df0() {
  Profile profile = Current("df0", 0);
  profile.lowPass = {Stepped("4-pole B'Worth", {10, 100, 1000, 10000})};
  profile.highPass = {Stepped("1-pole", {0.1, 1, 10})};
  return profile;
}

Profile Notch60() {
  Profile profile = Df3();
  profile.name = "notch60";
  profile.notch = 60;
  return profile;
}

Profile Classic() {
  Profile profile;
  profile.name = "classic";
  profile.version = "Vorn203";
  profile.inputs = {
      Input("Input 1", {1, 10, 100, 1000}, {1, 10}),
      Input("Input 2", {1, 10, 100, 1000}, {1, 10}),
  };
  profile.lowPass = {Stepped("2-pole Bessel", {1, 10, 100, 1000})};
  profile.highPass = {Stepped("1-pole", {0.1, 1, 10})};
  return profile;
}

Profile OldFirmware() {
  Profile profile = Classic();
  profile.name = "old-firmware";
  profile.version = "Vorn301";
  return profile;
}

Profile Rectifier() {
  Profile profile = Classic();
  profile.name = "rectifier";
  profile.highPass = {Stepped("Rectifier", {-10, 10, -1})};
  return profile;
}

Profile Minimal() {
  Profile profile;
  profile.name = "minimal";
  profile.version = "Vorn222";
  profile.digitalFilters = 0;
  profile.inputs = {Input("Input", {1}, {})};
  profile.lowPass = {Stepped("2-pole B'Worth", {1000})};
  profile.highPass = {Stepped("1-pole", {1})};
  profile.notch = 0;
  return profile;
}

const std::map<std::string, Profile (*)()>& Builders() {
  static const std::map<std::string, Profile (*)()> builders = {
      {"df3", Df3},         {"df2", Df2},           {"df1", Df1},         {"df0", Df0},
      {"classic", Classic}, {"old-firmware", OldFirmware}, {"rectifier", Rectifier},
      {"minimal", Minimal}, {"notch60", Notch60},
  };
  return builders;
}

}  // namespace

std::vector<std::string> ProfileNames() {
  std::vector<std::string> names;
  for (const auto& entry : Builders()) names.push_back(entry.first);
  return names;
}

Profile NamedProfile(const std::string& name) {
  auto it = Builders().find(name);
  if (it == Builders().end()) throw std::invalid_argument("no built-in profile named \"" + name + "\"");
  return it->second();
}

}  // namespace vornsim
