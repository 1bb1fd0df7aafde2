// Learning a channel's capabilities: the queries in their order for every
// kind of channel, what is stored, and how each fault of the line ends.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "api/chan_settings.h"
#include "channel/read_state.h"
#include "library_fixture.h"
#include "link/reply_numbers.h"
#include "profile.h"

namespace condvorn::testing {
namespace {

constexpr int kChannel = 3;

class ChannelReadTest : public LibraryTest {
 protected:
  // Channel kChannel with `profile`, discovered with "Dump" 1: the log is
  // configured but inactive.
  vornsim::Channel& StartWith(const vornsim::Profile& profile) {
    vornsim::Channel& channel = sim.AddChannel(kChannel, profile);
    Discover(kChannel, kChannel, 1);
    return channel;
  }
  vornsim::Channel& StartWith(const std::string& profile) { return StartWith(vornsim::NamedProfile(profile)); }

  // Reads a channel's state for a record that asks for `input`.
  ChanSettings Read(int16_t input = 0, int channel = kChannel) {
    ChanSettings settings = DefaultChanSettings();
    settings.input = input;
    ReadChannelState(channel, settings);
    return settings;
  }

  const ChannelState& State(int channel = kChannel) const { return Channels().channelStates[channel]; }
};

// Two lines per failed read, written although the log is otherwise inactive;
// `times` such failures in a row.
Texts Failures(const std::string& name, const std::string& reason, int times = 1) {
  Texts lines;
  for (int i = 0; i < times; ++i) {
    lines.insert(lines.end(), {"Failed to read back Vorn info from " + name + " command", reason});
  }
  return lines;
}

const std::string kNoCount = "Failed to read no. of items available, code 0";

std::vector<double> Cutoffs(const FilterType& type) {
  return std::vector<double>(type.cutoffs, type.cutoffs + std::max(type.cutoffCount, 0));
}

// A filter characteristic as "name stepped minimum-maximum: cut-offs"; only
// bit 0 of the kind (stepped) has a meaning.
std::string Describe(const FilterType& type) {
  std::ostringstream text;
  text << type.name << ' ' << (type.kind & 1) << ' ' << type.minimum << '-' << type.maximum << ':';
  for (double cutoff : Cutoffs(type)) text << ' ' << cutoff;
  return text.str();
}

// ---- Query order and what is stored ----

TEST_F(ChannelReadTest, EachKindOfChannelIsAskedItsOwnQueriesInOrder) {
  const std::vector<std::pair<std::string, Texts>> cases = {
      {"df3", {"?RV;", "?DF;", "?IS;", "?LD0;", "?LD1;", "?LD2;", "?HD0;", "?HD1;", "?HD2;",
               "?HD3;", "?FA0;", "?FA1;", "?FA2;", "?NT;"}},
      {"df2", {"?RV;", "?DF;", "?IS;", "?FA0;", "?FA1;", "?NT;"}},
      {"df1", {"?RV;", "?DF;", "?IS;", "?FA0;", "?NT;"}},
      {"df0", {"?RV;", "?DF;", "?IS;", "?LF;", "?LS;", "?HF;", "?HS;", "?NT;"}},
      {"old-firmware", {"?RV;", "?IS;", "?LF;", "?LS;", "?HF;", "?HS;", "?NT;"}},
  };
  const int last = kChannel + static_cast<int>(cases.size()) - 1;
  for (int channel = kChannel; channel <= last; ++channel) AddChannel(channel, cases[channel - kChannel].first);
  Discover(kChannel, last, 1);
  for (int channel = kChannel; channel <= last; ++channel) {
    Texts expected = {";;CH" + std::to_string(channel) + ";"};
    const Texts& queries = cases[channel - kChannel].second;
    expected.insert(expected.end(), queries.begin(), queries.end());
    expected.insert(expected.end(), {"IP1;", "?GS;", "?OS;"});
    Read(0, channel);
    EXPECT_EQ(Sent(channel), expected) << cases[channel - kChannel].first;
    EXPECT_EQ(Channels().currentChannel, channel);
  }
  EXPECT_TRUE(LogLines().empty());
}

// What GetCondInfo2 reports of each kind of channel is proved end to end
// under Wine; here, what it does not show.
TEST_F(ChannelReadTest, ACurrentChannelKnowsItsVersionFeaturesNotchAndSlots) {
  AddChannel(kChannel + 1, "df2");
  StartWith("df3");
  Read();
  const ChannelState& state = State();
  EXPECT_EQ(state.versionNumber, 22);
  EXPECT_EQ(state.versionLevel, 4);
  EXPECT_TRUE(state.hasExtendedCommands && state.hasDigitalFilters);
  EXPECT_EQ(state.extraSettings[1].slot, 3);
  EXPECT_EQ(state.notchFrequency, 50);
  EXPECT_EQ(state.listsInput, 0);
  // "DF" answered 2: copies of the library's tables, widened; the tables
  // themselves keep their ranges.
  Read(0, kChannel + 1);
  EXPECT_EQ(State(kChannel + 1).lowPassTypes[0].minimum, 0.01);
  EXPECT_EQ(State(kChannel + 1).highPassTypes[3].maximum, 10000.0);
  EXPECT_EQ(kLowPassStaticTable[0].minimum, 1.0);
  EXPECT_EQ(kHighPassStaticTable[0].maximum, 1000.0);
}

TEST_F(ChannelReadTest, WithoutDigitalFiltersEachSideHasOneNamedListWithAnOffEntryInFront) {
  AddChannel(kChannel + 1, "rectifier");
  AddChannel(kChannel + 2, "old-firmware");
  StartWith("df0");
  sim.channel(kChannel + 2).faults.rawReplies["?LF"] = "\r";
  sim.channel(kChannel + 2).faults.rawReplies["?HF"] = "";
  for (int channel : {kChannel, kChannel + 1, kChannel + 2}) Read(0, channel);
  EXPECT_FALSE(State().hasDigitalFilters);
  ASSERT_EQ(State().lowPassTypeCount, 1);
  EXPECT_EQ(Describe(State().lowPassTypes[0]), "4-pole B'Worth 1 10-10000: 0 10 100 1000 10000");
  // The old rectifier lists its "Raw * 10" mode as a second 10.
  EXPECT_EQ(Describe(State(kChannel + 1).highPassTypes[0]), "Rectifier 1 -10-10: 0 -10 -11 -1");
  // An empty or missing name is a two-pole Butterworth's; the list follows.
  EXPECT_STREQ(State(kChannel + 2).lowPassTypes[0].name, "2-pole B'Worth");
  EXPECT_EQ(Describe(State(kChannel + 2).highPassTypes[0]), "2-pole B'Worth 1 0.1-10: 0 0.1 1 10");
}

TEST_F(ChannelReadTest, VersionLevelThreeMeansNoExtendedCommandsWhateverTheNumber) {
  vornsim::Profile profile = vornsim::NamedProfile("df0");
  profile.version = "Vorn301";  // number 30, level 3
  StartWith(profile);
  Read();
  EXPECT_EQ(State().versionNumber, 30);
  EXPECT_EQ(State().versionLevel, 3);
  EXPECT_FALSE(State().hasExtendedCommands);
  EXPECT_EQ(Count("?DF;") + Count("?FA0;"), 0);
  EXPECT_EQ(Count("?LF;"), 1);
  EXPECT_EQ(Count("?LS;"), 1);
}

// ---- Inputs and their lists ----

TEST_F(ChannelReadTest, AnInputBeyondTheListBecomesInputTwoSentOnlyWhereItExists) {
  AddChannel(kChannel + 1, "old-firmware");  // two inputs
  StartWith("df3");
  EXPECT_EQ(Read(5).input, 2);
  EXPECT_EQ(Count("IP3;"), 1);
  EXPECT_EQ(State().gainCount, 4) << "the bridge input's gains";
  EXPECT_EQ(State().offsetRangeCount, 3);
  EXPECT_EQ(Read(5, kChannel + 1).input, 2);
  EXPECT_EQ(Sent(kChannel + 1), (Texts{";;CH4;", "?RV;", "?IS;", "?LF;", "?LS;", "?HF;", "?HS;", "?NT;",
                                       "?GS;", "?OS;"}));
  EXPECT_EQ(State(kChannel + 1).listsInput, 2);
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

// ---- Extra settings and names ----

TEST_F(ChannelReadTest, ExtraSettingsAreReadUpToFourAndUpToAnInvalidSlot) {
  struct Case {
    std::vector<int> slots;
    int32_t count;
    std::string lastAsked, firstUnasked;
  };
  const Case cases[] = {
      {{0, 1, 2, 3, 4, 5}, 4, "?FA4;", "?FA5;"},        // at most four are read
      {{0, 1, 2, 3, 4, 5, 6, 7, 0}, -1, "?FA0;", "?FA1;"},  // more than eight: none at all
      {{6, 9, 1}, 1, "?FA2;", "?FA3;"},                 // the list ends before a bad slot
  };
  for (int i = 0; i < 3; ++i) {
    vornsim::Profile profile = vornsim::NamedProfile("df3");
    profile.extras.clear();
    for (int slot : cases[i].slots) {
      profile.extras.push_back(vornsim::ExtraProfile{});
      profile.extras.back().name = "Extra";
      profile.extras.back().choices = false;
      profile.extras.back().slot = slot;
    }
    sim.AddChannel(kChannel + i, profile);
  }
  Discover(kChannel, kChannel + 2, 1);
  for (int i = 0; i < 3; ++i) {
    const Case& c = cases[i];
    const int channel = kChannel + i;
    Read(0, channel);
    const ChannelState& state = State(channel);
    EXPECT_EQ(state.extraSettingCount, c.count) << i;
    for (int k = 0; k < c.count; ++k) EXPECT_EQ(state.extraSettings[k].slot, c.slots[k]) << i;
    if (c.count >= 0 && c.count < 4) {
      EXPECT_EQ(state.extraSettings[c.count].slot, 0) << "not stored";
    }
    EXPECT_EQ(Count(c.lastAsked, channel), 1) << i;
    EXPECT_EQ(Count(c.firstUnasked, channel), 0) << i;
    EXPECT_EQ(state.notchFrequency, 50) << "every refused setting's lines were read off the line";
  }
}

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

// ---- Item lists and their faults ----

TEST_F(ChannelReadTest, ZeroItemsFailAndNumberListsAreAskedThreeTimes) {
  StartWith("df3").faults.lists["OS"] = {vornsim::ListFaultKind::kAnnounceZero, -1};
  const double start = clock.NowMs();
  Read();
  EXPECT_EQ(Count("?OS;"), 3);
  EXPECT_EQ(link.flushes, 3);
  EXPECT_GE(clock.NowMs() - start, 300.0);
  EXPECT_EQ(State().offsetRangeCount, 0);
  EXPECT_EQ(LogLines(), Failures("OS", "Vorn indicated 0 items available", 3));
  EXPECT_EQ(Link().reinitNeeded, 1);
  EXPECT_EQ(Link().logActive, 0) << "logging is forced only for the failure lines";
}

TEST_F(ChannelReadTest, ALetterItemStandsForTheFallbackAndTheListIsAskedAgain) {
  StartWith("df3").faults.lists["GS"] = {vornsim::ListFaultKind::kNonNumeric, -1};
  Read();
  EXPECT_EQ(Count("?GS;"), 3);
  EXPECT_EQ(State().gainCount, 10);
  EXPECT_EQ(State().gains[9], 1.0) << "the last attempt stands";
  EXPECT_TRUE(LogLines().empty()) << "the list itself came complete";
  EXPECT_EQ(Link().reinitNeeded, 0);
}

TEST_F(ChannelReadTest, TwentyFiveItemsAreReadOffTheLineAndTwentyKept) {
  StartWith("df3").faults.lists["IS"] = {vornsim::ListFaultKind::kAnnounceTooMany, -1};
  Read();
  EXPECT_EQ(Count("?IS;"), 1);
  EXPECT_EQ(State().inputCount, 20);
  EXPECT_STREQ(State().inputNames[19], "Ground");
  EXPECT_EQ(State().lowPassTypeCount, 2) << "the next reply is read in step";
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(ChannelReadTest, AListThatBreaksOffKeepsItsAnnouncedCount) {
  StartWith("df3").faults.lists["FA1"] = {vornsim::ListFaultKind::kBreakOff, -1};
  Read();
  const ExtraSetting& excitation = State().extraSettings[0];
  EXPECT_EQ(excitation.choiceCount, 4);
  EXPECT_STREQ(excitation.choices[1], "2.5 V");
  EXPECT_STREQ(excitation.choices[2], "");
  EXPECT_EQ(State().extraSettingCount, 2) << "a broken choice list does not stop the read";
  EXPECT_EQ(LogLines(), Failures("", "Failed to read item 2 of 4"));
}

TEST_F(ChannelReadTest, CharacteristicsThatCannotBeReadAreNone) {
  AddChannel(kChannel + 1, "df3");
  vornsim::Channel& channel = StartWith("df3");
  channel.faults.rawReplies["?LD0"] = "";       // no count: 0
  channel.faults.rawReplies["?HD0"] = "30\r";   // more than 20: -1
  sim.channel(kChannel + 1).faults.rawReplies["?LD2"] = "";                        // no description: -2
  sim.channel(kChannel + 1).faults.rawReplies["?HD2"] = "2Butterworth\r0.01\r";  // no maximum: -3
  Read();
  EXPECT_EQ(LogLines(), Failures("LD0", kNoCount));
  Read(0, kChannel + 1);
  EXPECT_EQ(State().lowPassTypeCount, 0);
  EXPECT_EQ(State().highPassTypeCount, -1);
  EXPECT_EQ(State(kChannel + 1).lowPassTypeCount, -2);
  EXPECT_EQ(State(kChannel + 1).highPassTypeCount, -3);
  EXPECT_EQ(Count("?HD1;", kChannel) + Count("?HD3;", kChannel + 1), 0);
  EXPECT_EQ(State(kChannel + 1).extraSettingCount, 2) << "the read goes on";
}

TEST_F(ChannelReadTest, AnUnansweredDigitalFilterQueryMeansNone) {
  vornsim::Profile profile = vornsim::NamedProfile("df3");
  profile.digitalFilters.reset();
  StartWith(profile);
  Read();
  EXPECT_FALSE(State().hasDigitalFilters);
  EXPECT_EQ(State().extraSettingCount, 0);
  EXPECT_EQ(Count("?LF;"), 1);
  EXPECT_EQ(LogLines(), Failures("DF", kNoCount));
  EXPECT_EQ(Link().reinitNeeded, 1);
}

TEST_F(ChannelReadTest, AReceiveErrorIsLoggedWithItsCode) {
  StartWith("df3");
  link.receiveError = -5;
  Read();
  EXPECT_EQ(State().versionLevel, -1);
  const Texts lines = LogLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(Texts(lines.begin(), lines.begin() + 2),
            Failures("IS", "Failed to read no. of items available, code -5"));
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
  EXPECT_EQ(Link().reinitNeeded, 1);
}

TEST_F(ChannelReadTest, ASilentChannelOrRepliesThatStallOrComeBehindNoiseTeachNothing) {
  AddChannel(kChannel + 1, "df3");
  AddChannel(kChannel + 2, "df3");
  StartWith("df3").faults.silent = true;
  sim.channel(kChannel + 1).faults.stallAfterFirstChar = true;
  sim.channel(kChannel + 2).faults.garbage = true;
  for (int channel : {kChannel + 1, kChannel + 2}) {
    Read(0, channel);
    ExpectNothingLearnt(State(channel));
  }
  sim.ClearReceived();
  logFile.files.clear();
  Read();
  ExpectNothingLearnt(State());
  EXPECT_STREQ(State().lowPassTypes[0].name, "2-pole B'Worth");
  EXPECT_STREQ(State().highPassTypes[0].name, "2-pole B'Worth");
  EXPECT_EQ(Sent(), (Texts{";;CH3;", "?RV;", "?IS;", "?IS;", "?IS;", "?LF;", "?LS;", "?LS;",
                           "?LS;", "?HF;", "?HS;", "?HS;", "?HS;", "?NT;", "?GS;", "?GS;",
                           "?GS;", "?OS;", "?OS;", "?OS;"}));
  Texts expected;
  for (const char* list : {"IS", "LS", "HS", "GS", "OS"}) {
    const Texts three = Failures(list, kNoCount, 3);
    expected.insert(expected.end(), three.begin(), three.end());
  }
  EXPECT_EQ(LogLines(), expected);
}

TEST_F(ChannelReadTest, ALineThatGoesDeadMidwayKeepsWhatWasLearntBefore) {
  StartWith("df3").faults.deadAfter = "?HD0";
  Read();
  EXPECT_EQ(State().inputCount, 4);
  EXPECT_EQ(State().lowPassTypeCount, 2);
  EXPECT_EQ(State().highPassTypeCount, 0);
  EXPECT_EQ(State().extraSettingCount, 0);
  EXPECT_EQ(State().gainCount, 0);
  EXPECT_EQ(Link().reinitNeeded, 1);
}

// Every number a channel state holds, in a fixed order.
std::vector<double> Numbers(const ChannelState& state) {
  std::vector<double> numbers(state.gains, state.gains + state.gainCount);
  numbers.insert(numbers.end(), state.offsetRanges, state.offsetRanges + state.offsetRangeCount);
  for (int32_t i = 0; i < state.lowPassTypeCount + state.highPassTypeCount; ++i) {
    const FilterType& type = i < state.lowPassTypeCount ? state.lowPassTypes[i]
                                                        : state.highPassTypes[i - state.lowPassTypeCount];
    numbers.insert(numbers.end(), {type.minimum, type.maximum});
    const std::vector<double> cutoffs = Cutoffs(type);
    numbers.insert(numbers.end(), cutoffs.begin(), cutoffs.end());
  }
  for (int32_t i = 0; i < state.extraSettingCount; ++i) {
    numbers.insert(numbers.end(), {state.extraSettings[i].minimum, state.extraSettings[i].maximum});
  }
  return numbers;
}

// The C runtime's locale set to one whose decimal separator is a comma, as a
// host may set it, for as long as this lives.
class CommaLocale {
 public:
  CommaLocale() : previous_(std::setlocale(LC_ALL, nullptr)) {
    active_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  }
  ~CommaLocale() { std::setlocale(LC_ALL, previous_.c_str()); }
  bool active() const { return active_; }

 private:
  std::string previous_;
  bool active_ = false;
};

TEST_F(ChannelReadTest, NumbersFromTheDeviceReadTheSameWhateverTheHostsLocale) {
  AddChannel(kChannel + 1, "df3");
  StartWith("df3");
  Read(0, kChannel);
  {
    CommaLocale comma;
    ASSERT_TRUE(comma.active()) << "de_DE.UTF-8 is missing: scripts/setup.sh generates it";
    Read(0, kChannel + 1);
    // Leading numbers, read leniently; never a comma, an infinity or hex.
    const std::pair<const char*, double> doubles[] = {
        {" 12.5 V", 12.5}, {"+5", 5}, {".5", 0.5}, {"5.", 5}, {"-2e-3", -0.002}, {"1e", 1},
        {"0,5", 0}, {"inf", 0}, {"-nan", 0}, {"0x10", 0}, {"1e999", 0}, {". 5", 0}, {"", 0}};
    for (const auto& [text, value] : doubles) EXPECT_EQ(ReplyDouble(text), value) << text;
    EXPECT_TRUE(std::signbit(ReplyDouble("-0.0")));
    const std::pair<const char*, int32_t> integers[] = {
        {"  -12 Hz", -12}, {"+7", 7}, {"3.9", 3}, {"--5", 0}, {"x1", 0}, {"0x10", 0},
        {"2147483648", INT32_MAX}, {"-2147483648", INT32_MIN}, {"-99999999999999999999", INT32_MIN}};
    for (const auto& [text, value] : integers) EXPECT_EQ(ReplyInteger(text), value) << text;
  }
  EXPECT_EQ(Numbers(State(kChannel + 1)), Numbers(State(kChannel)));
  EXPECT_EQ(Count("?OS;", kChannel + 1), 1) << "no list was asked again";
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(ChannelReadTest, ZeroTextsAreTheOnlyTextsThatMayReadAsZero) {
  for (const char* zero : {"", "0", "-0.0", "0.", ".", "-", "000"}) EXPECT_TRUE(IsZeroText(zero)) << zero;
  for (const char* other : {"0a", "--0", "0.0.0", "0-", " 0", "+0", "0e0"}) EXPECT_FALSE(IsZeroText(other)) << other;
}

}  // namespace
}  // namespace condvorn::testing
