// What simulated channels answer, how set commands change them, and how
// their faults spoil the replies.
#include <gtest/gtest.h>

#include "profile.h"
#include "sim_harness.h"

namespace vornsim::testing {
namespace {

class SimRepliesTest : public ::testing::Test {
 protected:
  Channel& Add(const std::string& profile) { return line.sim.AddChannel(1, NamedProfile(profile)); }
  std::string Ask(const std::string& query) { return line.Ask(1, query); }

  SimHarness line;
};

TEST_F(SimRepliesTest, ACurrentChannelDescribesItsFiltersAndExtraSettings) {
  Add("df3");
  EXPECT_EQ(Ask("?RV;"), "Vorn222\r");
  EXPECT_EQ(Ask("?DF;"), "3\r");
  EXPECT_EQ(Ask("?IS;"), "4\rDifferential\rSingle-ended\rBridge\rGround\r");
  EXPECT_EQ(Ask("?LD0;"), "2\r");
  EXPECT_EQ(Ask("?LD1;"), "2Bessel\r1\r10000\r5\r0\r10\r100\r1000\r10000\r");
  EXPECT_EQ(Ask("?HD2;"), "2Butterworth\r0.01\r1000\r7\r0\r0.01\r0.1\r1\r10\r100\r1000\r");
  EXPECT_EQ(Ask("?HD3;"), "1Rectifier\r4\r0\r-1\r-10\r-11\r");
  EXPECT_EQ(Ask("?HD4;"), "");
  EXPECT_EQ(Ask("?FA0;"), "2\r");
  EXPECT_EQ(Ask("?FA1;"), "10Excitation\r4\rOff\r2.5 V\r5 V\r10 V\r");
  EXPECT_EQ(Ask("?FA2;"), "23Bridge balance\r-100\r100\r");
  EXPECT_EQ(Ask("?NT;"), "50\r");
  EXPECT_EQ(Ask("?LF;"), "");  // single-characteristic queries are for older channels
  EXPECT_EQ(Ask("?XY;"), "");
}

TEST_F(SimRepliesTest, OlderChannelsNameOneCharacteristicPerDirection) {
  Add("classic");
  EXPECT_EQ(Ask("?RV;"), "Vorn203\r");
  EXPECT_EQ(Ask("?DF;"), "");
  EXPECT_EQ(Ask("?LF;"), "2-pole Bessel\r");
  EXPECT_EQ(Ask("?LS;"), "4\r1\r10\r100\r1000\r");
  EXPECT_EQ(Ask("?HF;"), "1-pole\r");
  EXPECT_EQ(Ask("?LD0;"), "");

  SimHarness other;
  other.sim.AddChannel(2, NamedProfile("rectifier"));
  EXPECT_EQ(other.Ask(2, "?HS;"), "3\r-10\r10\r-1\r");
}

TEST_F(SimRepliesTest, GainsAndOffsetRangesBelongToTheSelectedInput) {
  Add("df3");
  EXPECT_EQ(Ask("?GS;"), "10\r1\r2\r5\r10\r20\r50\r100\r200\r500\r1000\r");
  EXPECT_EQ(Ask("IP3;?GS;?OS;"), "4\r10\r100\r1000\r10000\r3\r0.005\r0.05\r0.5\r");
  EXPECT_EQ(Ask("IP9;?OS;"), "2\r0.5\r5\r");  // no such input: the first one's

  SimHarness bare;
  bare.sim.AddChannel(0, NamedProfile("minimal"));
  EXPECT_EQ(bare.Ask(0, "?GS;?OS;?NT;"), "1\r1\r0\r");
}

TEST_F(SimRepliesTest, SetCommandsAreStoredAsGiven) {
  Channel& channel = Add("df3");
  line.Exchange(";;CH1;IP3;GN4;OR2;OF-123;LD2;LP3;LO12.5;HD2;HP1;HO0.01;"
                "FS7;FA2;FS-3.5;FA1;FS2;AC1;NF1;TG2;TP0;");
  const DeviceSettings& s = channel.settings;
  EXPECT_EQ(s.input, 3);
  EXPECT_EQ(s.gain, 4);
  EXPECT_EQ(s.offsetRange, 2);
  EXPECT_EQ(s.offsetCode, -123);
  EXPECT_EQ(s.lowPassType, 2);
  EXPECT_EQ(s.lowPassIndex, 3);
  EXPECT_DOUBLE_EQ(s.lowPassValue, 12.5);
  EXPECT_EQ(s.highPassType, 2);
  EXPECT_EQ(s.highPassIndex, 1);
  EXPECT_DOUBLE_EQ(s.highPassValue, 0.01);
  EXPECT_EQ(s.extraSelected, 1);
  // "FS7;" came before any "FA": it went nowhere.
  EXPECT_EQ(s.extraValues, (std::map<int, double>{{1, 2.0}, {2, -3.5}}));
  EXPECT_TRUE(s.acCoupling);
  EXPECT_TRUE(s.notch);
  EXPECT_EQ(s.triggerInput, 2);
  EXPECT_EQ(s.triggerEdge, 0);

  line.Exchange("GNx;OF;ZZ5;AC0;");
  EXPECT_EQ(s.gain, 4);
  EXPECT_EQ(s.offsetCode, -123);
  EXPECT_FALSE(s.acCoupling);
}

TEST_F(SimRepliesTest, ListFaultsSpoilAsManyAnswersAsAsked) {
  Faults& faults = Add("df3").faults;
  faults.lists["OS"] = ListFault{ListFaultKind::kAnnounceZero, 1};
  EXPECT_EQ(Ask("?OS;"), "0\r");
  EXPECT_EQ(Ask("?OS;"), "2\r0.5\r5\r");

  faults.lists["OS"] = ListFault{ListFaultKind::kAnnounceTooMany, -1};
  std::string many = "25\r";
  for (int i = 0; i < 25; ++i) many += i % 2 == 0 ? "0.5\r" : "5\r";
  EXPECT_EQ(Ask("?OS;"), many);
  EXPECT_EQ(Ask("?OS;"), many);

  faults.lists["IS"] = ListFault{ListFaultKind::kNonNumeric, 1};
  EXPECT_EQ(Ask("?IS;"), "4\rDifferential\rSingle-ended\rBridge\rhigh\r");

  // Lists that follow a description are named after its query.
  faults.lists["LD1"] = ListFault{ListFaultKind::kBreakOff, 1};
  EXPECT_EQ(Ask("?LD1;"), "2Bessel\r1\r10000\r5\r0\r10\r");
  faults.lists["FA1"] = ListFault{ListFaultKind::kAnnounceZero, 1};
  EXPECT_EQ(Ask("?FA1;"), "10Excitation\r0\r");
  EXPECT_EQ(Ask("?LD1;?FA1;"),
            "2Bessel\r1\r10000\r5\r0\r10\r100\r1000\r10000\r10Excitation\r4\rOff\r2.5 V\r5 V\r10 V\r");
}

TEST_F(SimRepliesTest, LineFaultsChangeTheBytesThatGoOut) {
  Faults& faults = Add("df3").faults;
  faults.channelReply = 7;
  faults.overlongBy = 3;
  EXPECT_EQ(Ask("?CH;?DF;"), "7###\r3###\r");

  faults.overlongBy = 0;
  faults.garbage = true;
  EXPECT_EQ(Ask("?NT;"), "\xFF\xF0\x7F" "50\r");
  faults.stallAfterFirstChar = true;
  EXPECT_EQ(Ask("?NT;"), "\xFF");
  faults.garbage = false;
  EXPECT_EQ(Ask("?IS;"), "4");

  faults.stallAfterFirstChar = false;
  faults.versionReply = "Vorn22";
  EXPECT_EQ(Ask("?RV;"), "Vorn22\r");
  faults.versionReply = "";
  EXPECT_EQ(Ask("?RV;"), "");

  // A raw reply stands for the channel's own text; the line faults still act.
  faults.rawReplies["?NT"] = "6O\r\n";
  EXPECT_EQ(Ask("?NT;"), "6O\r\n");
  faults.overlongBy = 2;
  EXPECT_EQ(Ask("?NT;"), "6O##\r\n");

  faults.silent = true;
  EXPECT_EQ(Ask("?NT;GN3;"), "");
  EXPECT_EQ(line.sim.channel(1).settings.gain, 3);
}

}  // namespace
}  // namespace vornsim::testing
