// The simulated line itself: byte timing both ways, channel selection, the
// record of received commands, set commands, faults that the library's
// tests do not reach, and profiles read from JSON as the simulator's command
// line loads them. What channels answer, and how the line dies, is covered
// by the library's tests and the simulator program's own.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <tuple>

#include "profile.h"
#include "simulator.h"

namespace vornsim {
namespace {

class SimLineTest : public ::testing::Test {
 protected:
  void Advance(double ms) { micros += static_cast<uint64_t>(ms * 1000.0 + 0.5); }
  void Write(const std::string& text) { sim.Write(text.data(), text.size()); }

  // Writes `commands`, lets half a second pass and returns what came back.
  std::string Exchange(const std::string& commands) {
    Write(commands);
    Advance(500);
    std::string bytes;
    for (int c; (c = sim.ReadByte()) >= 0;) bytes += static_cast<char>(c);
    return bytes;
  }

  uint64_t micros = 0;
  Simulator sim{[this] { return micros; }};
};

TEST_F(SimLineTest, BytesTakeACharacterTimeEachWayAndRepliesQueueBehindEachOther) {
  sim.AddChannel(3, NamedProfile("df3"));
  const double perChar = sim.timing.perCharMs;
  const double turnaround = sim.timing.turnaroundMs;

  Write(";;CH3;?CH;");
  Advance(perChar * 6 + 0.01);
  EXPECT_EQ(sim.OutputPending(), 4u);
  ASSERT_EQ(sim.received().size(), 2u);
  EXPECT_NEAR(sim.received()[1].timeMs, perChar * 10, 1e-9);

  // "3\r" starts a turnaround after the ";" of "?CH;".
  micros = static_cast<uint64_t>((perChar * 10 + turnaround) * 1000) - 10;
  EXPECT_EQ(sim.Available(), 0u);
  Advance(0.02);
  EXPECT_EQ(sim.ReadByte(), '3');
  EXPECT_EQ(sim.ReadByte(), -1);
  Advance(perChar);
  EXPECT_EQ(sim.ReadByte(), '\r');

  // "?NT;" follows "?IS;" at once; its reply waits for the long one ahead.
  const std::string inputs = "4\rDifferential\rSingle-ended\rBridge\rGround\r";
  Write("?IS;?NT;");
  const double isReplyMs = sim.received().back().timeMs - perChar * 4 + turnaround;
  micros = static_cast<uint64_t>((isReplyMs + perChar * inputs.size()) * 1000) + 10;
  EXPECT_EQ(sim.Available(), inputs.size() + 1);
}

TEST_F(SimLineTest, OnlyTheSelectedChannelAnswersAndTakesTheCommands) {
  sim.AddChannel(3, NamedProfile("df3"));
  sim.AddChannel(5, NamedProfile("classic"));
  EXPECT_EQ(Exchange("?CH;"), "");  // nothing selected yet
  EXPECT_EQ(Exchange(";;CH5;?CH;"), "5\r");
  EXPECT_EQ(Exchange(";;CH4;?CH;"), "");  // nobody there
  Write(";;C");
  Write("H3;IP3;GN4;OR2;OF-123;LD2;LP3;LO12.5;HD2;HP1;HO0.01;FA2;FS-3.5;FA1;F");
  Write("S2;AC1;NF1;TG2;TP0;GNx;ZZ5;");  // commands are taken at their ";"

  EXPECT_EQ(sim.received().front().channel, -1);
  EXPECT_EQ(sim.ReceivedTexts(5), (std::vector<std::string>{";;CH5;", "?CH;"}));
  EXPECT_EQ(sim.channel(5).settings.gain, 1);
  const DeviceSettings& s = sim.channel(3).settings;
  EXPECT_EQ(s.gain, 4) << "a bad argument changes nothing";
  EXPECT_EQ(s.offsetCode, -123);
  EXPECT_DOUBLE_EQ(s.highPassValue, 0.01);
  EXPECT_EQ(s.extraValues, (std::map<int, double>{{1, 2.0}, {2, -3.5}})) << "each to the setting chosen before";
  EXPECT_EQ(s.triggerEdge, 0);

  sim.ClearReceived();
  EXPECT_TRUE(sim.ReceivedTexts().empty());
}

TEST_F(SimLineTest, OverlongLinesRawRepliesAndCountedListFaultsChangeTheBytes) {
  Faults& faults = sim.AddChannel(1, NamedProfile("df3")).faults;
  faults.channelReply = 7;
  faults.overlongBy = 3;
  EXPECT_EQ(Exchange(";;CH1;?CH;?DF;"), "7###\r3###\r");
  faults.rawReplies["?NT"] = "6O\r\n";
  EXPECT_EQ(Exchange("?NT;"), "6O###\r\n");

  faults.overlongBy = 0;
  faults.lists["OS"] = ListFault{ListFaultKind::kAnnounceZero, 1};  // spoils one answer
  EXPECT_EQ(Exchange("?OS;?OS;"), "0\r2\r0.5\r5\r");
}

// ---- Profiles ----

// Why loading was refused, or "accepted".
std::string RefusalOf(const std::function<void()>& load) {
  try {
    load();
  } catch (const std::invalid_argument& error) {
    return error.what();
  }
  return "accepted";
}

TEST(SimProfileTest, JsonGivesEveryFieldLeavesTheRestAtDefaultsAndRefusesMalformedProfilesWithWhereAndWhy) {
  Profile profile = ProfileFromJson(R"({
    "name": "bench", "digitalFilters": 3, "notch": 60,
    "inputs": [ { "name": "A", "gains": [1, 10], "offsetRanges": [0.5] } ],
    "lowPass": [ { "name": "Bessel", "stepped": false, "minimum": 1, "maximum": 100, "cutoffs": [0, 10] } ],
    "extras": [ { "name": "Bal", "slot": 3, "choices": false, "choiceNames": ["Off"], "minimum": -5, "maximum": 5 } ] })");
  EXPECT_EQ(profile.version, "Vorn222");
  EXPECT_EQ(std::tuple(*profile.digitalFilters, profile.notch, profile.lowPass[0].maximum), std::tuple(3, 60, 100.0));
  EXPECT_EQ(profile.inputs[0].offsetRanges, (std::vector<double>{0.5}));
  EXPECT_TRUE(profile.highPass.empty());
  EXPECT_EQ(profile.extras[0].choiceNames, (std::vector<std::string>{"Off"}));
  EXPECT_FALSE(profile.extras[0].choices);
  EXPECT_FALSE(ProfileFromJson(R"({"digitalFilters": null})").digitalFilters);
  EXPECT_NE(RefusalOf([] { NamedProfile("df9"); }), "accepted");

  const std::pair<const char*, const char*> refusals[] = {
      {"[]", "(top): expected an object"},
      {R"({"input": []})", "(top): unknown key \"input\""},
      {R"({"extras": [{}, {"slot": 10}]})", "extras[1].slot: expected 0 to 9"},
      {R"({"lowPass": [{"stepped": 1}]})", "lowPass[0].stepped: expected true or false"},
  };
  for (const auto& [json, reason] : refusals) {
    EXPECT_EQ(RefusalOf([json = json] { ProfileFromJson(json); }), std::string("profile: ") + reason);
  }
  const std::string path = ::testing::TempDir() + "sim_profile_test.json";
  std::ofstream(path) << R"({"notch": 50.5})";
  EXPECT_EQ(RefusalOf([&] { LoadProfileFile(path); }), path + ": profile: notch: expected a whole number");
  std::remove(path.c_str());
  EXPECT_NE(RefusalOf([&] { LoadProfileFile(path); }), "accepted");
}

}  // namespace
}  // namespace vornsim
