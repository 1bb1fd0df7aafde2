// CCondDlg: the control panel ("Vorn controls", dialog 100). It edits
// copies of the host's records one channel at a time, sends changes at once
// or on Apply, and hands the records back when it closes. It is the open
// panel that the exports reach through PanelLink.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "api/panel_link.h"
#include "channel/channel_state.h"
#include "panel/dialog.h"
#include "panel/my_combo_box.h"
#include "panel/num_edit.h"
#include "panel/panel_records.h"
#include "res/zelcond.h"

namespace condvorn {

class CCondDlg : public Dialog, public PanelLink {
 public:
  // Copies the host's records and stores the option bits in panelFlags. A
  // modeless panel then needs Create(), a modal one DoModal().
  explicit CCondDlg(const PanelRequest& request);
  ~CCondDlg() override;

  // PanelLink: the exports' view of the open panel.
  int32_t SetChannel(int32_t port, ChanSettings& settings) override;
  int32_t GetChannel(int32_t port, ChanSettings& settings) override;
  void Close(bool post) override;
  int32_t SetScalingEnabled(bool enable) override;
  void BringToFront() override;

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void PostNcDestroy() override;

 private:
  static constexpr int kExtraRows = 4;
  static constexpr int kExtraCombos[kExtraRows] = {IDC_EXTRA1, IDC_EXTRA2, IDC_EXTRA3, IDC_EXTRA4};
  static constexpr int kExtraLabels[kExtraRows] = {IDC_EXTRA1_LABEL, IDC_EXTRA2_LABEL, IDC_EXTRA3_LABEL,
                                                   IDC_EXTRA4_LABEL};
  // The longest text the offset and the typed combos take.
  static constexpr int kTextLimit = 10;

  // One side of the filter controls: its type list, cut-off combo and the
  // record fields they show.
  struct FilterSide;
  FilterSide LowPass();
  FilterSide HighPass();

  // ---- Frame: initialisation, layout and the end of the window ----
  int32_t FillPortCombo();
  void NarrowToControlHalf();
  void PutOkWhereApplyIs();
  void RememberLayout();
  void KillDisplayTimer();
  void ShowContextMenu(LPARAM at);

  // ---- The end of the run, and calls out to the host ----
  // OK and Cancel settle the records at once and end the run (Finish). The
  // host may close the panel from inside a call out to it (KillCondMenu in
  // its window's handler of a sent notification, or in its sampling
  // routine); the window must outlive that call, so the run then ends when
  // the call has returned. The invariant: after any call out to the host
  // (made inside a HostCall), check whether the panel is closing
  // (EndIfClosed) before the handler goes on. Until then the panel and its
  // records stay valid; only its window is hidden.
  class HostCall {
   public:
    explicit HostCall(CCondDlg& panel) : panel_(panel) { ++panel_.hostCalls_; }
    ~HostCall() { --panel_.hostCalls_; }
    HostCall(const HostCall&) = delete;
    HostCall& operator=(const HostCall&) = delete;

   private:
    CCondDlg& panel_;
  };
  // Remembers the panel's place, then ends the modal run or, modeless,
  // tells the host and destroys the window; during a call out to the host
  // it only hides the window.
  void Finish(INT_PTR result);
  // After a call out to the host: true when the panel was closed during it.
  // The run has then ended, and nothing of the panel may be used (a
  // modeless panel is gone).
  bool EndIfClosed();
  bool closing_ = false;            // OK or Cancel has run; the window is on its way out
  int hostCalls_ = 0;               // calls out to the host under way
  INT_PTR closeResult_ = IDCANCEL;  // the result of a run ended during a host call

  // ---- Messages: commands, scroll clicks, the display timer ----
  // True when the command was the panel's to handle.
  bool OnCommand(int id, int code);

  // ---- Control handlers ----
  void OnPortChosen();
  void OnInputChosen();
  void OnGainChosen();
  // The four switches: a flag bit of the record, and the operation that
  // sends it.
  void OnSwitch(uint16_t bit, bool on, void (*apply)(bool on, ChanSettings& record));
  void OnFilterTypeChosen(const FilterSide& side);
  void OnCutoffChosenOrTyped(const FilterSide& side);
  void OnExtraSettingChosenOrTyped(int row);
  void OnVoltsClicked();
  void OnApply();
  void OnResetCalibration();
  void OnReload();
  void OnHelp();
  // The channel the link addresses must be the panel's before a setting is
  // sent: an export may have addressed another channel in between.
  void AddressChannel(int32_t channel);
  bool Deferred() const;
  // Modeless, immediate mode: tells the host window that a channel's
  // settings were sent.
  void PostChanged(int32_t channel);

  // ---- Offset entry and scrolling ----
  void OnOffsetEdited(int code);
  void OnOffsetTyped();
  // Takes a new offset into the shown channel's record as the user's edits
  // do: a tiny one is exactly 0; unless deferred it is sent and the record
  // keeps what the channel took; the zero absorbs the change, and a
  // modeless host is told. False when nothing changed (the same offset, or
  // one the record cannot express).
  bool TakeNewOffset(int32_t channel, ChanSettings& record, double value);
  void OnScroll(HWND bar, int code);
  void OnOffsetScrolled(bool up);
  void OnGainScrolled(bool up);
  double TinyOffsetOf(int32_t channel, const ChanSettings& record) const;

  // ---- The live display ----
  void PaintEmptyDisplay();
  void RefreshDisplay();
  void DrawTrace(HDC dc, int32_t count, int32_t width, int32_t height);
  void ShowAverage(int32_t count);

  // ---- Control refresh ----
  void ShowChannel(int32_t channel);
  // Takes the controls into the shown channel's record and shows none. An
  // offset typed but not yet taken is taken as when the edit loses the
  // focus: in immediate mode that sends it to the line and posts (3, c) to
  // a modeless host.
  void StoreControls() { ShowChannel(-1); }
  void TakeControls();
  void TakeFilter(const FilterSide& side, ChanSettings& record, const ChannelState& state);
  std::optional<double> ShownCutoff(const FilterSide& side, const ChannelState& state);
  void TakeExtraSettings(ChanSettings& record, const ChannelState& state);
  void FillControls(int32_t channel);
  void FillFilter(const FilterSide& side, ChanSettings& record, const ChannelState& state);
  void FillExtraRows(ChanSettings& record, const ChannelState& state);
  void LayOutExtraRows(int32_t rows);
  void RefillGainList();
  void UpdateEnabling();
  void ShowRangeLabels();

  // ---- Offset display ----
  double UpdateOffsetLimits(int32_t channel, const ChanSettings& record);
  void ShowOffset(int32_t channel, const ChanSettings& record, double value);

  CNumEdit offsetEdit;
  PanelRecords records_;  // hostSettings, channelCount, workingSettings, savedSettings
  int32_t selectedChannel = -1;
  UINT_PTR timerId = 0;
  CondSampleProc sampleSource;
  int32_t showVolts = 0;
  HWND hostWindow;
  std::string offsetText;
  bool panelReady = false;
  CMyComboBox lowPassCutoffCombo{true};
  CMyComboBox highPassCutoffCombo{true};
  CMyComboBox extraCombos[kExtraRows];
  RECT dialogRect{};
  RECT layoutRects[6]{};  // combos 107 and 108, then Apply, OK, Cancel, Help
  int32_t lastAverage = 0;
  bool refreshing_ = false;
  // The filter type whose cut-offs each cut-off combo lists (low, high).
  int32_t listedCutoffType_[2] = {-1, -1};
};

}  // namespace condvorn
