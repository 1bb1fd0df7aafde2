// Probing one channel: every outcome, its result and its log line.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "library_fixture.h"
#include "link/discovery.h"

namespace condvorn::testing {
namespace {

class ProbeTest : public LibraryTest {
 protected:
  ProbeTest() {
    OpenLink();
    Link().logActive = 1;
  }
  vornsim::Channel& channel5 = AddChannel(5, "df3");
};

TEST_F(ProbeTest, AChannelAnsweringItsNumberAndAVersionIsFound) {
  channel5.profile.version = "Vorn220";
  EXPECT_EQ(GotAVorn(5), 0);
  EXPECT_EQ(Sent(), (Texts{";;CH5;", "?CH;", "?RV;"}));
  EXPECT_EQ(LogLines(), (Texts{"Found Vorn channel 5 OK"}));

  int32_t number = 0, level = 0;
  ReadVersion(number, level);
  EXPECT_EQ(number, 22);
  EXPECT_EQ(level, 2);

  channel5.faults.rawReplies["?CH"] = "05\r";
  EXPECT_EQ(GotAVorn(5), 0) << "a leading zero in the number";
}

TEST_F(ProbeTest, AnotherNumberOrABadOrMissingVersionMeansNotThisChannel) {
  const std::string noStat = "GetVornStat for Vorn channel 5 returned FALSE";
  const struct {
    std::optional<int> number;
    std::optional<std::string> version;
    Texts log;
  } cases[] = {
      {7, {}, {"Response for Vorn channel 5 was 7"}},  // and no version query
      {{}, "Vorn22", {"?RV returned Vorn22", noStat}},
      {{}, "xVorn220", {"?RV returned xVorn220", noStat}},
      {{}, "Vorn 12", {noStat}},  // the form of a version, not a number
      {{}, "", {"Timed out in ReadStr, chars already got were:", "", noStat}},  // after its second
  };
  for (const auto& c : cases) {
    channel5.faults.channelReply = c.number;
    channel5.faults.versionReply = c.version;
    logFile.files.clear();
    sim.ClearReceived();
    const double start = clock.NowMs();
    EXPECT_EQ(GotAVorn(5), COND_ERR_NO_CHANNEL);
    EXPECT_EQ(LogLines(), c.log);
    EXPECT_EQ(Count("?RV;"), c.number ? 0 : 1);
    EXPECT_EQ(clock.NowMs() - start > 1000.0, c.version == "");
  }
  int32_t number = 0, level = 0;
  ReadVersion(number, level);
  EXPECT_EQ(number, -1);
  EXPECT_EQ(level, -1);
}

TEST_F(ProbeTest, ASilentChannelCostsAboutFiftyMilliseconds) {
  double start = clock.NowMs();
  EXPECT_EQ(GotAVorn(9), COND_ERR_NO_CHANNEL);
  // Sending the selection, 20 ms settling, 30 ms waiting for a first byte.
  EXPECT_GE(clock.NowMs() - start, 50.0);
  EXPECT_LT(clock.NowMs() - start, 60.0);
  EXPECT_EQ(LogLines(), (Texts{"Timed out waiting for response for Vorn channel 9"}));
}

TEST_F(ProbeTest, AReplyThatStallsTimesOutAndAsksForRediscovery) {
  channel5.faults.stallAfterFirstChar = true;
  Link().reinitNeeded = 0;
  EXPECT_EQ(GotAVorn(5), COND_ERR_NO_CHANNEL);
  EXPECT_EQ(LogLines().back(), "No response from Vorn channel 5");
  EXPECT_EQ(Link().reinitNeeded, 1);
}

TEST_F(ProbeTest, LinkErrorsAreCommunicationFailures) {
  link.sendError = 7;
  EXPECT_EQ(GotAVorn(5), COND_ERR_COMMS);
  EXPECT_EQ(LogLines().back(), "Communications error 7 sending ?CH; in GotAVorn");

  link.sendError = 0;
  link.receiveError = -5;
  EXPECT_EQ(GotAVorn(5), COND_ERR_COMMS);
  EXPECT_EQ(LogLines().back(), "Comms error -5 reading from Vorn channel 5");
}

}  // namespace
}  // namespace condvorn::testing
