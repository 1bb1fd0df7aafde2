// DoCondMenu's checks of the host's records and the panel exports' routing
// to an open panel (here a recording stand-in: native builds have none);
// the panel's record tables: which channels it lists, and what OK, Cancel
// and the host's record exchange do to the host's array and the line, in
// both apply modes.
#include <vector>

#include "api/chan_settings.h"
#include "api/panel_link.h"
#include "channel/setting_commands.h"
#include "library_fixture.h"
#include "panel/panel_records.h"

namespace condvorn::testing {
namespace {

// ---- The panel exports ----

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

TEST_F(PanelExportsTest, RefusesTheHostsRecordsWithTheReportedReasonAndAClosedLinkFirst) {
  const std::string healthy = "Error code for failure is unknown : 0";
  EXPECT_EQ(DoCondMenu(records, 3, nullptr, 0, nullptr), 0);
  records[0].inUse = records[2].inUse = 1;  // channels 0 and 2 are silent
  EXPECT_EQ(DoCondMenu(records, 3, nullptr, 0, nullptr), 0);
  EXPECT_EQ(DoCondMenu(records, 1, nullptr, 0, nullptr), 0) << "port 0 is reported, not taken for success";
  records[1].size = 159;
  EXPECT_EQ(DoCondMenu(records, 3, nullptr, 0, nullptr), 0);
  EXPECT_EQ(DoCondMenu(records, 0x7FFF0000, nullptr, 0, nullptr), 0) << "the count is 16-bit: 0";
  EXPECT_EQ(DoCondMenu(nullptr, 3, nullptr, 0, nullptr), 0);
  KillCond();
  EXPECT_EQ(DoCondMenu(nullptr, 3, nullptr, 0, nullptr), 0);
  EXPECT_EQ(host.messages,
            (Texts{"No ADC ports in use\n" + healthy,
                   "Vorn for ADC port 2 not available\nVorn channel not installed/available",
                   "Vorn for ADC port 0 not available\nVorn channel not installed/available",
                   "Conditioner support DLL is invalid or DLL version is too old\n" + healthy,
                   "No ADC ports in use\n" + healthy,
                   "Conditioner support DLL is invalid or DLL version is too old\n" + healthy,
                   "Vorn hardware not available\nCannot open comm port for Vorn communications"}));
  EXPECT_TRUE(Sent().empty());
}

TEST_F(PanelExportsTest, PassesWithAUsablePortInUseAndWithoutAPanelTheOtherExportsDoNothing) {
  records[1].inUse = 1;
  // The upper half of the count is ignored, and a count beyond the table is
  // limited to it: reading record 128 would overrun the array.
  EXPECT_EQ(DoCondMenu(records, 0x00010000 | 300, nullptr, COND_MENU_MODELESS, nullptr), 0);
  EXPECT_EQ(Lib().activePanel, nullptr) << "native builds open no panel";
  KillCondMenu(1);
  EXPECT_EQ(SetMenuScaling(1), 0);
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
  EXPECT_EQ(panel.calls, (Texts{"front", "set 1", "get 9", "lock", "close posted", "close sent"}));
  EXPECT_TRUE(Sent().empty()) << "the records went to the panel, not the line";
}

// ---- The panel's record tables ----

// Channels 0 and 2 answer; channel 1 is in use but silent; channel 3 is
// beyond the host's three records.
class PanelRecordsTest : public LibraryTest {
 protected:
  PanelRecordsTest() {
    AddChannel(0);
    AddChannel(2);
    AddChannel(3);
    Discover(0, 3);
    for (ChanSettings& record : host) {
      record = DefaultChanSettings();
      record.inUse = 1;
      record.scale = 0.001f;
      record.changed = 1;
    }
    tables.emplace(host.data(), 3);
  }

  // The user edits channel 2's gain; in immediate mode the edit is sent.
  void EditGain(bool send) {
    ChanSettings& record = tables->Working(2);
    record.gain = 10.0f;
    record.changed = 1;
    if (send) ApplySettings(2, record);
    sim.ClearReceived();
  }

  // The host's gain and change mark of channels 0 and 2, as "gain/changed".
  std::string Host() const {
    return std::to_string(static_cast<int>(host[0].gain)) + "/" + std::to_string(host[0].changed) + " " +
           std::to_string(static_cast<int>(host[2].gain)) + "/" + std::to_string(host[2].changed);
  }

