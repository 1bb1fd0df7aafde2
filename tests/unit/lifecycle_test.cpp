// Where the four settings and the log come from, probing one channel,
// InitCond's discovery rules, KillCond, the small exports and ReportError.
#include <algorithm>
#include <functional>
#include <tuple>

#include "api/report_error.h"
#include "library_fixture.h"
#include "link/diagnostic_log.h"
#include "link/discovery.h"
#include "link/port_config.h"
#include "link/transport.h"

namespace condvorn::testing {
namespace {

using LifecycleTest = LibraryTest;

// ---- Configuration and the log ----

TEST_F(LifecycleTest, SettingsComeFromTheRegistryThenTheIniFileThenTheDefaultsAndAreStored) {
  // The INI text, what is read, and what the registry holds after it.
  const std::tuple<std::optional<std::string>, const char*, int32_t> cases[] = {
      {{}, "Port", 1}, {{}, "Dump", 0}, {{}, "Last", 0}, {"12", "Last", 12},
      {"COM7", "Port", 7}, {"com12", "Port", 12}, {"None", "Port", -1}, {"NONE", "Port", -1},
      {"COM300", "Port", 1}, {"COM0", "Port", 1}, {"2", "Port", 1}, {"COM", "Port", 1},
      {"XYZ256", "Port", 256}, {"COM-4", "Port", 1},
  };
  for (const auto& [text, name, value] : cases) {
    config.registry.clear();
    config.ini.clear();
    if (text) config.ini[name] = *text;
    EXPECT_EQ(ReadConfigValue(name, 0), value) << name << " " << text.value_or("");
    EXPECT_EQ(config.registry[name].dword, static_cast<uint32_t>(value)) << name;
  }
  // A registry value of another type is replaced from the INI file; a DWORD governs.
  config.registry["Port"] = MemoryConfigStore::RegistryValue{false, 0, "COM2"};
  config.ini["Port"] = "COM5";
  EXPECT_EQ(ReadConfigValue("Port", 0), 5);
  EXPECT_EQ(config.registry["Port"].dword, 5u);
  config.WriteRegistryDword("Port", 3);
  config.iniReads = 0;
  EXPECT_EQ(ReadConfigValue("Port", 0), 3);
  EXPECT_EQ(config.iniReads, 0);
}

TEST_F(LifecycleTest, TheLogLiesInTheHostProgramsDirectory) {
  const std::pair<std::optional<std::string>, std::string> cases[] = {
      {"E:\\Tools\\Rec\\host.exe", "E:\\Tools\\Rec\\ZELCOND.LOG"},
      {"D:host.exe", "D:ZELCOND.LOG"},  // the colon counts as a separator
      {"host.exe", "ZELCOND.LOG"},
      {std::nullopt, "ZELCOND.LOG"},
      // A path that does not fit the 520-character buffer gives no directory.
      {"C:\\" + std::string(520, 'x') + "\\host.exe", "ZELCOND.LOG"},
  };
  for (const auto& [executable, log] : cases) {
    host.executablePath = executable;
    LoadLibraryState();
    EXPECT_EQ(LogFilePath(), log);
  }
}

TEST_F(LifecycleTest, LogLinesAreWrittenWhileLoggingIsActiveCutToTheirBufferOrDroppedSilently) {
  LogLine("not written");
  EXPECT_TRUE(logFile.files.empty());
  Link().logActive = 1;
  LogLine("written");
  LogFormat("channel %d", 4);
  LogLine(std::string(300, 'm').c_str());
  EXPECT_EQ(logFile.files[LogFilePath()], "written\r\nchannel 4\r\n" + std::string(149, 'm') + "\r\n");
  logFile.files.clear();
  logFile.unwritable.insert(LogFilePath());
  LogLine("lost");
  EXPECT_TRUE(logFile.files.empty());
  EXPECT_TRUE(host.messages.empty());
}

// ---- Probing one channel ----

TEST_F(LifecycleTest, AProbeEndsInOneOutcomeWithItsResultLogLinesAndTime) {
  OpenLink();
  Link().logActive = 1;
  vornsim::Channel& channel5 = AddChannel(5, "df3");
  SelectChannel(5);
  const std::tuple<const char*, int32_t, int32_t> versions[] = {{"Vorn220", 22, 2}, {"Vorn22", -1, -1}, {"", -1, -1}};
  for (const auto& [reply, number, level] : versions) {
    channel5.faults.versionReply = reply;
    int32_t gotNumber = 0, gotLevel = 0;
    ReadVersion(gotNumber, gotLevel);
    EXPECT_EQ(std::pair(gotNumber, gotLevel), std::pair(number, level)) << reply;
  }

  vornsim::Faults& faults = channel5.faults;
  const std::string noStat = "GetVornStat for Vorn channel 5 returned FALSE";
  const std::string timedOut = "Timed out in ReadStr, chars already got were:";
  const struct {
    std::function<void()> fault;
    int32_t result;
    Texts log;
    double minMs, maxMs;
  } cases[] = {
      {[&] { faults.versionReply = "Vorn220"; }, COND_OK, {"Found Vorn channel 5 OK"}, 0, 100},
      {[&] { faults.rawReplies["?CH"] = "05\r"; }, COND_OK, {"Found Vorn channel 5 OK"}, 0, 100},
      {[&] { faults.rawReplies["?CH"] = "\t5\r"; }, COND_OK, {"Found Vorn channel 5 OK"}, 0, 100},
      // Another number: no version query.
      {[&] { faults.channelReply = 7; }, COND_ERR_NO_CHANNEL, {"Response for Vorn channel 5 was 7"}, 0, 100},
      {[&] { faults.versionReply = "Vorn22"; }, COND_ERR_NO_CHANNEL, {"?RV returned Vorn22", noStat}, 0, 100},
      {[&] { faults.versionReply = "xVorn220"; }, COND_ERR_NO_CHANNEL, {"?RV returned xVorn220", noStat}, 0, 100},
      // The form of a version, not a number.
      {[&] { faults.versionReply = "Vorn 12"; }, COND_ERR_NO_CHANNEL, {noStat}, 0, 100},
      {[&] { faults.versionReply = ""; }, COND_ERR_NO_CHANNEL, {timedOut, "", noStat}, 1000, 1100},
      // Sending the selection, 20 ms settling, 30 ms waiting for a first byte.
      {[&] { faults.silent = true; }, COND_ERR_NO_CHANNEL,
       {"Timed out waiting for response for Vorn channel 5"}, 50, 60},
      // Then 100 ms for the rest of the number.
      {[&] { faults.stallAfterFirstChar = true; }, COND_ERR_NO_CHANNEL,
       {timedOut, "5", "No response from Vorn channel 5"}, 130, 140},
      {[&] { link.sendError = 7; }, COND_ERR_COMMS,
       {"SendStr: LkSend ;;CH5; returned 7", "SendStr: LkSend ?CH; returned 7",
        "Communications error 7 sending ?CH; in GotAVorn"}, 0, 100},
      {[&] { link.receiveError = -5; }, COND_ERR_COMMS,
       {"ReadStr got GetChar error -5, chars got were:", "", "Comms error -5 reading from Vorn channel 5"}, 0, 100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.log.back());
    faults = vornsim::Faults{};
    link.sendError = 0;
    c.fault();
    Link().reinitNeeded = 0;
    logFile.files.clear();
    sim.ClearReceived();
    const double start = clock.NowMs();
    EXPECT_EQ(GotAVorn(5), c.result);
    EXPECT_GE(clock.NowMs() - start, c.minMs);
    EXPECT_LT(clock.NowMs() - start, c.maxMs);
    EXPECT_EQ(LogLines(), c.log);
    EXPECT_EQ(Count("?RV;"), c.log.back() == noStat || c.result == COND_OK ? 1 : 0);
    EXPECT_EQ(Link().reinitNeeded, c.log[0] == timedOut ? 1 : 0) << "a reply that times out asks for rediscovery";
  }
}

// ---- InitCond and KillCond ----

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

// (A fresh log for each initialisation, none without "Dump", and the report
// of one that cannot be created are met end to end under Wine.)
TEST_F(LifecycleTest, PortNoneDisablesAccessWithoutOpeningAndAnOpenFailureLeavesTheLinkClosed) {
  config.ini["Port"] = "nOnE";
  config.ini["Dump"] = "1";
  EXPECT_EQ(InitCond(0), COND_ERR_NO_LINK);
  EXPECT_EQ(link.opens, 0);
  EXPECT_EQ(LogLines().back(), "Conditioner settings give None as serial port - access disabled");
  EXPECT_EQ(Link().logActive, 0);
  EXPECT_EQ(config.registry["Port"].dword, 0xFFFFFFFFu);

  Configure(2, 1, 0, 0);
  link.openError = 5;
  Link().reinitNeeded = 0;
  EXPECT_EQ(InitCond(0), COND_ERR_NO_LINK);
  EXPECT_EQ(LogLines().back(), "Attempt to open serial port 2 returned error code 5");
  EXPECT_EQ(Link().reinitNeeded, 1);
  EXPECT_EQ(Link().linkStatus, COND_ERR_NO_LINK);
}

TEST_F(LifecycleTest, KillThenInitZeroReopensWithoutProbingUnlessAReplyTimedOut) {
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

  char buffer[20];
  EXPECT_EQ(ReadStr(buffer, 20, 100), 0);
  KillCond();
  EXPECT_EQ(InitCond(0), 0);
  EXPECT_EQ(ProbedChannels(sim), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(LifecycleTest, TheFixedFactsAndTheAdcRange) {
  EXPECT_EQ(GetCondType(), 1);
  EXPECT_EQ(SetPellProc(nullptr), 0);
  SetADCRange(10.0);
  for (double refused : {0.0, -5.0, kNaN, kInfinity}) SetADCRange(refused);
  EXPECT_EQ(Channels().adcRange, 10.0) << "only a finite, positive range is taken";
}

// The other messages are met where the exports report them.
TEST_F(LifecycleTest, ReportErrorShowsTwoLinesAndReturnsTheExplainingStatus) {
  EXPECT_EQ(ReportError(COND_ERR_NO_LINK), COND_ERR_NO_LINK);
  Link().linkStatus = 0;
  Link().channelStatus[6] = COND_ERR_COMMS;
  EXPECT_EQ(ReportError(6), COND_ERR_COMMS);
  EXPECT_EQ(ReportError(COND_ERR_NO_PORTS), 0);
  EXPECT_EQ(host.messages, (Texts{"Vorn hardware not available\nCannot open comm port for Vorn communications",
                                  "Vorn for ADC port 6 not available\nCommunications failure in Vorn initialisation",
                                  "No ADC ports in use\nError code for failure is unknown : 0"}));
}

}  // namespace
}  // namespace condvorn::testing
