// Reply framing, capacity cuts, time-outs and pacing of the serial transport.
#include <gtest/gtest.h>

#include <string>

#include "library_fixture.h"
#include "link/diagnostic_log.h"
#include "link/transport.h"

namespace condvorn::testing {
namespace {

class TransportTest : public LibraryTest {
 protected:
  TransportTest() {
    Link().logActive = 1;
    OpenLink();
    AddChannel(5, "df3");
    SelectChannel(5);
  }

  // Makes channel 5 answer "?NT;" with exactly these bytes.
  void ReplyToQuery(const std::string& bytes) {
    sim.channel(5).faults.rawReplies["?NT"] = bytes;
    ASSERT_EQ(SendStr("?NT;"), 0);
  }

  char buffer[20] = {};
};

TEST_F(TransportTest, ReadsOneLineWithoutItsCarriageReturnButWithALineFeed) {
  ReplyToQuery("12\r\n7\r");
  EXPECT_EQ(ReadStr(buffer, 20, 1000), 1);
  EXPECT_STREQ(buffer, "12");
  EXPECT_EQ(ReadStr(buffer, 20, 1000), 1);
  EXPECT_STREQ(buffer, "\n7");
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(TransportTest, CutsAnOverlongLineAndLeavesTheRestForTheNextRead) {
  ReplyToQuery("ABCDEFGHIJKLMNOPQRSTUVWXY\r");  // 25 characters
  EXPECT_EQ(ReadStr(buffer, 20, 1000), 1);
  EXPECT_STREQ(buffer, "ABCDEFGHIJKLMNOPQRS");
  EXPECT_EQ(LogLines(), (Texts{
                            "ReadStr length exceeded maximum length allowed, we got:",
                            "ABCDEFGHIJKLMNOPQRS"}));
  EXPECT_EQ(ReadStr(buffer, 20, 1000), 1);
  EXPECT_STREQ(buffer, "TUVWXY");
}

TEST_F(TransportTest, SmallCapacitiesNeverWritePastTheBuffer) {
  ReplyToQuery("12\r");
  char one[1] = {'x'};
  EXPECT_EQ(ReadStr(one, 1, 1000), 1);  // room for the terminator only: cut at once
  EXPECT_EQ(one[0], '\0');
  char none[1] = {'x'};
  EXPECT_EQ(ReadStr(none, 0, 1000), 0);
  EXPECT_EQ(none[0], 'x');
  // Neither took anything from the line.
  EXPECT_EQ(ReadStr(buffer, 20, 1000), 1);
  EXPECT_STREQ(buffer, "12");
}

TEST_F(TransportTest, TimesOutOnTheVirtualClockAndAsksForRediscovery) {
  Link().reinitNeeded = 0;
  double start = clock.NowMs();
  EXPECT_EQ(ReadStr(buffer, 20, 1000), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_NEAR(clock.NowMs() - start, 1000.0, 2.0);
  EXPECT_EQ(Link().reinitNeeded, 1);
  EXPECT_EQ(LogLines(), (Texts{"Timed out in ReadStr, chars already got were:", ""}));
}

TEST_F(TransportTest, TheDeadlineHoldsForTheWholeReply) {
  // The first character comes, the rest never does.
  sim.channel(5).faults.stallAfterFirstChar = true;
  ReplyToQuery("123\r");
  EXPECT_EQ(ReadStr(buffer, 20, 100), 0);
  EXPECT_STREQ(buffer, "1");
  EXPECT_EQ(LogLines().back(), "1");
}

TEST_F(TransportTest, PassesAReceiveErrorOnAndLogsWhatCameBefore) {
  link.receiveError = -5;
  EXPECT_EQ(ReadStr(buffer, 20, 1000), -5);
  EXPECT_EQ(LogLines(), (Texts{"ReadStr got GetChar error -5, chars got were:", ""}));
}

TEST_F(TransportTest, ASendFailureIsLoggedAndReturned) {
  link.sendError = 7;
  EXPECT_EQ(SendStr("?CH;"), 7);
  EXPECT_EQ(LogLines(), (Texts{"SendStr: LkSend ?CH; returned 7"}));
}

TEST_F(TransportTest, SelectingAChannelSendsTheSelectionAndSettlesOnceItHasGone) {
  sim.ClearReceived();
  double start = clock.NowMs();
  SelectChannel(12);
  EXPECT_EQ(Sent(), (std::vector<std::string>{";;CH12;"}));
  const double sendingMs = 7 * sim.timing.perCharMs;
  EXPECT_GE(clock.NowMs() - start, sendingMs + 20.0);
  EXPECT_LT(clock.NowMs() - start, sendingMs + 21.0);
}

TEST_F(TransportTest, AnOutputQueueThatNeverDrainsGivesUpAfterASecondAndAsksForRediscovery) {
  link.outputStuck = true;
  Link().reinitNeeded = 0;
  double start = clock.NowMs();
  SelectChannel(12);
  EXPECT_GE(clock.NowMs() - start, 1000.0 + 20.0);
  EXPECT_LT(clock.NowMs() - start, 1050.0);
  EXPECT_EQ(Link().reinitNeeded, 1);
  EXPECT_EQ(LogLines(), (Texts{"Timed out in SelectChannel, 7 bytes still waiting to be sent"}));
}

TEST_F(TransportTest, NoWaitEndsEarlyWhateverThePhaseOfTheTick) {
  for (uint64_t phaseMicros : {0, 1, 500, 999}) {
    clock.Advance(1000 - clock.NowMicros() % 1000 + phaseMicros);
    double start = clock.NowMs();
    WaitMs(10);
    EXPECT_GE(clock.NowMs() - start, 10.0);
    EXPECT_LT(clock.NowMs() - start, 10.1);
    start = clock.NowMs();
    WaitForInput(30);
    EXPECT_GE(clock.NowMs() - start, 30.0);
    EXPECT_LT(clock.NowMs() - start, 30.1);
    start = clock.NowMs();
    EXPECT_EQ(ReadStr(buffer, 20, 100), 0);
    EXPECT_GT(clock.NowMs() - start, 100.0);  // the time-out comes once the tick is past the deadline
    EXPECT_LT(clock.NowMs() - start, 101.1);
  }
}

TEST_F(TransportTest, WaitsSleepInsteadOfPollingTheLine) {
  const uint64_t polls = clock.polls();
  EXPECT_EQ(ReadStr(buffer, 20, 1000), 0);
  WaitMs(100);
  WaitForInput(30);
  SelectChannel(3);
  EXPECT_LT(clock.polls() - polls, 30u);
}

TEST_F(TransportTest, WaitsSurviveTheWrapOfTheTickCounter) {
  clock.SetTickOrigin(0xFFFFFF00u);  // wraps 256 ms from now
  double start = clock.NowMs();
  WaitMs(1000);
  EXPECT_NEAR(clock.NowMs() - start, 1000.0, 1.0);
  start = clock.NowMs();
  clock.SetTickOrigin(0xFFFFFFF0u);
  EXPECT_EQ(ReadStr(buffer, 20, 100), 0);
  EXPECT_NEAR(clock.NowMs() - start, 100.0, 2.0);
}

TEST_F(TransportTest, WaitForInputEndsWhenTheFirstCharacterArrives) {
  ReplyToQuery("50\r");
  double start = clock.NowMs();
  WaitForInput(30);
  EXPECT_LT(clock.NowMs() - start, 30.0);
  EXPECT_EQ(ReadStr(buffer, 20, 100), 1);
}

}  // namespace
}  // namespace condvorn::testing
