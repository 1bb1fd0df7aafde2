// Learning a channel's capabilities: the queries in their order for every
// kind of channel, what is stored, and how each fault of the line ends.
#include <clocale>
#include <cmath>
#include <sstream>
#include <tuple>

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
  // Channel kChannel discovered with "Dump" 1: the log is configured but
  // inactive.
  template <typename Profile>
  vornsim::Channel& Start(const Profile& profile) { return StartWith(kChannel, profile, 1); }

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

// What a read learnt, as "version 22.4 ext df inputs 4 lp 2 hp 3 extras 2
// notch 50 gains 10 ranges 2".
std::string Summary(const ChannelState& s) {
  std::ostringstream text;
  text << "version " << s.versionNumber << '.' << s.versionLevel << (s.hasExtendedCommands ? " ext" : "")
       << (s.hasDigitalFilters ? " df" : "") << " inputs " << s.inputCount << " lp " << s.lowPassTypeCount
       << " hp " << s.highPassTypeCount << " extras " << s.extraSettingCount << " notch " << s.notchFrequency
       << " gains " << s.gainCount << " ranges " << s.offsetRangeCount;
  return text.str();
}

// ---- Query order and what is stored ----

TEST_F(ChannelReadTest, EachKindOfChannelIsAskedItsOwnQueriesInOrder) {
  vornsim::Profile level3 = vornsim::NamedProfile("df0");
  level3.version = "Vorn301";  // number 30, level 3: no extended commands whatever the number
  const std::vector<std::pair<vornsim::Profile, Texts>> cases = {
      {vornsim::NamedProfile("df3"), {"?RV;", "?DF;", "?IS;", "?LD0;", "?LD1;", "?LD2;", "?HD0;", "?HD1;",
                                      "?HD2;", "?HD3;", "?FA0;", "?FA1;", "?FA2;", "?NT;"}},
      {vornsim::NamedProfile("df2"), {"?RV;", "?DF;", "?IS;", "?FA0;", "?FA1;", "?NT;"}},
      {vornsim::NamedProfile("df1"), {"?RV;", "?DF;", "?IS;", "?FA0;", "?NT;"}},
      {vornsim::NamedProfile("df0"), {"?RV;", "?DF;", "?IS;", "?LF;", "?LS;", "?HF;", "?HS;", "?NT;"}},
      {vornsim::NamedProfile("old-firmware"), {"?RV;", "?IS;", "?LF;", "?LS;", "?HF;", "?HS;", "?NT;"}},
      {level3, {"?RV;", "?IS;", "?LF;", "?LS;", "?HF;", "?HS;", "?NT;"}},
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
    EXPECT_EQ(Sent(channel), expected) << cases[channel - kChannel].first.version;
    EXPECT_EQ(Channels().currentChannel, channel);
  }
  EXPECT_EQ(Summary(State(last)), "version 30.3 inputs 4 lp 1 hp 1 extras 0 notch 50 gains 10 ranges 2");
  EXPECT_TRUE(LogLines().empty());
  // "DF" 2 gives copies of the library's filter tables, widened; the tables
  // themselves keep their ranges.
  EXPECT_EQ(std::pair(State(kChannel + 1).lowPassTypes[0].minimum, State(kChannel + 1).highPassTypes[3].maximum),
            std::pair(0.01, 10000.0));
  EXPECT_EQ(std::pair(kLowPassStaticTable[0].minimum, kHighPassStaticTable[0].maximum), std::pair(1.0, 1000.0));
}

TEST_F(ChannelReadTest, WithoutDigitalFiltersEachSideHasOneNamedListWithAnOffEntryInFront) {
  AddChannel(kChannel + 1, "rectifier");
  AddChannel(kChannel + 2, "old-firmware");
  Start("df0");
  sim.channel(kChannel + 2).faults.rawReplies["?LF"] = "\r";
  sim.channel(kChannel + 2).faults.rawReplies["?HF"] = "";
  sim.channel(kChannel + 2).faults.rawReplies["?LS"] = "-2\r";
  for (int channel : {kChannel, kChannel + 1, kChannel + 2}) Read(0, channel);
  EXPECT_FALSE(State().hasDigitalFilters);
  ASSERT_EQ(State().lowPassTypeCount, 1);
  EXPECT_EQ(Describe(State().lowPassTypes[0]), "4-pole B'Worth 1 10-10000: 0 10 100 1000 10000");
  // The old rectifier lists its "Raw * 10" mode as a second 10.
  EXPECT_EQ(Describe(State(kChannel + 1).highPassTypes[0]), "Rectifier 1 -10-10: 0 -10 -11 -1");
  // An empty or missing name is a two-pole Butterworth's; the list follows.
  EXPECT_STREQ(State(kChannel + 2).lowPassTypes[0].name, "2-pole B'Worth");
  EXPECT_EQ(State(kChannel + 2).lowPassTypes[0].cutoffCount, -1) << "a count of -2 is kept: with the off entry, none";
  EXPECT_EQ(Describe(State(kChannel + 2).highPassTypes[0]), "2-pole B'Worth 1 0.1-10: 0 0.1 1 10");
}

