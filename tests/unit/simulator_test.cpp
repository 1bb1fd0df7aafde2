// The simulated line itself: byte timing both ways, channel selection, the
// record of received commands and set commands. What channels answer, their
// faults, how the line dies and profiles read from JSON are covered by the
// library's tests and the simulator program's own.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "profile.h"
#include "simulator.h"

namespace vornsim {
namespace {

class SimLineTest : public ::testing::Test {
 protected:
  void Advance(double ms) { micros += static_cast<uint64_t>(ms * 1000.0 + 0.5); }
  void Write(const std::string& text) { sim.Write(text.data(), text.size()); }

  // Writes `commands`, lets half a second pass and returns what came back.
  std::string Exchange(const std::string& commands) {
    Write(commands);
    Advance(500);
    std::string bytes;
    for (int c; (c = sim.ReadByte()) >= 0;) bytes += static_cast<char>(c);
    return bytes;
  }

  uint64_t micros = 0;
  Simulator sim{[this] { return micros; }};
};

TEST_F(SimLineTest, BytesTakeACharacterTimeEachWayAndRepliesQueueBehindEachOther) {
  sim.AddChannel(3, NamedProfile("df3"));
  const double perChar = sim.timing.perCharMs;
  const double turnaround = sim.timing.turnaroundMs;

  Write(";;CH3;?CH;");
  Advance(perChar * 6 + 0.01);
  EXPECT_EQ(sim.OutputPending(), 4u);
  ASSERT_EQ(sim.received().size(), 2u);
  EXPECT_NEAR(sim.received()[1].timeMs, perChar * 10, 1e-9);

  // "3\r" starts a turnaround after the ";" of "?CH;".
  micros = static_cast<uint64_t>((perChar * 10 + turnaround) * 1000) - 10;
  EXPECT_EQ(sim.Available(), 0u);
  Advance(0.02);
  EXPECT_EQ(sim.ReadByte(), '3');
  EXPECT_EQ(sim.ReadByte(), -1);
  Advance(perChar);
  EXPECT_EQ(sim.ReadByte(), '\r');

  // "?NT;" follows "?IS;" at once; its reply waits for the long one ahead.
  const std::string inputs = "4\rDifferential\rSingle-ended\rBridge\rGround\r";
  Write("?IS;?NT;");
  const double isReplyMs = sim.received().back().timeMs - perChar * 4 + turnaround;
  micros = static_cast<uint64_t>((isReplyMs + perChar * inputs.size()) * 1000) + 10;
  EXPECT_EQ(sim.Available(), inputs.size() + 1);
}

TEST_F(SimLineTest, OnlyTheSelectedChannelAnswersAndTakesTheCommands) {
  sim.AddChannel(3, NamedProfile("df3"));
  sim.AddChannel(5, NamedProfile("classic"));
  EXPECT_EQ(Exchange("?CH;"), "");  // nothing selected yet
  EXPECT_EQ(Exchange(";;CH5;?CH;"), "5\r");
  EXPECT_EQ(Exchange(";;CH4;?CH;"), "");  // nobody there
  Write(";;C");
  Write("H3;IP3;GN4;OR2;OF-123;LD2;LP3;LO12.5;HD2;HP1;HO0.01;FA2;FS-3.5;FA1;F");
  Write("S2;AC1;NF1;TG2;TP0;GNx;ZZ5;");  // commands are taken at their ";"

  EXPECT_EQ(sim.received().front().channel, -1);
  EXPECT_EQ(sim.ReceivedTexts(5), (std::vector<std::string>{";;CH5;", "?CH;"}));
  EXPECT_EQ(sim.channel(5).settings.gain, 1);
  const DeviceSettings& s = sim.channel(3).settings;
  EXPECT_EQ(s.gain, 4) << "a bad argument changes nothing";
  EXPECT_EQ(s.offsetCode, -123);
  EXPECT_DOUBLE_EQ(s.highPassValue, 0.01);
  EXPECT_EQ(s.extraValues, (std::map<int, double>{{1, 2.0}, {2, -3.5}})) << "each to the setting chosen before";
  EXPECT_EQ(s.triggerEdge, 0);

  sim.ClearReceived();
  EXPECT_TRUE(sim.ReceivedTexts().empty());
}

}  // namespace
}  // namespace vornsim
