// Bringing a channel to a record: the commands in their order, what is sent
// again and what not, the rewriting of the host's scaling, and requests that
// the channel cannot follow.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "api/chan_settings.h"
#include "channel/read_state.h"
#include "channel/setting_commands.h"
#include "library_fixture.h"
#include "profile.h"

namespace condvorn::testing {
namespace {

constexpr int kChannel = 3;

class ApplyTest : public LibraryTest {
 protected:
  void StartWith(const vornsim::Profile& profile) {
    sim.AddChannel(kChannel, profile);
    Discover(kChannel, kChannel);
  }
  void StartWith(const std::string& profile) { StartWith(vornsim::NamedProfile(profile)); }

  // Selects the channel and reads its state, then forgets that traffic, so
  // that a test sees only what one apply operation sends.
  void Select() {
    ReadChannelState(kChannel, record);
    sim.ClearReceived();
  }

  // The commands sent after the capability read of the first ApplySettings.
  Texts SentAfterLists() const {
    const Texts sent = Sent();
    auto offsets = std::find(sent.begin(), sent.end(), "?OS;");
    return offsets == sent.end() ? sent : Texts(offsets + 1, sent.end());
  }

  ChanSettings& Applied() const { return Channels().appliedSettings[kChannel]; }

  ChanSettings record = DefaultChanSettings();
};

// Input 1 of "df3" with gains 1, 10, 100 and offset ranges 0.5 V and 5 V.
vornsim::Profile GainsAndRanges(std::vector<double> gains = {1, 10, 100}) {
  vornsim::Profile profile = vornsim::NamedProfile("df3");
  profile.inputs[0].gains = std::move(gains);
  profile.inputs[0].offsetRanges = {0.5, 5};
  return profile;
}

// ---- Whole records ----

TEST_F(ApplyTest, AFullApplySendsEverySettingInOrderAndARepeatSendsNothing) {
  StartWith("df3");
  record.scale = 0.001f;
  record.gain = 10;
  record.lowPassType = 0;       // continuous "Bessel"
  record.lowPassCutoff = 100;
  record.highPassType = 0;      // stepped 0, 0.1, 1, 10
  record.highPassCutoff = 1;
  record.extraValues[0] = 2;    // "Excitation", a choice
  record.extraValues[3] = 12.5; // "Bridge balance", a number
  EXPECT_EQ(ApplySettings(kChannel, record), 0);
  const Texts settings = {"IP1;", "GN4;", "OR1;", "OF0;", "GN4;", "OR1;", "OF0;",
                          "LD1;", "LO100;", "HD1;", "HP2;", "AC0;", "NF0;", "TG1;",
                          "TP1;", "FA1;", "FS2;", "FA2;", "FS12.5;"};
  EXPECT_EQ(SentAfterLists(), settings);
  EXPECT_EQ(std::memcmp(&Applied(), &record, sizeof record), 0);

  sim.ClearReceived();
  EXPECT_EQ(ApplySettings(kChannel, record), 0);
  EXPECT_TRUE(Sent().empty()) << "not even the channel selection";

  sim.ClearReceived();
  InvalidateApplied(kChannel);
  ApplySettings(kChannel, record);
  Texts again = {";;CH3;", "IP1;"};
  again.insert(again.end(), settings.begin(), settings.end());
  EXPECT_EQ(Sent(), again);
}

TEST_F(ApplyTest, OneChangedFieldSendsOnlyItsCommand) {
  StartWith("df3");
  ApplySettings(kChannel, record);
  sim.ClearReceived();
  record.flags = COND_FLAG_NOTCH | COND_FLAG_FALLING_EDGE;
  record.extraValues[3] = -7;
  ApplySettings(kChannel, record);
  // Gain, offset and the switches always go out again; cut-offs and extra
  // settings only when they changed. (Scale 0: every offset needs the
  // largest range.)
  EXPECT_EQ(Sent(), (Texts{";;CH3;", "IP1;", "GN1;", "OR2;", "OF0;", "AC0;", "NF1;", "TG1;",
                           "TP0;", "FA2;", "FS-7;"}));
  EXPECT_TRUE(sim.channel(kChannel).settings.notch);
  EXPECT_EQ(sim.channel(kChannel).settings.triggerEdge, 0);
}

TEST_F(ApplyTest, AnOlderChannelGetsNoTriggerEdgeNoExtrasAndNoFilterTypes) {
  StartWith("old-firmware");  // gains 1, 10, 100, 1000; ranges 1, 10
  record.scale = 0.5f;
  record.gain = 30;
  record.flags = 0xF;
  record.lowPassCutoff = 100;  // list 0, 1, 10, 100, 1000
  record.highPassCutoff = 0;   // list 0, 0.1, 1, 10
  record.extraValues[5] = 4;
  ApplySettings(kChannel, record);
  EXPECT_EQ(SentAfterLists(), (Texts{"IP1;", "GN2;", "OR1;", "OF0;", "GN2;", "OR1;", "OF0;",
                                     "LP3;", "HP0;", "AC1;", "NF1;", "TG2;"}));
  EXPECT_EQ(record.gain, 10.0f);
  EXPECT_FLOAT_EQ(record.scale, 1.5f);
  EXPECT_EQ(Applied().flags, 0xF);
  EXPECT_EQ(Applied().extraValues[5], 4.0f);
}

TEST_F(ApplyTest, ANewInputIsSelectedWithItsListsAndTheGainReapplied) {
  StartWith("df3");
  ApplySettings(kChannel, record);
  sim.ClearReceived();
  record.input = 2;  // "Bridge": gains 10, 100, 1000, 10000
  record.scale = 1;
  ApplySettings(kChannel, record);
  EXPECT_EQ(Sent(), (Texts{";;CH3;", "IP3;", "?GS;", "?OS;", "IP3;", "GN1;", "OR1;", "OF0;",
                           "GN1;", "OR1;", "OF0;", "AC0;", "NF0;", "TG1;", "TP1;"}));
  EXPECT_EQ(record.gain, 10.0f);
  EXPECT_FLOAT_EQ(record.scale, 0.1f);
}

// ---- Gain and offset ----

TEST_F(ApplyTest, AGainSnapsToTheNearestAndTheScaleFollows) {
  StartWith(GainsAndRanges());
  Select();
  const struct {
    float scale, gain;
    double request;
    std::string command;
    float newGain, newScale;
  } cases[] = {{2, 1, 30, "GN2;", 10, 0.2f}, {1, 10, kNaN, "GN1;", 1, 10}};
  for (const auto& c : cases) {
    sim.ClearReceived();
    record.scale = c.scale;
    record.gain = c.gain;
    ApplyGain(c.request, record);
    EXPECT_EQ(Sent(), (Texts{c.command, "OR1;", "OF0;"}));
    EXPECT_EQ(record.gain, c.newGain);
    EXPECT_FLOAT_EQ(record.scale, c.newScale);
    EXPECT_EQ(Applied().gain, c.newGain);
  }
}

TEST_F(ApplyTest, AChannelWithoutGainsKeepsTheRecordsGainAndScale) {
  StartWith(GainsAndRanges({}));
  Select();
  record.scale = 0.25f;
  record.gain = 7;
  ApplyGain(100, record);
  EXPECT_EQ(Sent(), (Texts{"OR1;", "OF0;"}));
  EXPECT_EQ(record.gain, 7.0f);
  EXPECT_EQ(record.scale, 0.25f);
}

TEST_F(ApplyTest, AnOffsetIsSetWithTheFinestRangeThatCoversIt) {
  StartWith(GainsAndRanges());
  Select();
  const struct {
    float scale;
    double request;
    Texts sent;
    std::optional<double> offset;  // what the code sent stands for
  } cases[] = {
      {1, 1000, {"OR1;", "OF10000;"}, 1000},
      {1, 1001, {"OR1;", "OF10010;"}, 10010 * 0.5 / 32768 * 6553.6},
      {1, 1e6, {"OR2;", "OF32767;"}, {}},  // beyond every range
      {1, -1e6, {"OR2;", "OF-32768;"}, {}},
      {1, kNaN, {"OR2;", "OF0;"}, {}},
      {1, kInfinity, {"OR2;", "OF32767;"}, {}},
      {0, 0, {"OR2;", "OF0;"}, 0},  // a record without scaling gets codes all the same
      {0, 3, {"OR2;", "OF32767;"}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request);
    sim.ClearReceived();
    record.scale = c.scale;
    record.zero = 50;
    record.offset = 0;
    ApplyOffset(c.request, record);
    EXPECT_EQ(Sent(), c.sent);
    if (!c.offset) continue;
    EXPECT_FLOAT_EQ(record.offset, *c.offset);
    EXPECT_FLOAT_EQ(record.zero + record.offset, 50.0f) << "zero moves by the old offset minus the new";
    EXPECT_EQ(Applied().offset, record.offset);
  }
}

TEST_F(ApplyTest, AChannelWithoutOffsetRangesGetsNoOffsetCommands) {
  StartWith("minimal");
  Select();
  record.scale = 1;
  record.zero = 2;
  record.offset = 5;
  ApplyOffset(5, record);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(record.offset, 0.0f);
  EXPECT_EQ(record.zero, 7.0f);
}

// ---- Filters ----

TEST_F(ApplyTest, ASteppedCutoffSnapsAndATieKeepsTheLowerEntry) {
  StartWith("df3");
  Select();
  record.lowPassType = 1;  // stepped 0, 1, 10, 100, 1000
  ApplyLowPass(60, record);
  EXPECT_EQ(record.lowPassCutoff, 100.0f);
  ApplyLowPass(60, record);
  ApplyLowPass(55, record);
  EXPECT_EQ(record.lowPassCutoff, 10.0f);
  EXPECT_EQ(Sent(), (Texts{"LD2;", "LP3;", "LD2;", "LP2;"}));
  EXPECT_EQ(Applied().lowPassType, 1);
  EXPECT_EQ(Applied().lowPassCutoff, 10.0f);
}

TEST_F(ApplyTest, ContinuousCutoffsGoOutAsPrintfWritesThem) {
  StartWith("df1");
  Select();
  const std::pair<double, std::string> cases[] = {
      {0.01, "HO0.01;"},   {10000, "HO10000;"},  {12.5, "HO12.5;"},  {1234567, "HO1.23457e+06;"},
      {0.0001, "HO0.0001;"}, {0.00001, "HO1e-05;"}, {100000, "HO100000;"}, {1e6, "HO1e+06;"},
      {-1, "HO-1;"},       {0.333333333, "HO0.333333;"}};
  for (const auto& [cutoff, command] : cases) {
    sim.ClearReceived();
    ApplyHighPass(cutoff, record);
    EXPECT_EQ(Sent(), (Texts{"HD1;", command}));
    EXPECT_EQ(record.highPassCutoff, static_cast<float>(cutoff));
  }
  sim.ClearReceived();
  ApplyHighPass(kNaN, record);
  ApplyHighPass(kInfinity, record);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(record.highPassCutoff, static_cast<float>(0.333333333)) << "unchanged";
}

TEST_F(ApplyTest, ACharacteristicTheChannelLacksBecomesItsFirst) {
  StartWith("df3");
  Select();
  for (int16_t type : {7, -1}) {
    record.lowPassType = type;
    record.lowPassCutoff = 0;
    InvalidateApplied(kChannel);
    ApplyLowPass(200, record);
    EXPECT_EQ(record.lowPassType, 0);
  }
  EXPECT_EQ(Sent(), (Texts{"LD1;", "LO200;", "LD1;", "LO200;"}));
}

// ---- Extra settings ----

TEST_F(ApplyTest, AChoiceIsRoundedAndKeptWithinItsList) {
  StartWith("df3");
  Select();  // "Excitation": four choices in slot 0
  const std::pair<double, std::string> cases[] = {
      {2.4, "FS2;"}, {2.5, "FS3;"}, {99, "FS3;"}, {-2, "FS0;"}, {kNaN, "FS0;"}};
  for (const auto& [value, command] : cases) {
    sim.ClearReceived();
    ApplyExtraSetting(value, 0, record);
    EXPECT_EQ(Sent(), (Texts{"FA1;", command})) << value;
    EXPECT_EQ(record.extraValues[0], std::stof(command.substr(2)));
  }
}

TEST_F(ApplyTest, ANumericExtraValueThatIsNotANumberIsNotSent) {
  StartWith("df3");
  Select();  // "Bridge balance": a number in slot 3
  record.extraValues[3] = 1.5f;
  ApplyExtraSetting(kNaN, 1, record);
  ApplyExtraSetting(-kInfinity, 1, record);
  ApplyExtraSetting(2.5, 7, record);  // no such setting
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(record.extraValues[3], 1.5f);
  ApplyExtraSetting(1e-7, 1, record);
  EXPECT_EQ(Sent(), (Texts{"FA2;", "FS1e-07;"}));
}

}  // namespace
}  // namespace condvorn::testing
