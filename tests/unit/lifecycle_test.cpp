// InitCond's discovery rules, KillCond, the small exports and ReportError.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "api/report_error.h"
#include "library_fixture.h"
#include "link/transport.h"

namespace condvorn::testing {
namespace {

using LifecycleTest = LibraryTest;

// The channels that were sent "?CH;", in order.
std::vector<int> ProbedChannels(const vornsim::Simulator& sim) {
  std::vector<int> probed;
  for (const auto& r : sim.received())
    if (r.text == "?CH;") probed.push_back(r.channel);
  return probed;
}

// A scan from "First" to "Last" over channels that answer: which channels are
// probed and what InitCond returns.
struct Scan {
  int32_t first, last;
  std::vector<int> answering;
  std::vector<int> probed;
  int32_t result;
};

class ScanTest : public LifecycleTest, public ::testing::WithParamInterface<Scan> {};

TEST_P(ScanTest, ProbesTheConfiguredRangeAndOnWhileChannelsAnswer) {
  const Scan& scan = GetParam();
  Configure(1, 0, scan.first, scan.last);
  for (int channel : scan.answering) AddChannel(channel, "old-firmware");
  EXPECT_EQ(InitCond(1), scan.result);
  EXPECT_EQ(ProbedChannels(sim), scan.probed);
  // Found, not there, or not probed.
  for (int channel = 0; channel < kChannelCount; ++channel) {
    const bool probed = std::count(scan.probed.begin(), scan.probed.end(), channel) > 0;
    const bool found = std::count(scan.answering.begin(), scan.answering.end(), channel) > 0;
    EXPECT_EQ(Link().channelStatus[channel], found ? 0 : probed ? COND_ERR_NO_CHANNEL : COND_ERR_NO_LINK);
  }
  EXPECT_EQ(Link().reinitNeeded, scan.result == 0 ? 0 : 1);
  EXPECT_EQ(link.lastOpenedPort, 1);
  EXPECT_EQ(link.lastOpenMode, -1);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ScanTest,
    ::testing::Values(Scan{0, 3, {1}, {0, 1, 2, 3}, 0},  // up to Last
                      Scan{0, 3, {0, 1, 2, 3, 4, 5, 6}, {0, 1, 2, 3, 4, 5, 6, 7}, 0},  // past Last
                      Scan{126, 0, {126, 127}, {126, 127}, 0},  // not beyond channel 127
                      Scan{-5, 0, {0}, {0, 1}, 0},              // First clamped to 0
                      Scan{128, 0, {}, {}, COND_ERR_NO_CHANNEL}));  // First beyond the table

TEST_F(LifecycleTest, NoChannelFoundKeepsLoggingAndTheNextCallProbesAgain) {
  Configure(1, 1, 0, 1);
  EXPECT_EQ(InitCond(0), COND_ERR_NO_CHANNEL);
  EXPECT_EQ(Link().reinitNeeded, 1);
  EXPECT_EQ(Link().logActive, 1);
  EXPECT_EQ(Link().linkStatus, 0);
  AddChannel(1);
  sim.ClearReceived();
  EXPECT_EQ(InitCond(0), 0);
  EXPECT_EQ(ProbedChannels(sim), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(Link().logActive, 0);
}

TEST_F(LifecycleTest, WritesAFreshLogForEachInitialisation) {
  Configure(4, 1, 0, 0);
  AddChannel(0);
  EXPECT_EQ(InitCond(0), 0);
  const std::vector<std::string> expected = {
      "Beginning initialisation/setup process for Vorn support",
      "About to open serial port 4 for use with Vorns",
      "Found Vorn channel 0 OK",
      "Timed out waiting for response for Vorn channel 1",
  };
  EXPECT_EQ(LogLines(), expected);
  KillCond();
  EXPECT_EQ(InitCond(1), 0);
  EXPECT_EQ(LogLines(), expected) << "the first run's lines are gone";
  EXPECT_EQ(logFile.creates, 2);

  Configure(4, 0, 0, 0);  // without "Dump" no log file is created
  KillCond();
  InitCond(1);
  EXPECT_EQ(logFile.creates, 2);
}

TEST_F(LifecycleTest, AnUncreatableLogIsReportedOnceAndInitialisationGoesOn) {
  Configure(1, 1, 0, 0);
  AddChannel(0);
  logFile.unwritable.insert("C:\\Lab\\ZELCOND.LOG");
  EXPECT_EQ(InitCond(0), 0);
  EXPECT_EQ(host.messages, (std::vector<std::string>{"Unable to create diagnostic log file for signal conditioner"}));
}

TEST_F(LifecycleTest, PortNoneDisablesAccessWithoutOpening) {
  config.ini["Port"] = "nOnE";
  config.ini["Dump"] = "1";
  EXPECT_EQ(InitCond(0), COND_ERR_NO_LINK);
  EXPECT_EQ(link.opens, 0);
  EXPECT_EQ(LogLines().back(), "Conditioner settings give None as serial port - access disabled");
  EXPECT_EQ(Link().logActive, 0);
  EXPECT_EQ(config.registry["Port"].dword, 0xFFFFFFFFu);
}

TEST_F(LifecycleTest, AnOpenFailureLeavesTheLinkClosed) {
  Configure(2, 1, 0, 0);
  link.openError = 5;
  Link().reinitNeeded = 0;
  EXPECT_EQ(InitCond(0), COND_ERR_NO_LINK);
  EXPECT_EQ(LogLines().back(), "Attempt to open serial port 2 returned error code 5");
  EXPECT_EQ(Link().reinitNeeded, 1);
  EXPECT_EQ(Link().linkStatus, COND_ERR_NO_LINK);
}

TEST_F(LifecycleTest, KillThenInitZeroReopensWithoutProbing) {
  Configure(1, 0, 0, 2);
  AddChannel(2);
  EXPECT_EQ(InitCond(0), 0);
  KillCond();
  EXPECT_EQ(link.closes, 1);
  EXPECT_EQ(Link().linkStatus, COND_ERR_NO_LINK);
  EXPECT_EQ(Link().channelStatus[2], 0) << "discovery is kept";
  KillCond();
  EXPECT_EQ(link.closes, 1) << "a closed port is not closed again";

  sim.ClearReceived();
  EXPECT_EQ(InitCond(0), 0);
  EXPECT_EQ(link.opens, 2);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(Link().channelStatus[2], 0);
}

TEST_F(LifecycleTest, AReplyTimeOutInOperationMakesTheNextInitProbeAgain) {
  Configure(1, 0, 0, 0);
  AddChannel(0);
  EXPECT_EQ(InitCond(0), 0);
  char buffer[20];
  EXPECT_EQ(ReadStr(buffer, 20, 100), 0);
  KillCond();
  sim.ClearReceived();
  EXPECT_EQ(InitCond(0), 0);
  EXPECT_EQ(ProbedChannels(sim), (std::vector<int>{0, 1}));
}

TEST_F(LifecycleTest, TheFixedFactsAnswerInAnyState) {
  EXPECT_EQ(GetCondType(), 1);
  EXPECT_EQ(SetPellProc(nullptr), 0);
  SetADCRange(10.0);
  for (double refused : {0.0, -5.0, kNaN, kInfinity}) SetADCRange(refused);
  EXPECT_EQ(Channels().adcRange, 10.0) << "only a finite, positive range is taken";
  KillCond();
  EXPECT_EQ(GetCondType(), 1);
}

TEST_F(LifecycleTest, ReportErrorShowsTwoLinesAndReturnsTheExplainingStatus) {
  EXPECT_EQ(ReportError(COND_ERR_NO_LINK), COND_ERR_NO_LINK);
  Link().linkStatus = 0;
  Link().channelStatus[5] = COND_ERR_NO_CHANNEL;
  Link().channelStatus[6] = COND_ERR_COMMS;
  EXPECT_EQ(ReportError(5), COND_ERR_NO_CHANNEL);
  EXPECT_EQ(ReportError(6), COND_ERR_COMMS);
  EXPECT_EQ(ReportError(COND_ERR_BAD_RECORD), 0);
  EXPECT_EQ(ReportError(COND_ERR_NO_PORTS), 0);
  EXPECT_EQ(host.messages, (std::vector<std::string>{
                               "Vorn hardware not available\nCannot open comm port for Vorn communications",
                               "Vorn for ADC port 5 not available\nVorn channel not installed/available",
                               "Vorn for ADC port 6 not available\nCommunications failure in Vorn initialisation",
                               "Conditioner support DLL is invalid or DLL version is too old\n"
                               "Error code for failure is unknown : 0",
                               "No ADC ports in use\nError code for failure is unknown : 0",
                           }));
}

}  // namespace
}  // namespace condvorn::testing
