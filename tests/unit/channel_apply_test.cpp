// Bringing a channel to a record: the commands in their order, what is sent
// again and what not, the rewriting of the host's scaling, requests that the
// channel cannot follow, and the choice of gain, cut-off and offset range.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <tuple>

#include "api/chan_settings.h"
#include "channel/read_state.h"
#include "channel/setting_commands.h"
#include "channel/value_snapping.h"
#include "library_fixture.h"
#include "profile.h"

namespace condvorn::testing {
namespace {

constexpr int kChannel = 3;

class ApplyTest : public LibraryTest {
 protected:
  // Channel kChannel discovered; with `select`, also selected with its state
  // read and that traffic forgotten, so that a test sees only what one
  // apply operation sends.
  template <typename Profile>
  void Start(const Profile& profile, bool select = true) {
    StartWith(kChannel, profile);
    if (!select) return;
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
// (A new input, selected with its lists before the gain is re-applied, is
// proved end to end under Wine.)

TEST_F(ApplyTest, AFullApplySendsEverySettingInOrderAndARepeatSendsNothing) {
  Start("df3", false);
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
  Start("df3", false);
  ApplySettings(kChannel, record);
  sim.ClearReceived();
  record.flags = COND_FLAG_NOTCH | COND_FLAG_FALLING_EDGE;
  record.extraValues[3] = -7;
  ApplySettings(kChannel, record);
  // Gain, offset and the switches always go out again; cut-offs and extra
  // settings only when they changed. (Scale 0: the record cannot express
  // an offset, and none is sent.)
  EXPECT_EQ(Sent(), (Texts{";;CH3;", "IP1;", "GN1;", "AC0;", "NF1;", "TG1;",
                           "TP0;", "FA2;", "FS-7;"}));
  EXPECT_TRUE(sim.channel(kChannel).settings.notch);
  EXPECT_EQ(sim.channel(kChannel).settings.triggerEdge, 0);
}

TEST_F(ApplyTest, AnOlderChannelGetsNoTriggerEdgeNoExtrasAndNoFilterTypes) {
  Start("old-firmware", false);  // gains 1, 10, 100, 1000; ranges 1, 10
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
  EXPECT_EQ(std::pair(Applied().flags, Applied().extraValues[5]), std::pair(uint16_t{0xF}, 4.0f));
}

// ---- Gain and offset ----

TEST_F(ApplyTest, AGainSnapsToTheNearestGainThatCanScaleAndTheScaleFollows) {
  const struct {
    std::vector<double> gains;
    double request;
    std::optional<std::string> command;  // none: the record keeps gain 2 and scale 0.5
    float newGain;
  } cases[] = {
      {{1, 10, 100}, 30, "GN2;", 10},
      {{1, 10, 100}, kNaN, "GN1;", 1},
      {{0, 10, 1e300}, 0, "GN2;", 10},  // never 0, nor a gain beyond a float's range
      {{1e-50, 4}, 0, "GN2;", 4},       // 1e-50 is 0 in single precision
      {{}, 100, {}, 2},
      {{0, 0}, 100, {}, 2},
  };
  int channel = kChannel;
  for (const auto& c : cases) sim.AddChannel(++channel, GainsAndRanges(c.gains));
  Discover(kChannel + 1, channel);
  channel = kChannel;
  for (const auto& c : cases) {
    ReadChannelState(++channel, record);
    sim.ClearReceived();
    record.scale = 0.5f;
    record.gain = 2;
    ApplyGain(c.request, record);
    Texts expected = {"OR1;", "OF0;"};
    if (c.command) expected.insert(expected.begin(), *c.command);
    EXPECT_EQ(Sent(), expected) << c.request;
    EXPECT_EQ(record.gain, c.newGain);
    EXPECT_FLOAT_EQ(record.scale * record.gain, 1.0f);
    EXPECT_EQ(Channels().appliedSettings[channel].gain, c.newGain);
  }
}

TEST_F(ApplyTest, AChangeWhoseValuesAFloatCannotHoldIsNotSent) {
  Start(GainsAndRanges());  // ranges 0.5 and 5: at scale 1e30 up to 3.3e34
  const float largest = std::numeric_limits<float>::max();
  record.scale = largest;
  record.gain = 100;
  ApplyGain(1, record);  // the scale would become 100 times the largest float
  EXPECT_EQ(std::pair(record.gain, record.scale), std::pair(100.0f, largest));
  EXPECT_EQ(Sent(), (Texts{"OR1;", "OF0;"})) << "no gain, the offset as always";
  sim.ClearReceived();
  record = DefaultChanSettings();
  record.scale = 1e30f;
  record.zero = largest;
  ApplyOffset(-1e33, record);  // zero would move beyond the largest float
  EXPECT_EQ(std::pair(record.offset, record.zero), std::pair(0.0f, largest));
  EXPECT_TRUE(Sent().empty());
}

TEST_F(ApplyTest, AnOffsetIsSetWithTheFinestRangeThatCoversIt) {
  Start(GainsAndRanges());
  const struct {
    float scale;
    double request;
    Texts sent;
    double offset;  // what the code sent stands for; as it was when nothing is sent
  } cases[] = {
      {1, 1000, {"OR1;", "OF10000;"}, 1000},
      {1, 1001, {"OR1;", "OF10010;"}, 10010 * 0.5 / 32768 * 6553.6},
      {1, 1e6, {"OR2;", "OF32767;"}, 32767},  // beyond every range: the largest, at its end
      {1, -1e6, {"OR2;", "OF-32768;"}, -32768},
      // No finite code, or a record without scaling: nothing is sent.
      {1, kNaN, {}, 0.25},
      {1, kInfinity, {}, 0.25},
      {0, 0, {}, 0.25},
      {0, 3, {}, 0.25},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request);
    sim.ClearReceived();
    record.scale = c.scale;
    record.zero = 50;
    record.offset = 0.25;
    const float sentBefore = Applied().offset;
    ApplyOffset(c.request, record);
    EXPECT_EQ(Sent(), c.sent);
    EXPECT_FLOAT_EQ(record.offset, c.offset);
    EXPECT_FLOAT_EQ(record.zero + record.offset, 50.25f) << "zero moves by the old offset minus the new";
    EXPECT_EQ(Applied().offset, c.sent.empty() ? sentBefore : record.offset) << "the offset last sent";
  }
}

TEST_F(ApplyTest, TheOffsetSetIsTheCodeTimesStepGainAndConversionInThatOrder) {
  Start(GainsAndRanges());
  // Scalings as hosts write them: in a few cases in a thousand another order
  // of the same products changes the last bit of the offset written back.
  std::mt19937 random(7);
  const auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
  const double adcRanges[] = {1, 2.5, 5, 10};
  for (int i = 0; i < 10000; ++i) {
    const double adcRange = adcRanges[i % 4];
    SetADCRange(adcRange);
    record.scale = static_cast<float>(pick(1, 9) * std::pow(10.0, pick(-5, 0)));
    record.gain = static_cast<float>(std::pow(10.0, pick(0, 3)));
    const float request = static_cast<float>(pick(-1000, 1000) / 1000.0 * MaxOffset(kChannel, record));
    ApplyOffset(request, record);
    // k = (32768 / adcRange) x scale; needed = offset / (gain x k); n x step x gain x k.
    const double k = (32768 / adcRange) * record.scale;
    const double needed = request / (record.gain * k);
    const double step = (std::fabs(needed) <= 0.5 ? 0.5 : 5) / 32768;
    const double n = std::floor(std::clamp(needed / step, -32768.0, 32767.0) + 0.5);
    ASSERT_EQ(record.offset, static_cast<float>(n * step * record.gain * k)) << i;
  }
}

TEST_F(ApplyTest, AChannelWithoutOffsetRangesGetsNoOffsetCommands) {
  Start("minimal");
  record.scale = 1;
  record.zero = 2;
  record.offset = 5;
  ApplyOffset(5, record);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(std::pair(record.offset, record.zero), std::pair(0.0f, 7.0f));
}

// ---- Filters ----

TEST_F(ApplyTest, ASteppedCutoffSnapsATieKeepsTheLowerEntryAndAMissingCharacteristicIsTheFirst) {
  Start("df3");
  record.lowPassType = 1;  // stepped 0, 1, 10, 100, 1000
  ApplyLowPass(60, record);
  EXPECT_EQ(record.lowPassCutoff, 100.0f);
  ApplyLowPass(60, record);
  ApplyLowPass(55, record);
  EXPECT_EQ(record.lowPassCutoff, 10.0f);
  EXPECT_EQ(Sent(), (Texts{"LD2;", "LP3;", "LD2;", "LP2;"}));
  EXPECT_EQ(std::pair(Applied().lowPassType, Applied().lowPassCutoff), std::pair(int16_t{1}, 10.0f));
  sim.ClearReceived();
  for (int16_t type : {7, -1}) {
    record.lowPassType = type;
    InvalidateApplied(kChannel);
    ApplyLowPass(200, record);
    EXPECT_EQ(record.lowPassType, 0);  // continuous "Bessel"
  }
  EXPECT_EQ(Sent(), (Texts{"LD1;", "LO200;", "LD1;", "LO200;"}));
}

TEST_F(ApplyTest, ContinuousCutoffsGoOutAsPrintfWritesThem) {
  Start("df1");
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

// ---- Extra settings ----

TEST_F(ApplyTest, ExtraValuesAreSentAsTheyRoundAndOnlyWhenTheRecordCanKeepThem) {
  Start("df3");  // "Excitation": four choices in slot 0; "Bridge balance": a number in slot 3
  const struct {
    int32_t index;
    double value;
    std::optional<std::string> command;  // none: nothing sent, the record as it was
  } cases[] = {
      {0, 2.4, "FS2;"}, {0, 2.5, "FS3;"}, {0, 99, "FS99;"}, {0, -2, "FS-2;"},  // not checked against the list
      {0, kNaN, {}}, {0, 3e9, {}}, {0, -2147483648.0, "FS-2147483648;"},
      {1, 1e-7, "FS1e-07;"}, {1, kNaN, {}}, {1, -kInfinity, {}}, {1, 1e39, {}}, {7, 2.5, {}},
  };
  for (const auto& c : cases) {
    sim.ClearReceived();
    record.extraValues[0] = record.extraValues[3] = 0.5f;
    ApplyExtraSetting(c.value, c.index, record);
    const float kept = record.extraValues[c.index == 0 ? 0 : 3];
    if (c.command) {
      EXPECT_EQ(Sent(), (Texts{"FA" + std::to_string(c.index + 1) + ";", *c.command})) << c.value;
      EXPECT_EQ(kept, std::stof(c.command->substr(2))) << c.value;
    } else {
      EXPECT_TRUE(Sent().empty()) << c.value;
      EXPECT_EQ(kept, 0.5f) << c.value;
    }
  }
}

// ---- Choosing a gain, a cut-off or an offset range from the lists ----

class SnappingTest : public LibraryTest {
 protected:
  SnappingTest() {
    ResetChannelTables();
    Channels().currentChannel = 7;
  }

  // Fills `values` and its count from a list.
  template <typename T>
  static void Set(const std::vector<double>& list, int32_t& count, T& values) {
    count = static_cast<int32_t>(list.size());
    std::copy(list.begin(), list.end(), values);
  }
  void SetRanges(const std::vector<double>& ranges) { Set(ranges, state.offsetRangeCount, state.offsetRanges); }

  ChannelState& state = Channels().channelStates[7];
};

TEST_F(SnappingTest, TheNearestGainWinsATieKeepsTheEarlierOneAndAnEmptyListGivesTheFirstEntry) {
  Set({1, 2, 5, 10}, state.gainCount, state.gains);
  // No number is equally far from every gain: the first is taken.
  const std::pair<double, int> cases[] = {{8, 3},   {7.5, 2},  {3.5, 1},       {-100, 0},
                                          {1e9, 3}, {kNaN, 0}, {kInfinity, 0}, {-kInfinity, 0}};
  for (const auto& [gain, index] : cases) EXPECT_EQ(NearestGainIndex(gain), index) << gain;
  state.gainCount = 0;
  EXPECT_EQ(NearestGainIndex(100), 0);
}

TEST_F(SnappingTest, ModeCodesAndTheOffEntryTakePartInCutoffLists) {
  state.highPassTypeCount = 1;
  Set({0, -10, -11, -1}, state.highPassTypes[0].cutoffCount, state.highPassTypes[0].cutoffs);
  const std::pair<double, int> cases[] = {{-10.4, 1}, {0, 0}, {-10.5, 1} /* tie */, {-10.6, 2}};
  for (const auto& [cutoff, index] : cases) EXPECT_EQ(NearestHighPassIndex(cutoff, 0), index) << cutoff;
  // A characteristic the channel lacks gives the first cut-off.
  EXPECT_EQ(std::vector({NearestHighPassIndex(-1, -1), NearestHighPassIndex(-1, 1), NearestLowPassIndex(10, 0)}),
            std::vector({0, 0, 0}));
}

TEST_F(SnappingTest, TheSmallestCoveringOffsetRangeIsChosenByMagnitude) {
  // Ranges, the offset needed, the range chosen. Equal magnitudes keep the first.
  const std::tuple<std::vector<double>, double, int> cases[] = {
      {{0.5, 5, 50}, 0.2, 0}, {{0.5, 5, 50}, 3, 1},   {{0.5, 5, 50}, 500, 2},        {{0.5, 5, 50}, -4, 1},
      {{0.5, 5, 50}, 5, 1},   {{0.5, 5, 50}, kNaN, 2}, {{0.5, 5, 50}, -kInfinity, 2}, {{-5, 5}, 1, 0},
      {{-5, 5}, 9, 0},        {{5, 50, -50}, kNaN, 1}, {{}, 0, -1},
  };
  for (const auto& [ranges, offset, index] : cases) {
    SetRanges(ranges);
    EXPECT_EQ(ChooseOffsetRange(offset), index) << offset;
  }
}

TEST_F(SnappingTest, OffsetSpansAreInHostUnitsForTheChannelGiven) {
  SetRanges({0.5, -5});
  ChanSettings settings = DefaultChanSettings();
  settings.scale = 1;
  settings.gain = 10;
  EXPECT_DOUBLE_EQ(MaxOffset(7, settings), 327680.0);
  EXPECT_DOUBLE_EQ(SmallestRangeOffset(7, settings), 32768.0);
  Channels().adcRange = 10.0;
  EXPECT_DOUBLE_EQ(MaxOffset(7, settings), 163840.0);
  SetRanges({});
  EXPECT_EQ(std::pair(MaxOffset(7, settings), SmallestRangeOffset(7, settings)), std::pair(0.0, 0.0));

  Channels().channelStates[9].offsetRangeCount = 1;  // not the current channel
  Channels().channelStates[9].offsetRanges[0] = 2;
  settings.gain = 1;
  Channels().adcRange = 5.0;
  EXPECT_DOUBLE_EQ(MaxOffset(9, settings), 2 * 6553.6);
}

}  // namespace
}  // namespace condvorn::testing