// ---- Inputs and their lists ----

TEST_F(ChannelReadTest, AnInputBeyondTheListBecomesInputTwoSentOnlyWhereItExists) {
  AddChannel(kChannel + 1, "old-firmware");  // two inputs
  Start("df3");
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
  vornsim::Profile noGains = vornsim::NamedProfile("df1");
  noGains.inputs[0].gains = {};
  AddChannel(kChannel + 1, noGains);
  Start("df3");
  Read(0);
  sim.ClearReceived();
  Read(0);
  EXPECT_EQ(Sent(), (Texts{";;CH3;", "IP1;"}));
  sim.ClearReceived();
  Read(2);
  EXPECT_EQ(Sent(), (Texts{";;CH3;", "IP3;", "?GS;", "?OS;"}));
  EXPECT_EQ(State().gains[0], 10.0);
  // An empty gain list leaves the capabilities to be read again.
  Read(0, kChannel + 1);
  EXPECT_EQ(State(kChannel + 1).gainCount, 0);
  EXPECT_EQ(Count("?GS;", kChannel + 1), 3);
  sim.ClearReceived();
  Read(0, kChannel + 1);
  EXPECT_EQ(Sent(), (Texts{";;CH4;", "?RV;", "?DF;", "?IS;", "?FA0;", "?NT;", "IP1;"}));
}

// ---- Extra settings and names ----

TEST_F(ChannelReadTest, ExtraSettingsAreReadUpToFourAndUpToAnInvalidSlot) {
  const struct {
    std::vector<int> slots;
    int32_t count;
    std::string lastAsked, firstUnasked;
  } cases[] = {
      {{0, 1, 2, 3, 4, 5}, 4, "?FA4;", "?FA5;"},            // at most four are read
      {{0, 1, 2, 3, 4, 5, 6, 7, 0}, -1, "?FA0;", "?FA1;"},  // more than eight: none at all
      {{6, 9, 1}, 1, "?FA2;", "?FA3;"},                     // the list ends before a bad slot
  };
  for (int i = 0; i < 3; ++i) {
    vornsim::Profile profile = vornsim::NamedProfile("df3");
    profile.extras.clear();
    for (int slot : cases[i].slots) profile.extras.push_back(vornsim::ExtraProfile{"Extra", false, slot, {}, 0, 0});
    AddChannel(kChannel + i, profile);
  }
  Discover(kChannel, kChannel + 2, 1);
  for (int i = 0; i < 3; ++i) {
    const auto& c = cases[i];
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
  Start(profile);
  Read();
  EXPECT_STREQ(State().inputNames[0], "Fifteen chars!!");
  EXPECT_STREQ(State().inputNames[1], "Unknown");
  EXPECT_EQ(Count("?IS;"), 3) << "a name that does not fit fails the attempt";
  EXPECT_STREQ(State().lowPassTypes[1].name, "Eighteen charac");
  EXPECT_STREQ(State().extraSettings[0].name, "Excitation volt");
}

// ---- Item lists and their faults ----

TEST_F(ChannelReadTest, FaultyItemListsEndAsTheirFaultAllows) {
  using Kind = vornsim::ListFaultKind;
  const struct {
    std::string list;
    Kind kind;
    std::string query;
    int asked;
    Texts log;
    std::string summary;
  } cases[] = {
      // Zero items fail, and a number list is asked three times.
      {"OS", Kind::kAnnounceZero, "?OS;", 3, Failures("OS", "Vorn indicated 0 items available", 3),
       "inputs 4 lp 2 hp 3 extras 2 notch 50 gains 10 ranges 0"},
      // A letter item stands for the fallback, and the list is asked again;
      // the list itself came complete.
      {"GS", Kind::kNonNumeric, "?GS;", 3, {}, "inputs 4 lp 2 hp 3 extras 2 notch 50 gains 10 ranges 2"},
      // Twenty-five items are read off the line and twenty kept: the next
      // reply is read in step.
      {"IS", Kind::kAnnounceTooMany, "?IS;", 1, {}, "inputs 20 lp 2 hp 3 extras 2 notch 50 gains 10 ranges 2"},
      // A broken choice list keeps its announced count and does not stop the read.
      {"FA1", Kind::kBreakOff, "?FA1;", 1, Failures("", "Failed to read item 2 of 4"),
       "inputs 4 lp 2 hp 3 extras 2 notch 50 gains 10 ranges 2"},
  };
  for (int i = 0; i < 4; ++i) AddChannel(kChannel + i).faults.lists[cases[i].list] = {cases[i].kind, -1};
  Discover(kChannel, kChannel + 3, 1);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(cases[i].list);
    logFile.files.clear();
    Link().reinitNeeded = 0;
    const int flushes = link.flushes;
    const double start = clock.NowMs();
    Read(0, kChannel + i);
    EXPECT_EQ(Count(cases[i].query, kChannel + i), cases[i].asked);
    EXPECT_EQ(link.flushes - flushes, cases[i].asked == 3 ? 2 : 0) << "a flush between two attempts";
    EXPECT_EQ(LogLines(), cases[i].log);
    EXPECT_EQ(Link().reinitNeeded, cases[i].log.empty() ? 0 : 1);
    EXPECT_EQ(Link().logActive, 0) << "logging is forced only for the failure lines";
    EXPECT_EQ(Summary(State(kChannel + i)), "version 22.4 ext df " + cases[i].summary);
    if (i == 0) {
      EXPECT_GE(clock.NowMs() - start, 200.0) << "a pause between two attempts";
    }
  }
  EXPECT_EQ(State(kChannel + 1).gains[9], 1.0) << "the last attempt stands";
  EXPECT_STREQ(State(kChannel + 2).inputNames[19], "Ground");
  const ExtraSetting& excitation = State(kChannel + 3).extraSettings[0];
  EXPECT_EQ(excitation.choiceCount, 4);
  EXPECT_STREQ(excitation.choices[1], "2.5 V");
  EXPECT_STREQ(excitation.choices[2], "");
}

