// The host's channel-settings exports on a simulated line: their gates, the
// worked examples of scaling, and what a careless host may throw at them.
// (What GetCondInfo2 fills is proved end to end under Wine.)
#include <cstring>
#include <functional>
#include <tuple>

#include "api/chan_settings.h"
#include "library_fixture.h"

namespace condvorn::testing {
namespace {

class ChannelExportsTest : public LibraryTest {
 protected:
  ChannelExportsTest() {
    vornsim::Channel& c3 = AddChannel(3, "df1");
    c3.profile.inputs = {vornsim::InputProfile{"Diff", {1, 2, 5, 10}, {0.5, 5}},
                         vornsim::InputProfile{"Single", {1, 3, 5}, {1}}};
    Discover(0, 3);
    record.scale = 1.0f;
  }

  ChanSettings record = DefaultChanSettings();
};

TEST_F(ChannelExportsTest, SetCondChanFoldsTheConditionerOutOfAnUnusablePortAndAppliesOnce) {
  ASSERT_EQ(Link().channelStatus[2], COND_ERR_NO_CHANNEL);
  record.scale = 0.001f;
  record.zero = 1.0f;
  record.gain = 10.0f;
  record.offset = 2.0f;
  EXPECT_EQ(SetCondChan(2, &record), 0);
  EXPECT_FLOAT_EQ(record.scale, 0.01f);
  EXPECT_EQ(std::tuple(record.zero, record.gain, record.offset), std::tuple(3.0f, 1.0f, 0.0f));
  EXPECT_TRUE(Sent().empty());

  record = DefaultChanSettings();
  record.gain = 5.0f;
  record.changed = 1;
  EXPECT_EQ(SetCondChan(3, &record), 0);
  EXPECT_EQ(record.changed, 0);
  EXPECT_EQ(sim.channel(3).settings.gain, 3);
  // A capability read for another input takes the channel off the record's
  // input: the record's next apply selects it again, with its gain.
  ChanSettings scratch = record;
  scratch.input = 1;
  CondInfo info{};
  info.size = sizeof info;
  info.settings = &scratch;
  EXPECT_EQ(GetCondInfo2(3, &info), 0);
  sim.ClearReceived();
  EXPECT_EQ(SetCondChan(3, &record), 0);
  EXPECT_EQ(sim.channel(3).settings.input, 1);
  EXPECT_GT(Count("GN3;"), 0);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(ChannelExportsTest, GainStepsUpAndDownAlongTheChannelsList) {
  record.gain = 2.0f;
  record.scale = 0.5f;
  EXPECT_EQ(CondGainChange(1, 3, &record), 0);
  EXPECT_EQ(std::pair(record.gain, sim.channel(3).settings.gain), std::pair(5.0f, 3));
  EXPECT_FLOAT_EQ(record.scale * record.gain, 1.0f);
  EXPECT_EQ(CondGainChange(0, 3, &record), 0);
  EXPECT_EQ(record.gain, 2.0f);
  EXPECT_FLOAT_EQ(record.scale * record.gain, 1.0f);

  // Down from 5 asks for 2 exactly (5 x 0.4 rounded to single precision),
  // equally far from 1 and 3: the earlier gain wins.
  record.input = 1;
  EXPECT_EQ(CondGainTo(5.0f, 3, &record), 0);
  EXPECT_EQ(CondGainChange(0, 3, &record), 0);
  EXPECT_EQ(record.gain, 1.0f);
}

TEST_F(ChannelExportsTest, OffsetsStepByATenthOfTheLargestOffset) {
  EXPECT_EQ(CondOffsTo(1000.0f, 3, &record), 0);
  EXPECT_EQ(record.offset, 1000.0f);
  // 5 V range, 6553.6 codes per volt.
  EXPECT_EQ(CondOffsChange(1, 3, &record), 0);
  EXPECT_NEAR(record.offset, 1000.0 + 3276.8, 0.5);
  EXPECT_NEAR(record.zero + record.offset, 0.0, 1e-3);
  EXPECT_EQ(CondOffsChange(0, 3, &record), 0);
  EXPECT_NEAR(record.offset, 1000.0, 0.5);
}

TEST_F(ChannelExportsTest, TheGatesRefuseBadPortsAndRecordsAndReportUnusablePorts) {
  CondInfo info{};
  info.size = sizeof info;
  // Every export that takes a port and a record, called alike; the gain and
  // offset exports (true) report what stops them.
  const std::pair<std::function<int32_t(int32_t, ChanSettings*)>, bool> exports[] = {
      {SetCondChan, false},
      {[](int32_t port, ChanSettings* r) { return CondGainTo(2.0f, port, r); }, true},
      {[](int32_t port, ChanSettings* r) { return CondGainChange(1, port, r); }, true},
      {[](int32_t port, ChanSettings* r) { return CondOffsTo(1.0f, port, r); }, true},
      {[](int32_t port, ChanSettings* r) { return CondOffsChange(1, port, r); }, true},
      {[&](int32_t port, ChanSettings* r) {
         info.settings = r;
         return GetCondInfo2(port, &info);
       },
       false},
  };
  const std::string badRecord =
      "Conditioner support DLL is invalid or DLL version is too old\nError code for failure is unknown : 0";
  for (size_t i = 0; i < std::size(exports); ++i) {
    SCOPED_TRACE(i);
    const auto& [call, reports] = exports[i];
    host.messages.clear();
    for (int32_t port : {-1, 128, INT32_MIN}) EXPECT_EQ(call(port, &record), COND_ERR_BAD_PORT) << port;
    ChanSettings small = record;
    for (uint32_t size : {0u, 100u, 159u}) {
      small.size = size;
      EXPECT_EQ(call(3, &small), COND_ERR_BAD_RECORD) << size;
    }
    EXPECT_EQ(call(3, nullptr), COND_ERR_BAD_RECORD);
    EXPECT_EQ(host.messages, reports ? Texts(4, badRecord) : Texts{}) << "bad ports are refused quietly";
    if (reports) {
      EXPECT_EQ(call(2, &record), COND_ERR_NO_CHANNEL);
      EXPECT_EQ(host.messages.back(), "Vorn for ADC port 2 not available\nVorn channel not installed/available");
    }
  }
  ChanSettings small = record;
  small.size = 159;
  EXPECT_EQ(GetCondChan(3, &small), COND_ERR_BAD_RECORD);
  EXPECT_EQ(GetCondChan(3, nullptr), COND_ERR_BAD_RECORD);
  EXPECT_EQ(GetCondInfo2(3, nullptr), COND_ERR_BAD_RECORD);
  info.size = 25000;
  EXPECT_EQ(GetCondInfo2(3, &info), COND_ERR_BAD_RECORD);
  EXPECT_TRUE(Sent().empty());

  KillCond();
  EXPECT_EQ(CondOffsTo(1.0f, 3, &record), COND_ERR_NO_LINK);
  EXPECT_EQ(host.messages.back(), "Vorn for ADC port 3 not available\nCannot open comm port for Vorn communications");
  // A channel never read reports the version of a failed version read.
  info.size = sizeof info;
  info.settings = &record;
  info.want = COND_WANT_TYPE_TEXT;
  EXPECT_EQ(GetCondInfo2(3, &info), COND_OK);
  EXPECT_STREQ(info.typeText, "Vorn-1-3");
}

TEST_F(ChannelExportsTest, CondOnChanAndGetCondChanWithoutAPanel) {
  // Only an unusable port in range, asked to report, shows a message.
  EXPECT_EQ(std::vector({CondOnChan(3, 1), CondOnChan(2, 0)}), std::vector({1, 0}));
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(std::vector({CondOnChan(2, 1), CondOnChan(200, 1), CondOnChan(-1, 1)}), std::vector({0, 0, 0}));
  EXPECT_EQ(host.messages.size(), 1u);

  ChanSettings before = record;
  EXPECT_EQ(GetCondChan(3, &record), 0);
  EXPECT_EQ(std::memcmp(&before, &record, sizeof record), 0);
}

}  // namespace
}  // namespace condvorn::testing
