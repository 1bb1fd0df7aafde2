// Probing one channel: every outcome, its result and its log line.
#include <gtest/gtest.h>

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

TEST_F(ProbeTest, AnotherNumberMeansNotThisChannel) {
  channel5.faults.channelReply = 7;
  EXPECT_EQ(GotAVorn(5), COND_ERR_NO_CHANNEL);
  EXPECT_EQ(LogLines(), (Texts{"Response for Vorn channel 5 was 7"}));
  EXPECT_EQ(Sent().size(), 2u) << "no version query";
}

TEST_F(ProbeTest, MalformedVersionsFailTheProbe) {
  for (const char* reply : {"Vorn22", "xVorn220", "Vorn 12"}) {
    logFile.files.clear();
    channel5.faults.versionReply = reply;
    EXPECT_EQ(GotAVorn(5), COND_ERR_NO_CHANNEL) << reply;
    Texts expected;
    if (std::string(reply) != "Vorn 12") expected.push_back(std::string("?RV returned ") + reply);
    expected.push_back("GetVornStat for Vorn channel 5 returned FALSE");
    EXPECT_EQ(LogLines(), expected) << reply;
  }
  int32_t number = 0, level = 0;
  ReadVersion(number, level);
  EXPECT_EQ(number, -1);
  EXPECT_EQ(level, -1);
}

TEST_F(ProbeTest, AMissingVersionCostsItsSecond) {
  channel5.faults.versionReply = "";
  double start = clock.NowMs();
  EXPECT_EQ(GotAVorn(5), COND_ERR_NO_CHANNEL);
  EXPECT_GT(clock.NowMs() - start, 1000.0);
  EXPECT_EQ(LogLines().back(), "GetVornStat for Vorn channel 5 returned FALSE");
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