TEST_F(ChannelReadTest, CharacteristicsAndFeaturesThatCannotBeReadAreNone) {
  for (int i = 1; i <= 3; ++i) AddChannel(kChannel + i, "df3");
  vornsim::Channel& channel = Start("df3");
  channel.faults.rawReplies["?LD0"] = "";       // no count: 0
  channel.faults.rawReplies["?HD0"] = "30\r";   // more than 20: -1
  sim.channel(kChannel + 1).faults.rawReplies["?LD2"] = "";                        // no description: -2
  sim.channel(kChannel + 1).faults.rawReplies["?HD2"] = "2Butterworth\r0.01\r";  // no maximum: -3
  sim.channel(kChannel + 2).profile.digitalFilters.reset();
  Read();
  EXPECT_EQ(LogLines(), Failures("LD0", kNoCount));
  Read(0, kChannel + 1);
  EXPECT_EQ(std::pair(State().lowPassTypeCount, State().highPassTypeCount), std::pair(0, -1));
  EXPECT_EQ(std::pair(State(kChannel + 1).lowPassTypeCount, State(kChannel + 1).highPassTypeCount), std::pair(-2, -3));
  EXPECT_EQ(Count("?HD1;", kChannel) + Count("?HD3;", kChannel + 1), 0);
  EXPECT_EQ(State(kChannel + 1).extraSettingCount, 2) << "the read goes on";

  // An unanswered digital filter query means none.
  logFile.files.clear();
  Link().reinitNeeded = 0;
  Read(0, kChannel + 2);
  EXPECT_EQ(Summary(State(kChannel + 2)), "version 22.4 ext inputs 4 lp 1 hp 1 extras 0 notch 50 gains 10 ranges 2");
  EXPECT_EQ(Count("?LF;", kChannel + 2), 1);
  EXPECT_EQ(LogLines(), Failures("DF", kNoCount));
  EXPECT_EQ(Link().reinitNeeded, 1);

  // A receive error is logged with its code.
  logFile.files.clear();
  link.receiveError = -5;
  Read(0, kChannel + 3);
  EXPECT_EQ(State(kChannel + 3).versionLevel, -1);
  const Texts lines = LogLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(Texts(lines.begin(), lines.begin() + 2), Failures("IS", "Failed to read no. of items available, code -5"));
}

