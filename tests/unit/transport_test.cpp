// Reply framing, capacity cuts, time-outs and pacing of the serial transport.
// (Send and receive errors, and replies that stall or time out, are
// followed through a probe in lifecycle_test.cpp.)
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

  // The result of one ReadStr of up to 19 characters, and what it read.
  std::string Read(uint32_t timeoutMs = 1000) {
    const int32_t result = ReadStr(buffer, 20, timeoutMs);
    return std::to_string(result) + " " + buffer;
  }

  char buffer[20] = {};
};

TEST_F(TransportTest, ReadsLinesWithoutTheirCarriageReturnAndCutsOverlongOnes) {
  ReplyToQuery("12\r\n7\r");
  EXPECT_EQ(Read(), "1 12");
  EXPECT_EQ(Read(), "1 \n7") << "a line feed stays";
  EXPECT_TRUE(LogLines().empty());

  ReplyToQuery("ABCDEFGHIJKLMNOPQRSTUVWXY\r");  // 25 characters
  EXPECT_EQ(Read(), "1 ABCDEFGHIJKLMNOPQRS");
  EXPECT_EQ(LogLines(), (Texts{"ReadStr length exceeded maximum length allowed, we got:", "ABCDEFGHIJKLMNOPQRS"}));
  EXPECT_EQ(Read(), "1 TUVWXY") << "the rest is left for the next read";

  ReplyToQuery("12\r");
  char one[2] = {'x', 'x'};
  EXPECT_EQ(ReadStr(one, 1, 1000), 1);  // room for the terminator only: cut at once
  EXPECT_EQ(ReadStr(one + 1, 0, 1000), 0);
  EXPECT_EQ(std::string(one, 2), std::string("\0x", 2));
  EXPECT_EQ(Read(), "1 12") << "neither took anything from the line";
}

TEST_F(TransportTest, ASelectionSettlesOnceItHasGoneOrGivesUpOnAQueueThatNeverDrains) {
  const double sendingMs = 7 * sim.timing.perCharMs;
  for (bool stuck : {false, true}) {
    sim.ClearReceived();
    logFile.files.clear();
    link.outputStuck = stuck;
    Link().reinitNeeded = 0;
    const double start = clock.NowMs();
    SelectChannel(12);
    EXPECT_EQ(Sent(), stuck ? Texts{} : Texts{";;CH12;"}) << "a stuck queue keeps it";
    const double minimum = stuck ? 1000.0 + 20.0 : sendingMs + 20.0;
    EXPECT_GE(clock.NowMs() - start, minimum);
    EXPECT_LT(clock.NowMs() - start, minimum + (stuck ? 30.0 : 1.0));
    EXPECT_EQ(Link().reinitNeeded, stuck ? 1 : 0);
    EXPECT_EQ(LogLines(), stuck ? Texts{"Timed out in SelectChannel, 7 bytes still waiting to be sent"} : Texts{});
  }
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
  const double start = clock.NowMs();
  WaitForInput(30);
  EXPECT_LT(clock.NowMs() - start, 30.0);
}

}  // namespace
}  // namespace condvorn::testing
