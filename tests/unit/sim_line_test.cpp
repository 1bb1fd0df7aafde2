// The simulated line: byte timing both ways, channel selection, the record
// of received commands, and a line that goes dead.
#include <gtest/gtest.h>

#include <stdexcept>

#include "library_fixture.h"
#include "link/discovery.h"
#include "profile.h"
#include "sim_harness.h"

namespace vornsim::testing {
namespace {

class SimLineTest : public ::testing::Test {
 protected:
  SimHarness line;
  Simulator& sim = line.sim;
};

TEST_F(SimLineTest, BytesTakeACharacterTimeEachWayAndRepliesQueueBehindEachOther) {
  sim.AddChannel(3, NamedProfile("df3"));
  const double perChar = sim.timing.perCharMs;
  const double turnaround = sim.timing.turnaroundMs;

  line.Write(";;CH3;?CH;");
  EXPECT_EQ(sim.OutputPending(), 10u);
  line.Advance(perChar * 6 + 0.01);
  EXPECT_EQ(sim.OutputPending(), 4u);
  ASSERT_EQ(sim.received().size(), 2u);
  EXPECT_NEAR(sim.received()[0].timeMs, perChar * 6, 1e-9);
  EXPECT_NEAR(sim.received()[1].timeMs, perChar * 10, 1e-9);

  // "3\r" starts a turnaround after the ";" of "?CH;".
  const double replyMs = perChar * 10 + turnaround;
  line.micros = static_cast<uint64_t>(replyMs * 1000) - 10;
  EXPECT_EQ(sim.Available(), 0u);
  EXPECT_EQ(sim.OutputPending(), 0u);
  line.Advance(0.02);
  EXPECT_EQ(sim.ReadByte(), '3');
  EXPECT_EQ(sim.ReadByte(), -1);
  line.Advance(perChar);
  EXPECT_EQ(sim.ReadByte(), '\r');

  // "?NT;" follows "?IS;" at once; its reply waits for the long one ahead.
  const std::string inputs = "4\rDifferential\rSingle-ended\rBridge\rGround\r";
  line.Write("?IS;?NT;");
  const double isReplyMs = sim.received().back().timeMs - perChar * 4 + turnaround;
  line.micros = static_cast<uint64_t>((isReplyMs + perChar * inputs.size()) * 1000) + 10;
  EXPECT_EQ(sim.Available(), inputs.size() + 1);
  line.Advance(perChar * 2);
  EXPECT_EQ(line.ReadArrived(), inputs + "50\r");
}

TEST_F(SimLineTest, OnlyTheSelectedChannelAnswersAndCommandsAreRecordedWithIt) {
  sim.AddChannel(3, NamedProfile("df3"));
  sim.AddChannel(5, NamedProfile("classic"));

  EXPECT_EQ(line.Exchange("?CH;"), "");  // nothing selected yet
  EXPECT_EQ(line.Ask(5, "?CH;"), "5\r");
  EXPECT_EQ(line.Ask(3, "?RV;"), "Vorn222\r");
  EXPECT_EQ(line.Ask(4, "?CH;"), "");    // nobody there
  line.Exchange("GN2;");

  EXPECT_EQ(sim.received().front().channel, -1);
  EXPECT_EQ(sim.ReceivedTexts(),
            (std::vector<std::string>{"?CH;", ";;CH5;", "?CH;", ";;CH3;", "?RV;", ";;CH4;", "?CH;", "GN2;"}));
  EXPECT_EQ(sim.ReceivedTexts(3), (std::vector<std::string>{";;CH3;", "?RV;"}));
  EXPECT_EQ(sim.channel(5).settings.gain, 1);
  EXPECT_EQ(sim.channel(3).settings.gain, 1);

  sim.ClearReceived();
  EXPECT_TRUE(sim.ReceivedTexts().empty());
}

TEST_F(SimLineTest, CommandsAreTakenAtTheirSemicolonWhateverTheWrites) {
  sim.AddChannel(7, NamedProfile("df3"));
  line.Write(";;C");
  line.Write("H7");
  EXPECT_TRUE(sim.received().empty());
  line.Write(";GN");
  line.Write("3;");
  EXPECT_EQ(sim.ReceivedTexts(7), (std::vector<std::string>{";;CH7;", "GN3;"}));
  EXPECT_EQ(sim.channel(7).settings.gain, 3);
}

TEST_F(SimLineTest, DiscardDropsOnlyWhatHasArrived) {
  sim.AddChannel(1, NamedProfile("df3"));
  line.Write(";;CH1;?IS;");
  line.Advance(sim.timing.perCharMs * 10 + sim.timing.turnaroundMs + 0.5);
  ASSERT_EQ(sim.Available(), 1u);
  sim.DiscardArrived();
  EXPECT_EQ(sim.Available(), 0u);
  line.Advance(500);
  EXPECT_EQ(line.ReadArrived(), "\rDifferential\rSingle-ended\rBridge\rGround\r");
}

TEST_F(SimLineTest, ADeadLineAnswersNothingFromThatCommandOn) {
  sim.AddChannel(1, NamedProfile("df3")).faults.deadAfter = "?GS";
  sim.AddChannel(2, NamedProfile("df3"));

  // The reply in flight when the cable goes is cut where it is.
  line.Write(";;CH1;?IS;?GS;");
  EXPECT_TRUE(sim.LineDead());
  line.Advance(500);
  EXPECT_EQ(line.ReadArrived(), "4\rD");
  EXPECT_EQ(line.Ask(2, "?CH;"), "");
  EXPECT_EQ(sim.ReceivedTexts(2), (std::vector<std::string>{";;CH2;", "?CH;"}));
}

TEST_F(SimLineTest, ChannelsAreFoundByNumberOnce) {
  sim.AddChannel(9, NamedProfile("df0"));
  EXPECT_EQ(sim.FindChannel(9)->number(), 9);
  EXPECT_EQ(sim.FindChannel(8), nullptr);
  EXPECT_THROW(sim.channel(8), std::out_of_range);
  EXPECT_THROW(sim.AddChannel(9, NamedProfile("df3")), std::invalid_argument);
}

// The library's own probe against the simulated line: its busy waits and
// time-outs see the simulator's timing.
class SimProbeTest : public condvorn::testing::LibraryTest {};

TEST_F(SimProbeTest, TheLibraryFindsAChannelAndCostsLittleForAnAbsentOne) {
  AddChannel(5);
  EXPECT_EQ(condvorn::GotAVorn(5), 0);

  const double before = clock.NowMs();
  EXPECT_EQ(condvorn::GotAVorn(6), COND_ERR_NO_CHANNEL);
  EXPECT_LT(clock.NowMs() - before, 60);

  // A first character within the wait, then nothing: the read times out.
  sim.channel(5).faults.stallAfterFirstChar = true;
  condvorn::Lib().reinitNeeded = 0;
  EXPECT_EQ(condvorn::GotAVorn(5), COND_ERR_NO_CHANNEL);
  EXPECT_EQ(condvorn::Lib().reinitNeeded, 1);
}

}  // namespace
}  // namespace vornsim::testing
