// DoCondMenu's checks of the host's records, and the panel exports' routing
// to an open panel (here a recording stand-in: native builds have none).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/chan_settings.h"
#include "api/panel_link.h"
#include "library_fixture.h"

namespace condvorn::testing {
namespace {

class RecordingPanel : public PanelLink {
 public:
  int32_t SetChannel(int32_t port, ChanSettings&) override {
    calls.push_back("set " + std::to_string(port));
    return 0;
  }
  int32_t GetChannel(int32_t port, ChanSettings&) override {
    calls.push_back("get " + std::to_string(port));
    return COND_ERR_BAD_PORT;
  }
  void Close(bool post) override { calls.push_back(post ? "close posted" : "close sent"); }
  int32_t SetScalingEnabled(bool enable) override {
    calls.push_back(enable ? "unlock" : "lock");
    return 1;
  }
  void BringToFront() override { calls.push_back("front"); }

  std::vector<std::string> calls;
};

class PanelExportsTest : public LibraryTest {
 protected:
  PanelExportsTest() {
    AddChannel(1);
    Discover(0, 3);
    for (ChanSettings& record : records) record = DefaultChanSettings();
  }
  ~PanelExportsTest() override { Lib().activePanel = nullptr; }

  ChanSettings records[kChannelCount];
};

TEST_F(PanelExportsTest, RefusesTheHostsRecordsWithTheReportedReason) {
  const std::string healthy = "Error code for failure is unknown : 0";
  EXPECT_EQ(DoCondMenu(records, 3, nullptr, 0, nullptr), 0);
  records[0].inUse = records[2].inUse = 1;  // channels 0 and 2 are silent
  EXPECT_EQ(DoCondMenu(records, 3, nullptr, 0, nullptr), 0);
  records[1].size = 159;
  EXPECT_EQ(DoCondMenu(records, 3, nullptr, 0, nullptr), 0);
  EXPECT_EQ(DoCondMenu(records, 0x7FFF0000, nullptr, 0, nullptr), 0) << "the count is 16-bit: 0";
  EXPECT_EQ(DoCondMenu(nullptr, 3, nullptr, 0, nullptr), 0);
  EXPECT_EQ(host.messages,
            (Texts{"No ADC ports in use\n" + healthy,
                   "Vorn for ADC port 2 not available\nVorn channel not installed/available",
                   "Conditioner support DLL is invalid or DLL version is too old\n" + healthy,
                   "No ADC ports in use\n" + healthy,
                   "Conditioner support DLL is invalid or DLL version is too old\n" + healthy}));
  EXPECT_TRUE(Sent().empty());
}

TEST_F(PanelExportsTest, AClosedLinkIsReportedBeforeTheRecordsAreRead) {
  KillCond();
  EXPECT_EQ(DoCondMenu(nullptr, 3, nullptr, 0, nullptr), 0);
  EXPECT_EQ(host.messages,
            (Texts{"Vorn hardware not available\nCannot open comm port for Vorn communications"}));
}

TEST_F(PanelExportsTest, PassesWithAUsablePortInUseAndReadsNoMoreThan128Records) {
  records[1].inUse = 1;
  // The upper half of the count is ignored, and a count beyond the table is
  // limited to it: reading record 128 would overrun the array.
  EXPECT_EQ(DoCondMenu(records, 0x00010000 | 300, nullptr, COND_MENU_MODELESS, nullptr), 0);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(Lib().activePanel, nullptr) << "native builds open no panel";
}

TEST_F(PanelExportsTest, WithoutAPanelTheExportsDoNothing) {
  KillCondMenu(0);
  KillCondMenu(1);
  EXPECT_EQ(SetMenuScaling(0), 0);
  EXPECT_EQ(SetMenuScaling(1), 0);
  EXPECT_EQ(GetCondChan(1, &records[1]), 0);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(PanelExportsTest, AnOpenPanelTakesTheRecordExchangeAndTheCloseAndLockRequests) {
  RecordingPanel panel;
  Lib().activePanel = &panel;
  records[1].inUse = 1;
  EXPECT_EQ(DoCondMenu(records, 3, nullptr, 0, nullptr), 0);
  EXPECT_EQ(SetCondChan(1, &records[1]), 0);
  EXPECT_EQ(GetCondChan(9, &records[1]), COND_ERR_BAD_PORT);
  EXPECT_EQ(SetMenuScaling(0), 1);
  KillCondMenu(1);
  KillCond();
  EXPECT_EQ(panel.calls,
            (Texts{"front", "set 1", "get 9", "lock", "close posted", "close sent"}));
  EXPECT_TRUE(Sent().empty()) << "the records went to the panel, not the line";
}

}  // namespace
}  // namespace condvorn::testing
