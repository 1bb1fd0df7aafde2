// A line that dies in the middle of an exchange, in each of its ways: every
// call returns within the time its time-outs allow, asks for rediscovery,
// and once the line is back, KillCond and InitCond(0) find the channels and
// the calls give the right answers again.
#include <tuple>

#include "api/chan_settings.h"
#include "library_fixture.h"

namespace condvorn::testing {
namespace {

using vornsim::DeathKind;
using vornsim::LineDeath;

// The waits a call can meet, in ms: a selection (at most seven characters at
// 9600 baud, then a pause), a channel's first character, the rest of a
// probe's reply, any other reply, and a list (asked three times, with a
// 100 ms pause between two attempts); and room for the bytes that still
// cross the line before it dies.
constexpr double kSelection = 7 * 1.0417 + 20, kFirstChar = 30, kProbeReply = 100, kReply = 1000;
constexpr double kList = 3 * kReply + 2 * 100, kWire = 200;

class LineDeathTest : public LibraryTest, public ::testing::WithParamInterface<DeathKind> {
 protected:
  LineDeathTest() {
    AddChannel(0, "df3");
    AddChannel(1, "df1");
    AddChannel(2, "old-firmware");
    record.scale = 0.001f;
  }

  void DieAfterCommands(int commands) { sim.ArmDeath(LineDeath{GetParam(), commands, std::nullopt}); }
  void DieAfterLines(int lines) { sim.ArmDeath(LineDeath{GetParam(), std::nullopt, lines}); }

  // Runs `call`, expects it within `budgetMs` of virtual time, and expects
  // the next InitCond to rediscover.
  template <typename Call>
  void ExpectWithinBudget(double budgetMs, Call call) {
    const double start = clock.NowMs();
    call();
    EXPECT_LE(clock.NowMs() - start, budgetMs);
    EXPECT_EQ(Link().reinitNeeded, 1);
  }

  // The line comes back; the host restarts the library as after any
  // failure, and the channels are found again.
  void Recover() {
    sim.Revive();
    KillCond();
    sim.ClearReceived();
    EXPECT_EQ(InitCond(0), 0);
    EXPECT_EQ(Count("?CH;"), 4) << "channels 0 to 2 and the silent 3 probed again";
  }

  // GetCondInfo2 with every section wanted.
  int32_t Info(int port) {
    info.size = sizeof info;
    info.settings = &record;
    info.want = 127;
    return GetCondInfo2(port, &info);
  }

  // The capabilities of the df3 channel 0, asked with a record for its first input.
  void ExpectFullCapabilities() {
    record.input = 0;
    ASSERT_EQ(Info(0), 0);
    EXPECT_EQ(std::tuple(info.inputCount, info.gainCount, info.lowPassTypeCount, info.highPassTypeCount,
                         info.extraSettingCount),
              std::tuple(4, 10, 2, 3, 2));
    EXPECT_STREQ(info.typeText, "Vorn222");
  }

  ChanSettings record = DefaultChanSettings();
  CondInfo info{};
};

INSTANTIATE_TEST_SUITE_P(EveryDeath, LineDeathTest,
                         ::testing::Values(DeathKind::kSilence, DeathKind::kClose, DeathKind::kGarbage));

TEST_P(LineDeathTest, DuringAFirstCapabilityRead) {
  Discover(0, 0);
  // Version, "DF", then the input list breaks off after its count and one name.
  DieAfterLines(4);
  // The input list, the four single queries of the filters, extra settings
  // and notch, then the gain and offset-range lists, all time out.
  ExpectWithinBudget(kSelection + 3 * kList + 4 * kReply + kWire, [&] { EXPECT_EQ(Info(0), 0); });
  Recover();
  ExpectFullCapabilities();
}

TEST_P(LineDeathTest, DuringAScanOfEveryChannelNumber) {
  Configure(1, 0, 0, 127);
  DieAfterCommands(1);  // the first selection, then nothing
  // Every number is selected and waited for; noise may start one reply
  // that never ends and pass for a channel number whose version never comes.
  ExpectWithinBudget(128 * (kSelection + kFirstChar) + kProbeReply + kReply + kWire,
                     [&] { EXPECT_EQ(InitCond(1), COND_ERR_NO_CHANNEL); });
  Configure(1, 0, 0, 0);
  Recover();
  ExpectFullCapabilities();
}

TEST_P(LineDeathTest, DuringAFullSetCondChan) {
  Discover(0, 0);
  ExpectFullCapabilities();
  sim.ClearReceived();
  // A new input and everything else: the input's gain and offset-range
  // lists are read, and the line dies once the input command is out.
  ChanSettings wanted = record;
  wanted.input = 1;
  wanted.gain = 10.0f;
  wanted.offset = 0.002f;
  wanted.lowPassCutoff = 100.0f;
  wanted.flags = COND_FLAG_AC_COUPLING | COND_FLAG_NOTCH;
  wanted.extraValues[1] = 2.0f;
  ChanSettings sent = wanted;
  DieAfterCommands(2);
  ExpectWithinBudget(kSelection + 2 * kList + kWire, [&] { EXPECT_EQ(SetCondChan(0, &sent), 0); });

  Recover();
  sent = wanted;
  ASSERT_EQ(SetCondChan(0, &sent), 0);
  const vornsim::DeviceSettings& device = sim.channel(0).settings;
  EXPECT_EQ(device.input, 2);
  EXPECT_EQ(device.gain, 4);
  EXPECT_TRUE(device.acCoupling && device.notch);
  EXPECT_EQ(sent.gain, 10.0f);
  EXPECT_FLOAT_EQ(sent.scale, wanted.scale);
}

}  // namespace
}  // namespace condvorn::testing
