// Profiles read from JSON, as the simulator's command line loads them.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "profile.h"

namespace vornsim {
namespace {

std::string RefusalOf(const std::string& json) {
  try {
    ProfileFromJson(json);
  } catch (const std::invalid_argument& error) {
    return error.what();
  }
  return "accepted";
}

TEST(SimProfileTest, JsonGivesEveryFieldAndLeavesTheRestAtDefaults) {
  Profile profile = ProfileFromJson(R"({
    "name": "bench", "digitalFilters": 3, "notch": 60,
    "inputs": [ { "name": "A", "gains": [1, 10], "offsetRanges": [0.5] } ],
    "lowPass": [ { "name": "Bessel", "stepped": false, "minimum": 1, "maximum": 100, "cutoffs": [0, 10] } ],
    "extras": [ { "name": "Bal", "slot": 3, "choices": false, "choiceNames": ["Off"], "minimum": -5, "maximum": 5 } ] })");
  EXPECT_EQ(profile.version, "Vorn222");
  EXPECT_EQ(profile.digitalFilters, 3);
  EXPECT_EQ(profile.notch, 60);
  EXPECT_EQ(profile.inputs[0].offsetRanges, (std::vector<double>{0.5}));
  EXPECT_EQ(profile.lowPass[0].maximum, 100.0);
  EXPECT_TRUE(profile.highPass.empty());
  EXPECT_EQ(profile.extras[0].choiceNames, (std::vector<std::string>{"Off"}));
  EXPECT_FALSE(profile.extras[0].choices);
  EXPECT_FALSE(ProfileFromJson(R"({"digitalFilters": null})").digitalFilters);
  EXPECT_THROW(NamedProfile("df9"), std::invalid_argument);
}

TEST(SimProfileTest, MalformedProfilesAreRefusedWithWhereAndWhy) {
  EXPECT_NE(RefusalOf("{").find("not JSON"), std::string::npos);
  EXPECT_EQ(RefusalOf("[]"), "profile: (top): expected an object");
  EXPECT_EQ(RefusalOf(R"({"input": []})"), "profile: (top): unknown key \"input\"");
  EXPECT_EQ(RefusalOf(R"({"inputs": [{"gains": [1, "x"]}]})"), "profile: inputs[0].gains[1]: expected a number");
  EXPECT_EQ(RefusalOf(R"({"extras": [{}, {"slot": 10}]})"), "profile: extras[1].slot: expected 0 to 9");
  EXPECT_EQ(RefusalOf(R"({"notch": 50.5})"), "profile: notch: expected a whole number");
  EXPECT_EQ(RefusalOf(R"({"lowPass": [{"stepped": 1}]})"), "profile: lowPass[0].stepped: expected true or false");

  const std::string path = ::testing::TempDir() + "sim_profile_test.json";
  std::ofstream(path) << R"({"notch": "50"})";
  try {
    LoadProfileFile(path);
    ADD_FAILURE() << "accepted";
  } catch (const std::invalid_argument& error) {
    EXPECT_EQ(std::string(error.what()), path + ": profile: notch: expected a whole number");
  }
  std::remove(path.c_str());
  EXPECT_THROW(LoadProfileFile(path), std::invalid_argument);
}

}  // namespace
}  // namespace vornsim
