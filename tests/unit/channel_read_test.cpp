// Learning a channel's capabilities: the queries in their order for every
// kind of channel, what is stored, and how each fault of the line ends.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "api/chan_settings.h"
#include "channel/read_state.h"
#include "library_fixture.h"
#include "profile.h"

namespace condvorn::testing {
namespace {

using Texts = std::vector<std::string>;

constexpr int kChannel = 3;

class ChannelReadTest : public LibraryTest {
 protected:
  // The library as a successful InitCond with "Dump" 1 leaves it (log
  // configured but inactive), with the probe's traffic and lines forgotten.
  void Start(int last = kChannel) {
    Configure(1, 1, kChannel, last);
    ASSERT_EQ(InitCond(1), 0);
    sim.ClearReceived();
    logFile.files.clear();
  }

  vornsim::Channel& StartWith(const std::string& profile) {
    vornsim::Channel& channel = AddChannel(kChannel, profile);
    Start();
    return channel;
  }

  vornsim::Channel& StartWith(const vornsim::Profile& profile) {
    vornsim::Channel& channel = sim.AddChannel(kChannel, profile);
    Start();
    return channel;
  }

  // Reads the channel's state for a record that asks for `input`.
  ChanSettings Read(int16_t input = 0) {
    ChanSettings settings = DefaultChanSettings();
    settings.input = input;
    ReadChannelState(kChannel, settings);
    return settings;
  }

  const ChannelState& State() const { return Lib().channelStates[kChannel]; }

