// The host's channel-settings exports on a simulated line: their gates,
// the worked examples of scaling, and what a careless host may throw at
// them. (What GetCondInfo2 fills is proved end to end under Wine.)
#include <gtest/gtest.h>

#include <cstring>
#include <string>

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

TEST_F(ChannelExportsTest, SetCondChanFoldsTheConditionerOutOfAnUnusablePort) {
  ASSERT_EQ(Link().channelStatus[2], COND_ERR_NO_CHANNEL);
  record.scale = 0.001f;
  record.zero = 1.0f;
  record.gain = 10.0f;
  record.offset = 2.0f;
  EXPECT_EQ(SetCondChan(2, &record), 0);
  EXPECT_FLOAT_EQ(record.scale, 0.01f);
  EXPECT_FLOAT_EQ(record.zero, 3.0f);
  EXPECT_EQ(record.gain, 1.0f);
  EXPECT_EQ(record.offset, 0.0f);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_TRUE(Sent().empty());
}

TEST_F(ChannelExportsTest, ASecondIdenticalSetCondChanSendsNothing) {
  record.gain = 5.0f;
  record.changed = 1;
  EXPECT_EQ(SetCondChan(3, &record), 0);
  EXPECT_EQ(record.changed, 0);
  EXPECT_FALSE(Sent().empty());
  EXPECT_EQ(sim.channel(3).settings.gain, 3);
  sim.ClearReceived();
  EXPECT_EQ(SetCondChan(3, &record), 0);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(ChannelExportsTest, GainStepsUpAndDownAlongTheChannelsList) {
  record.gain = 2.0f;
  record.scale = 0.5f;
  EXPECT_EQ(CondGainChange(1, 3, &record), 0);
  EXPECT_EQ(record.gain, 5.0f);
  EXPECT_FLOAT_EQ(record.scale * record.gain, 1.0f);
  EXPECT_EQ(sim.channel(3).settings.gain, 3);
  EXPECT_EQ(CondGainChange(0, 3, &record), 0);
  EXPECT_EQ(record.gain, 2.0f);
  EXPECT_FLOAT_EQ(record.scale * record.gain, 1.0f);

  EXPECT_EQ(CondGainTo(8.0f, 3, &record), 0);
  EXPECT_EQ(record.gain, 10.0f);

  // Down from 5 asks for 2 exactly (5 x 0.4 rounded to single precision),
  // equally far from 1 and 3: the earlier gain wins.
  record.input = 1;
  EXPECT_EQ(CondGainTo(5.0f, 3, &record), 0);
  EXPECT_EQ(CondGainChange(0, 3, &record), 0);
  EXPECT_EQ(record.gain, 1.0f);
}

TEST_F(ChannelExportsTest, OffsetsGoToTheSmallestCoveringRange) {
  EXPECT_EQ(CondOffsTo(1000.0f, 3, &record), 0);
  EXPECT_EQ(record.offset, 1000.0f);
  EXPECT_EQ(record.zero, -1000.0f);
  const auto& device = sim.channel(3).settings;
  EXPECT_EQ(device.offsetRange, 1);
  EXPECT_EQ(device.offsetCode, 10000);

  // One tenth of the largest offset (5 V range, 6553.6 codes per volt).
  EXPECT_EQ(CondOffsChange(1, 3, &record), 0);
  EXPECT_NEAR(record.offset, 1000.0 + 3276.8, 0.5);
  EXPECT_NEAR(record.zero + record.offset, 0.0, 1e-3);
  EXPECT_EQ(CondOffsChange(0, 3, &record), 0);
  EXPECT_NEAR(record.offset, 1000.0, 0.5);
}

TEST_F(ChannelExportsTest, RequestsThatAreNoNumberTakeTheFirstGainOrTheLargestRange) {
  // Equally far from every gain: the channel's first is taken.
  for (double request : {kNaN, kInfinity, -kInfinity}) {
    record.gain = 5.0f;
    EXPECT_EQ(CondGainTo(static_cast<float>(request), 3, &record), 0);
    EXPECT_EQ(record.gain, 1.0f) << request;
  }
  // Covered by no range: the largest, at code 0 or at its end.
  const auto& device = sim.channel(3).settings;
  EXPECT_EQ(CondOffsTo(static_cast<float>(kNaN), 3, &record), 0);
  EXPECT_EQ(record.offset, 0.0f);
  EXPECT_EQ(device.offsetRange, 2);
  EXPECT_EQ(device.offsetCode, 0);
  EXPECT_EQ(CondOffsTo(static_cast<float>(-kInfinity), 3, &record), 0);
  EXPECT_EQ(device.offsetCode, -32768);
  // -5 V: 6553.6 ADC codes per volt, each worth gain x scale host units.
  EXPECT_FLOAT_EQ(record.offset, -5 * 6553.6f * record.gain * record.scale);
}

TEST_F(ChannelExportsTest, TheGateReportsUnusablePortsAndBadRecords) {
  EXPECT_EQ(CondGainTo(2.0f, 2, &record), COND_ERR_NO_CHANNEL);
  EXPECT_EQ(host.messages.back(), "Vorn for ADC port 2 not available\nVorn channel not installed/available");

  ChanSettings small = record;
  small.size = 100;
  EXPECT_EQ(CondGainTo(2.0f, 3, &small), COND_ERR_BAD_RECORD);
  EXPECT_EQ(host.messages.back().rfind("Conditioner support DLL is invalid or DLL version is too old\n", 0), 0u);
  for (uint32_t size : {0u, 159u}) {
    small.size = size;
    EXPECT_EQ(SetCondChan(3, &small), COND_ERR_BAD_RECORD);
    EXPECT_EQ(GetCondChan(3, &small), COND_ERR_BAD_RECORD);
    EXPECT_EQ(CondOffsChange(1, 3, &small), COND_ERR_BAD_RECORD);
  }
  EXPECT_EQ(CondGainTo(1.0f, 3, nullptr), COND_ERR_BAD_RECORD);
  EXPECT_TRUE(Sent().empty());

  KillCond();
  EXPECT_EQ(CondOffsTo(1.0f, 3, &record), COND_ERR_NO_LINK);
  EXPECT_EQ(host.messages.back(), "Vorn for ADC port 3 not available\nCannot open comm port for Vorn communications");
}

TEST_F(ChannelExportsTest, CondOnChanAndGetCondChanWithoutAPanel) {
  EXPECT_EQ(CondOnChan(3, 1), 1);
  EXPECT_EQ(CondOnChan(2, 0), 0);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(CondOnChan(2, 1), 0);
  EXPECT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(CondOnChan(200, 1), 0);
  EXPECT_EQ(CondOnChan(-1, 1), 0);
  EXPECT_EQ(host.messages.size(), 1u);

  ChanSettings before = record;
  EXPECT_EQ(GetCondChan(3, &record), 0);
  EXPECT_EQ(std::memcmp(&before, &record, sizeof record), 0);
}

TEST_F(ChannelExportsTest, PortsOutsideTheTablesAndMissingRecordsAreRefusedQuietly) {
  CondInfo info{};
  info.size = sizeof info;
  info.settings = &record;
  for (int32_t port : {-1, 128, 200, INT32_MIN}) {
    EXPECT_EQ(SetCondChan(port, &record), COND_ERR_BAD_PORT) << port;
    EXPECT_EQ(CondGainTo(2.0f, port, &record), COND_ERR_BAD_PORT) << port;
    EXPECT_EQ(CondGainChange(1, port, &record), COND_ERR_BAD_PORT) << port;
    EXPECT_EQ(CondOffsTo(1.0f, port, &record), COND_ERR_BAD_PORT) << port;
    EXPECT_EQ(CondOffsChange(1, port, &record), COND_ERR_BAD_PORT) << port;
    EXPECT_EQ(GetCondInfo2(port, &info), COND_ERR_BAD_PORT) << port;
  }
  EXPECT_TRUE(host.messages.empty());
  // A null record is refused like one of the wrong size.
  EXPECT_EQ(SetCondChan(3, nullptr), COND_ERR_BAD_RECORD);
  EXPECT_EQ(GetCondChan(3, nullptr), COND_ERR_BAD_RECORD);
  EXPECT_EQ(GetCondInfo2(3, nullptr), COND_ERR_BAD_RECORD);
  info.settings = nullptr;
  EXPECT_EQ(GetCondInfo2(3, &info), COND_ERR_BAD_RECORD);
  info.size = 25000;
  info.settings = &record;
  EXPECT_EQ(GetCondInfo2(3, &info), COND_ERR_BAD_RECORD);
  EXPECT_TRUE(Sent().empty());
}

}  // namespace
}  // namespace condvorn::testing