// A channel that stops answering ends with every list empty, one filter
// characteristic per side with only its off entry, and the next InitCond due
// to rediscover; one that goes dead midway keeps what it learnt before; a
// noisy one learns nothing usable (what is left of a list's last failed
// reply is read by the query after it).
TEST_F(ChannelReadTest, ASilentStalledNoisyOrDyingChannelTeachesNothingMore) {
  const std::string nothing = "version -1.-1 inputs 0 lp 1 hp 1 extras 0 notch 0 gains 0 ranges 0";
  for (int i = 1; i <= 3; ++i) AddChannel(kChannel + i, "df3");
  Start("df3").faults.silent = true;
  sim.channel(kChannel + 1).faults.stallAfterFirstChar = true;
  sim.channel(kChannel + 2).faults.garbage = true;
  sim.channel(kChannel + 3).faults.deadAfter = "?HD0";
  Read(0, kChannel + 1);
  EXPECT_EQ(Summary(State(kChannel + 1)), nothing);
  EXPECT_EQ(Cutoffs(State(kChannel + 1).lowPassTypes[0]), (std::vector<double>{0}));
  EXPECT_EQ(Cutoffs(State(kChannel + 1).highPassTypes[0]), (std::vector<double>{0}));
  sim.ClearReceived();
  logFile.files.clear();
  Link().reinitNeeded = 0;
  const double start = clock.NowMs();
  Read();
  // Nineteen queries wait their full second and the tick past it, a list's
  // three attempts are 100 ms apart, and the selection takes 27 ms.
  EXPECT_NEAR(clock.NowMs() - start, 19 * 1001 + 5 * 2 * 100 + 27, 2);
  EXPECT_EQ(Summary(State()), nothing);
  EXPECT_EQ(Describe(State().lowPassTypes[0]), "2-pole B'Worth 1 0-0: 0");
  EXPECT_EQ(Describe(State().highPassTypes[0]), "2-pole B'Worth 1 0-0: 0");
  EXPECT_EQ(Link().reinitNeeded, 1);
  EXPECT_EQ(Sent(), (Texts{";;CH3;", "?RV;", "?IS;", "?IS;", "?IS;", "?LF;", "?LS;", "?LS;",
                           "?LS;", "?HF;", "?HS;", "?HS;", "?HS;", "?NT;", "?GS;", "?GS;",
                           "?GS;", "?OS;", "?OS;", "?OS;"}));
  Texts expected;
  for (const char* list : {"IS", "LS", "HS", "GS", "OS"}) {
    const Texts three = Failures(list, kNoCount, 3);
    expected.insert(expected.end(), three.begin(), three.end());
  }
  EXPECT_EQ(LogLines(), expected);

  Link().reinitNeeded = 0;
  Read(0, kChannel + 3);
  EXPECT_EQ(Summary(State(kChannel + 3)), "version 22.4 ext df inputs 4 lp 2 hp 0 extras 0 notch 0 gains 0 ranges 0");
  EXPECT_EQ(Link().reinitNeeded, 1);

  Read(0, kChannel + 2);
  const ChannelState& noisy = State(kChannel + 2);
  EXPECT_EQ(std::tuple(noisy.versionLevel, noisy.inputCount, noisy.gainCount), std::tuple(-1, 0, 0));
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

TEST_F(ChannelReadTest, NumbersFromTheDeviceReadTheSameWhateverTheHostsLocale) {
  AddChannel(kChannel + 1, "df3");
  Start("df3");
  Read(0, kChannel);
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  // A host may set the C runtime's locale to one whose decimal separator is a comma.
  ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "de_DE.UTF-8 is missing: scripts/setup.sh generates it";
  Read(0, kChannel + 1);
  // Leading numbers, read leniently; never a comma, an infinity or hex.
  const std::pair<const char*, double> doubles[] = {
      {" 12.5 V", 12.5}, {"\t\n\v\f\r 2", 2}, {"+5", 5}, {".5", 0.5}, {"5.", 5}, {"-2e-3", -0.002}, {"1e", 1},
      {"0,5", 0}, {"inf", 0}, {"-nan", 0}, {"0x10", 0}, {"1e999", 0}, {". 5", 0}, {"", 0}};
  for (const auto& [text, value] : doubles) EXPECT_EQ(ReplyDouble(text), value) << text;
  EXPECT_TRUE(std::signbit(ReplyDouble("-0.0")));
  const std::pair<const char*, int32_t> integers[] = {
      {"  -12 Hz", -12}, {"\t7", 7}, {"+7", 7}, {"3.9", 3}, {"--5", 0}, {"x1", 0}, {"0x10", 0},
      {"2147483648", INT32_MAX}, {"-2147483648", INT32_MIN}, {"-99999999999999999999", INT32_MIN}};
  for (const auto& [text, value] : integers) EXPECT_EQ(ReplyInteger(text), value) << text;
  std::setlocale(LC_ALL, previous.c_str());
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