  // How often a command went out.
  int Count(const std::string& command) const {
    int count = 0;
    for (const std::string& text : Sent()) count += text == command;
    return count;
  }
};

// Two lines per failed read, written although the log is otherwise inactive.
Texts Failure(const std::string& name, const std::string& reason) {
  return {"Failed to read back Vorn info from " + name + " command", reason};
}

Texts Repeated(const Texts& lines, int times) {
  Texts all;
  for (int i = 0; i < times; ++i) all.insert(all.end(), lines.begin(), lines.end());
  return all;
}

Texts Join(std::initializer_list<Texts> parts) {
  Texts all;
  for (const Texts& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

std::vector<double> Cutoffs(const FilterType& type) {
  return std::vector<double>(type.cutoffs, type.cutoffs + std::max(type.cutoffCount, 0));
}

// ---- Query order ----

TEST_F(ChannelReadTest, EachKindOfChannelIsAskedItsOwnQueriesInOrder) {
  const std::vector<std::pair<std::string, Texts>> cases = {
      {"df3", {"?RV;", "?DF;", "?IS;", "?LD0;", "?LD1;", "?LD2;", "?HD0;", "?HD1;", "?HD2;",
               "?HD3;", "?FA0;", "?FA1;", "?FA2;", "?NT;"}},
      {"df2", {"?RV;", "?DF;", "?IS;", "?FA0;", "?FA1;", "?NT;"}},
      {"df1", {"?RV;", "?DF;", "?IS;", "?FA0;", "?NT;"}},
      {"df0", {"?RV;", "?DF;", "?IS;", "?LF;", "?LS;", "?HF;", "?HS;", "?NT;"}},
      {"old-firmware", {"?RV;", "?IS;", "?LF;", "?LS;", "?HF;", "?HS;", "?NT;"}},
  };
  for (size_t i = 0; i < cases.size(); ++i) AddChannel(kChannel + static_cast<int>(i), cases[i].first);
  Start(kChannel + static_cast<int>(cases.size()) - 1);
  for (size_t i = 0; i < cases.size(); ++i) {
    const int channel = kChannel + static_cast<int>(i);
    Texts expected = {";;CH" + std::to_string(channel) + ";"};
    expected.insert(expected.end(), cases[i].second.begin(), cases[i].second.end());
    expected.insert(expected.end(), {"IP1;", "?GS;", "?OS;"});
    ChanSettings settings = DefaultChanSettings();
    ReadChannelState(channel, settings);
    EXPECT_EQ(Sent(channel), expected) << cases[i].first;
    EXPECT_EQ(Lib().currentChannel, channel);
  }
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(ChannelReadTest, ACurrentChannelDescribesItsFiltersAndExtraSettings) {
  StartWith("df3");
  Read();
  const ChannelState& state = State();
  EXPECT_EQ(state.versionNumber, 22);
  EXPECT_EQ(state.versionLevel, 4);
  EXPECT_TRUE(state.hasExtendedCommands);
  EXPECT_TRUE(state.hasDigitalFilters);
  ASSERT_EQ(state.inputCount, 4);
  EXPECT_STREQ(state.inputNames[2], "Bridge");

  ASSERT_EQ(state.lowPassTypeCount, 2);
  EXPECT_STREQ(state.lowPassTypes[0].name, "Bessel");
  EXPECT_EQ(state.lowPassTypes[0].kind & 1, 0);
  EXPECT_EQ(state.lowPassTypes[0].minimum, 1.0);
  EXPECT_EQ(state.lowPassTypes[0].maximum, 10000.0);
  EXPECT_EQ(Cutoffs(state.lowPassTypes[0]), (std::vector<double>{0, 10, 100, 1000, 10000}));
  EXPECT_EQ(state.lowPassTypes[1].kind & 1, 1);
  ASSERT_EQ(state.highPassTypeCount, 3);
  EXPECT_EQ(Cutoffs(state.highPassTypes[2]), (std::vector<double>{0, -1, -10, -11}));

  ASSERT_EQ(state.extraSettingCount, 2);
  EXPECT_STREQ(state.extraSettings[0].name, "Excitation");
  EXPECT_EQ(state.extraSettings[0].kind & 1, 1);
  ASSERT_EQ(state.extraSettings[0].choiceCount, 4);
  EXPECT_STREQ(state.extraSettings[0].choices[1], "2.5 V");
  EXPECT_EQ(state.extraSettings[1].slot, 3);
  EXPECT_EQ(state.extraSettings[1].minimum, -100.0);
  EXPECT_EQ(state.extraSettings[1].maximum, 100.0);

  EXPECT_EQ(state.notchFrequency, 50);
  EXPECT_EQ(state.listsInput, 0);
  EXPECT_EQ(state.gainCount, 10);
  EXPECT_EQ(state.gains[9], 1000.0);
  ASSERT_EQ(state.offsetRangeCount, 2);
  EXPECT_EQ(state.offsetRanges[1], 5.0);
}

TEST_F(ChannelReadTest, DigitalFilterAnswerTwoWidensCopiesOfTheLibrarysTables) {
  StartWith("df2");
  Read();
  const ChannelState& state = State();
  ASSERT_EQ(state.lowPassTypeCount, 4);
  ASSERT_EQ(state.highPassTypeCount, 4);
  for (int i = 0; i < 4; ++i) {
    for (const FilterType* type : {&state.lowPassTypes[i], &state.highPassTypes[i]}) {
      EXPECT_EQ(type->minimum, 0.01);
      EXPECT_EQ(type->maximum, 10000.0);
    }
  }
  EXPECT_STREQ(state.highPassTypes[3].name, "3-pole Bessel");
  EXPECT_EQ(state.notchFrequency, 60);
  EXPECT_EQ(kLowPassStaticTable[0].minimum, 1.0) << "the tables keep their own ranges";
  EXPECT_EQ(kHighPassStaticTable[0].maximum, 1000.0);
}

TEST_F(ChannelReadTest, WithoutDigitalFiltersTheSingleListGetsAnOffEntryInFront) {
  StartWith("df0");
  Read();
  const ChannelState& state = State();
  EXPECT_FALSE(state.hasDigitalFilters);
  ASSERT_EQ(state.lowPassTypeCount, 1);
  EXPECT_STREQ(state.lowPassTypes[0].name, "4-pole B'Worth");
  EXPECT_EQ(state.lowPassTypes[0].kind, 1);
  EXPECT_EQ(Cutoffs(state.lowPassTypes[0]), (std::vector<double>{0, 10, 100, 1000, 10000}));
  EXPECT_EQ(state.lowPassTypes[0].minimum, 10.0);
  EXPECT_EQ(state.lowPassTypes[0].maximum, 10000.0);
}

TEST_F(ChannelReadTest, VersionLevelThreeMeansNoExtendedCommandsWhateverTheNumber) {
  vornsim::Profile profile = vornsim::NamedProfile("df0");
  profile.version = "Vorn301";  // number 30, level 3
  StartWith(profile);
  Read();
  EXPECT_EQ(State().versionNumber, 30);
  EXPECT_EQ(State().versionLevel, 3);
  EXPECT_FALSE(State().hasExtendedCommands);
  EXPECT_EQ(Count("?DF;"), 0);
  EXPECT_EQ(Count("?FA0;"), 0);
  EXPECT_EQ(Count("?LF;"), 1);
  EXPECT_EQ(Count("?LS;"), 1);
}

TEST_F(ChannelReadTest, TheOldHighPassRectifierListGetsItsRawTimesTenMode) {
  StartWith("rectifier");
  Read();
  EXPECT_EQ(Cutoffs(State().highPassTypes[0]), (std::vector<double>{0, -10, -11, -1}));
  EXPECT_EQ(State().highPassTypes[0].minimum, -10.0);
  EXPECT_EQ(State().highPassTypes[0].maximum, 10.0);
}

TEST_F(ChannelReadTest, AnInputBeyondTheListBecomesInputTwo) {
  StartWith("df3");
  EXPECT_EQ(Read(5).input, 2);
  EXPECT_EQ(Count("IP3;"), 1);
  EXPECT_EQ(State().gainCount, 4) << "the bridge input's gains";
  EXPECT_EQ(State().offsetRangeCount, 3);
}

TEST_F(ChannelReadTest, WithOnlyTwoInputsInputTwoIsStoredButNotSent) {
  StartWith("old-firmware");
  EXPECT_EQ(Read(5).input, 2);
  EXPECT_EQ(Sent(), (Texts{";;CH3;", "?RV;", "?IS;", "?LF;", "?LS;", "?HF;", "?HS;", "?NT;",
                           "?GS;", "?OS;"}));
  EXPECT_EQ(State().listsInput, 2);
}

TEST_F(ChannelReadTest, CapabilitiesAreReadOnceAndListsOnlyWhenTheInputChanges) {
  StartWith("df3");
  Read(0);
  sim.ClearReceived();
  Read(0);
  EXPECT_EQ(Sent(), (Texts{";;CH3;", "IP1;"}));
  sim.ClearReceived();
  Read(2);
  EXPECT_EQ(Sent(), (Texts{";;CH3;", "IP3;", "?GS;", "?OS;"}));
  EXPECT_EQ(State().gains[0], 10.0);
}

TEST_F(ChannelReadTest, AnEmptyGainListLeavesTheCapabilitiesToBeReadAgain) {
  vornsim::Profile profile = vornsim::NamedProfile("df1");
  profile.inputs[0].gains = {};
  StartWith(profile);
  Read(0);
  EXPECT_EQ(State().gainCount, 0);
  EXPECT_EQ(Count("?GS;"), 3);
  sim.ClearReceived();
  Read(0);
  EXPECT_EQ(Sent(), (Texts{";;CH3;", "?RV;", "?DF;", "?IS;", "?FA0;", "?NT;", "IP1;"}));
}

// ---- Extra settings ----

vornsim::Profile WithExtras(std::vector<int> slots) {
  vornsim::Profile profile = vornsim::NamedProfile("df3");
  profile.extras.clear();
  for (size_t i = 0; i < slots.size(); ++i) {
    vornsim::ExtraSpec extra;
    extra.name = "Extra " + std::to_string(i + 1);
    extra.choices = false;
    extra.slot = slots[i];
    extra.minimum = 0;
    extra.maximum = 10;
    profile.extras.push_back(extra);
  }
  return profile;
}

TEST_F(ChannelReadTest, AtMostFourExtraSettingsAreRead) {
  StartWith(WithExtras({0, 1, 2, 3, 4, 5}));
  Read();
  EXPECT_EQ(State().extraSettingCount, 4);
  EXPECT_EQ(Count("?FA4;"), 1);
  EXPECT_EQ(Count("?FA5;"), 0);
  EXPECT_EQ(State().extraSettings[3].slot, 3);
  EXPECT_EQ(State().notchFrequency, 50);
}

TEST_F(ChannelReadTest, MoreThanEightExtraSettingsAreNoneAtAll) {
  StartWith(WithExtras({0, 1, 2, 3, 4, 5, 6, 7, 0}));
  Read();
  EXPECT_EQ(State().extraSettingCount, -1);
  EXPECT_EQ(Count("?FA1;"), 0);
}

TEST_F(ChannelReadTest, AnExtraSettingWithoutAValidSlotEndsTheListBeforeIt) {
  StartWith(WithExtras({6, 9, 1}));
  Read();
  EXPECT_EQ(State().extraSettingCount, 1);
  EXPECT_EQ(State().extraSettings[0].slot, 6);
  EXPECT_EQ(State().extraSettings[1].slot, 0) << "not stored";
  EXPECT_EQ(Count("?FA3;"), 0);
  EXPECT_EQ(State().notchFrequency, 50) << "the refused setting's lines were read off the line";
}

// ---- Names ----

TEST_F(ChannelReadTest, LongNamesAreCutOrReplaced) {
  vornsim::Profile profile = vornsim::NamedProfile("df3");
  profile.inputs[0].name = "Fifteen chars!!";
  profile.inputs[1].name = "Sixteen chars!!!";
  profile.lowPass[1].name = "Eighteen character";
  profile.extras[0].name = "Excitation voltage";
  StartWith(profile);
  Read();
  EXPECT_STREQ(State().inputNames[0], "Fifteen chars!!");
  EXPECT_STREQ(State().inputNames[1], "Unknown");
  EXPECT_EQ(Count("?IS;"), 3) << "a name that does not fit fails the attempt";
  EXPECT_STREQ(State().lowPassTypes[1].name, "Eighteen charac");
  EXPECT_STREQ(State().extraSettings[0].name, "Excitation volt");
}

TEST_F(ChannelReadTest, AnUnnamedSingleFilterIsATwoPoleButterworth) {
  vornsim::Channel& channel = StartWith("old-firmware");
  channel.faults.rawReplies["?LF"] = "\r";
  channel.faults.rawReplies["?HF"] = "";
  Read();
  EXPECT_STREQ(State().lowPassTypes[0].name, "2-pole B'Worth");
  EXPECT_STREQ(State().highPassTypes[0].name, "2-pole B'Worth");
  EXPECT_EQ(State().highPassTypes[0].cutoffCount, 4) << "the list still follows";
}

// ---- Item lists and their faults ----

TEST_F(ChannelReadTest, ZeroItemsFailAndNumberListsAreAskedThreeTimes) {
  vornsim::Channel& channel = StartWith("df3");
  channel.faults.lists["OS"] = {vornsim::ListFaultKind::kAnnounceZero, -1};
  const double start = clock.NowMs();
  Read();
  EXPECT_EQ(Count("?OS;"), 3);
  EXPECT_EQ(link.flushes, 3);
  EXPECT_GE(clock.NowMs() - start, 300.0);
  EXPECT_EQ(State().offsetRangeCount, 0);
  EXPECT_EQ(LogLines(), Repeated(Failure("OS", "Vorn indicated 0 items available"), 3));
  EXPECT_EQ(Lib().reinitNeeded, 1);
  EXPECT_EQ(Lib().logActive, 0) << "logging is forced only for the failure lines";
}

TEST_F(ChannelReadTest, ALetterItemStandsForTheFallbackAndTheListIsAskedAgain) {
  vornsim::Channel& channel = StartWith("df3");
  channel.faults.lists["GS"] = {vornsim::ListFaultKind::kNonNumeric, -1};
  Read();
  EXPECT_EQ(Count("?GS;"), 3);
  EXPECT_EQ(State().gainCount, 10);
  EXPECT_EQ(State().gains[9], 1.0) << "the last attempt stands";
  EXPECT_TRUE(LogLines().empty()) << "the list itself came complete";
  EXPECT_EQ(Lib().reinitNeeded, 0);
}

TEST_F(ChannelReadTest, TwentyFiveItemsAreReadOffTheLineAndTwentyKept) {
  vornsim::Channel& channel = StartWith("df3");
  channel.faults.lists["IS"] = {vornsim::ListFaultKind::kAnnounceTooMany, -1};
  Read();
  EXPECT_EQ(Count("?IS;"), 1);
  EXPECT_EQ(State().inputCount, 20);
  EXPECT_STREQ(State().inputNames[19], "Ground");
  EXPECT_EQ(State().lowPassTypeCount, 2) << "the next reply is read in step";
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(ChannelReadTest, AListThatBreaksOffKeepsItsAnnouncedCount) {
  vornsim::Channel& channel = StartWith("df3");
  channel.faults.lists["FA1"] = {vornsim::ListFaultKind::kBreakOff, -1};
  Read();
  const ExtraSetting& excitation = State().extraSettings[0];
  EXPECT_EQ(excitation.choiceCount, 4);
  EXPECT_STREQ(excitation.choices[1], "2.5 V");
  EXPECT_STREQ(excitation.choices[2], "");
  EXPECT_EQ(State().extraSettingCount, 2) << "a broken choice list does not stop the read";
  EXPECT_EQ(LogLines(), Failure("", "Failed to read item 2 of 4"));
}

TEST_F(ChannelReadTest, AnUnansweredFilterCountMeansNoCharacteristics) {
  vornsim::Channel& channel = StartWith("df3");
  channel.faults.rawReplies["?LD0"] = "";
  channel.faults.rawReplies["?HD0"] = "30\r";
  Read();
  EXPECT_EQ(State().lowPassTypeCount, 0);
  EXPECT_EQ(State().highPassTypeCount, -1);
  EXPECT_EQ(Count("?HD1;"), 0);
  EXPECT_EQ(LogLines(), Failure("LD0", "Failed to read no. of items available, code 0"));
}

TEST_F(ChannelReadTest, AMissingDescriptionOrLimitFailsTheCharacteristics) {
  vornsim::Channel& channel = StartWith("df3");
  channel.faults.rawReplies["?LD2"] = "";
  channel.faults.rawReplies["?HD2"] = "2Butterworth\r0.01\r";
  Read();
  EXPECT_EQ(State().lowPassTypeCount, -2);
  EXPECT_EQ(State().highPassTypeCount, -3);
  EXPECT_EQ(Count("?HD3;"), 0);
  EXPECT_EQ(State().extraSettingCount, 2);
}

TEST_F(ChannelReadTest, AnUnansweredDigitalFilterQueryMeansNone) {
  vornsim::Profile profile = vornsim::NamedProfile("df3");
  profile.digitalFilters.reset();
  StartWith(profile);
  Read();
  EXPECT_FALSE(State().hasDigitalFilters);
  EXPECT_EQ(State().extraSettingCount, 0);
  EXPECT_EQ(Count("?LF;"), 1);
  EXPECT_EQ(LogLines(), Failure("DF", "Failed to read no. of items available, code 0"));
  EXPECT_EQ(Lib().reinitNeeded, 1);
}

TEST_F(ChannelReadTest, AReceiveErrorIsLoggedWithItsCode) {
  StartWith("df3");
  link.receiveError = -5;
  Read();
  EXPECT_EQ(State().versionLevel, -1);
  const Texts lines = LogLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(Texts(lines.begin(), lines.begin() + 2),
            Failure("IS", "Failed to read no. of items available, code -5"));
}

// A channel that stops answering ends with every list empty, one filter
// characteristic per side with only its off entry, and the next InitCond due
// to rediscover.
void ExpectNothingLearnt(const ChannelState& state) {
  EXPECT_EQ(state.versionNumber, -1);
  EXPECT_EQ(state.versionLevel, -1);
  EXPECT_FALSE(state.hasExtendedCommands);
  EXPECT_FALSE(state.hasDigitalFilters);
  EXPECT_EQ(state.inputCount, 0);
  EXPECT_EQ(state.lowPassTypeCount, 1);
  EXPECT_EQ(state.highPassTypeCount, 1);
  EXPECT_EQ(Cutoffs(state.lowPassTypes[0]), (std::vector<double>{0}));
  EXPECT_EQ(Cutoffs(state.highPassTypes[0]), (std::vector<double>{0}));
  EXPECT_EQ(state.extraSettingCount, 0);
  EXPECT_EQ(state.notchFrequency, 0);
  EXPECT_EQ(state.gainCount, 0);
  EXPECT_EQ(state.offsetRangeCount, 0);
  EXPECT_EQ(Lib().reinitNeeded, 1);
}

TEST_F(ChannelReadTest, ASilentChannelIsAskedEveryListThreeTimesAndTeachesNothing) {
  vornsim::Channel& channel = StartWith("df3");
  channel.faults.silent = true;
  Read();
  ExpectNothingLearnt(State());
  EXPECT_STREQ(State().lowPassTypes[0].name, "2-pole B'Worth");
  EXPECT_STREQ(State().highPassTypes[0].name, "2-pole B'Worth");
  EXPECT_EQ(Sent(), (Texts{";;CH3;", "?RV;", "?IS;", "?IS;", "?IS;", "?LF;", "?LS;", "?LS;",
                           "?LS;", "?HF;", "?HS;", "?HS;", "?HS;", "?NT;", "?GS;", "?GS;",
                           "?GS;", "?OS;", "?OS;", "?OS;"}));
  const Texts timeout = {"Failed to read no. of items available, code 0"};
  EXPECT_EQ(LogLines(), Join({Repeated(Failure("IS", timeout[0]), 3),
                              Repeated(Failure("LS", timeout[0]), 3),
                              Repeated(Failure("HS", timeout[0]), 3),
                              Repeated(Failure("GS", timeout[0]), 3),
                              Repeated(Failure("OS", timeout[0]), 3)}));
}

TEST_F(ChannelReadTest, RepliesThatStallOrComeBehindNoiseTeachNothing) {
  AddChannel(kChannel + 1, "df3").faults.garbage = true;
  StartWith("df3").faults.stallAfterFirstChar = true;
  for (int channel : {kChannel, kChannel + 1}) {
    ChanSettings settings = DefaultChanSettings();
    ReadChannelState(channel, settings);
    ExpectNothingLearnt(Lib().channelStates[channel]);
  }
}

TEST_F(ChannelReadTest, ALineThatGoesDeadMidwayKeepsWhatWasLearntBefore) {
  vornsim::Channel& channel = StartWith("df3");
  channel.faults.deadAfter = "?HD0";
  Read();
  EXPECT_EQ(State().inputCount, 4);
  EXPECT_EQ(State().lowPassTypeCount, 2);
  EXPECT_EQ(State().highPassTypeCount, 0);
  EXPECT_EQ(State().extraSettingCount, 0);
  EXPECT_EQ(State().gainCount, 0);
  EXPECT_EQ(Lib().reinitNeeded, 1);
}

TEST_F(ChannelReadTest, ZeroTextsAreTheOnlyTextsThatMayReadAsZero) {
  for (const char* zero : {"", "0", "-0.0", "0.", ".", "-", "000"}) {
    EXPECT_TRUE(IsZeroText(zero)) << zero;
  }
  for (const char* other : {"0a", "--0", "0.0.0", "0-", " 0", "+0", "0e0"}) {
    EXPECT_FALSE(IsZeroText(other)) << other;
  }
}

}  // namespace
}  // namespace condvorn::testing