  // Exactly the host's three records, on the heap, so that a read or a write
  // past them is caught.
  std::vector<ChanSettings> host = std::vector<ChanSettings>(3);
  std::optional<PanelRecords> tables;
};

TEST_F(PanelRecordsTest, OpensOnCopiesOfTheHostsRecordsAndListsTheUsableOnesInUse) {
  EXPECT_EQ(tables->Working(0).changed, 0) << "marks are cleared at creation";
  EXPECT_EQ(tables->Working(0).scale, 0.001f);
  EXPECT_EQ(tables->Working(3).scale, 0.0f) << "beyond the host's count: the default record";
  EXPECT_EQ(host[0].changed, 1) << "the host's array is not written at creation";
  // Channel 1 is silent; channel 3 answers, but lies beyond the host's table.
  EXPECT_EQ(std::vector({tables->ListedPosition(0), tables->ListedPosition(1), tables->ListedPosition(2)}),
            std::vector({0, -1, 1}));
  EXPECT_FALSE(tables->Listed(3));
  host[0].inUse = 0;
  EXPECT_EQ(PanelRecords(host.data(), 3).FirstListed(), 2);
  EXPECT_EQ(std::vector({tables->ListedAt(1), tables->ListedAt(2), tables->ListedAt(-1)}), std::vector({2, -1, -1}));
  EXPECT_FALSE(tables->AnyChangeInUse());
  tables->Working(2).inUse = 0;
  tables->Working(2).changed = 1;
  EXPECT_FALSE(tables->AnyChangeInUse()) << "a change on a port not in use is not pending";
}

TEST_F(PanelRecordsTest, OkHandsTheRecordsAsEditedAndAppliesThemOnlyInDeferredMode) {
  EditGain(false);
  EXPECT_TRUE(tables->CommitToHost(true));
  EXPECT_EQ(Host(), "1/0 10/1");
  EXPECT_EQ(host[2].scale, 0.001f) << "the host receives the record as edited, before it is applied";
  EXPECT_GT(Count("GN4;", 2), 0);

  sim.ClearReceived();
  EXPECT_TRUE(tables->CommitToHost(false));
  EXPECT_TRUE(Sent().empty()) << "immediate mode sent each change already";
  tables->Working(2).changed = 0;
  EXPECT_FALSE(tables->CommitToHost(false)) << "nothing changed";
}

TEST_F(PanelRecordsTest, ApplySendsEachChangedChannelAndMakesItTheOneCancelReturnsTo) {
  EditGain(false);
  std::vector<int32_t> told;
  tables->ApplyChanges([&](int32_t channel) {
    told.push_back(channel);
    EXPECT_EQ(tables->Working(channel).changed, 1) << "the host is told before the mark goes";
  });
  EXPECT_EQ(told, std::vector<int32_t>{2});
  EXPECT_GT(Count("GN4;", 2), 0);
  EXPECT_EQ(tables->Working(2).changed, 0);
  EXPECT_EQ(tables->Saved(2).gain, 10.0f);
  EXPECT_EQ(tables->Saved(2).offset, 0.0f);
  tables->RevertHost(true);
  EXPECT_EQ(Host(), "1/0 10/0");
}

TEST_F(PanelRecordsTest, CancelSendsTheSavedRecordsOfChangedChannelsAgainOnlyInImmediateMode) {
  EditGain(true);
  host[0].zero = 5.0f;  // to see that an unchanged channel's host record is left alone
  tables->RevertHost(false);
  EXPECT_EQ(Host(), "1/1 1/0");
  EXPECT_EQ(host[0].zero, 5.0f);
  // Every setting goes out again, cleared switches included.
  EXPECT_GT(Count("GN1;", 2), 0);
  for (const char* command : {"AC0;", "NF0;", "TG1;", "TP1;"}) EXPECT_EQ(Count(command, 2), 1) << command;
  EXPECT_TRUE(Sent(0).empty());

  EditGain(false);
  tables->RevertHost(true);
  EXPECT_EQ(Host(), "1/0 1/1") << "deferred: every saved record, with the working record's mark";
  EXPECT_TRUE(Sent().empty());
}

TEST_F(PanelRecordsTest, TheHostsRecordsReplaceTheWorkingAndSavedOnesAndMarksAreHandedOnce) {
  ChanSettings record = DefaultChanSettings();
  EXPECT_EQ(tables->TakeHostRecord(3, record), COND_ERR_BAD_PORT);
  EXPECT_EQ(tables->HandToHost(-1, record), COND_ERR_BAD_PORT);
  EXPECT_EQ(record.gain, 1.0f) << "untouched";

  record.inUse = 1;
  record.scale = 0.002f;
  record.gain = 30.0f;
  record.changed = 1;
  EXPECT_EQ(tables->TakeHostRecord(2, record), COND_OK);
  EXPECT_EQ(record.gain, 20.0f) << "snapped by the channel";
  EXPECT_FLOAT_EQ(record.scale, 0.002f * 30 / 20);
  EXPECT_EQ(record.changed, 1) << "the host's own mark is left as it passed it";
  EXPECT_GT(Count("GN5;", 2), 0);
  EXPECT_EQ(tables->Working(2).gain, 20.0f);
  EXPECT_EQ(tables->Working(2).changed, 0);

  EditGain(false);
  tables->RevertHost(true);
  EXPECT_EQ(host[2].gain, 20.0f) << "the host's record is what Cancel returns to";

  ChanSettings fetched = DefaultChanSettings();
  tables->Working(0).changed = 1;
  EXPECT_EQ(tables->HandToHost(0, fetched), COND_OK);
  EXPECT_EQ(fetched.changed, 1);
  EXPECT_EQ(tables->HandToHost(0, fetched), COND_OK);
  EXPECT_EQ(fetched.changed, 0);
}

}  // namespace
}  // namespace condvorn::testing
