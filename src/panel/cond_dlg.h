// CCondDlg: the control panel ("Vorn controls", dialog 100). It edits
// copies of the host's records one channel at a time, sends changes at once
// or on Apply, and hands the records back when it closes. It is the open
// panel that the exports reach through PanelLink.
#pragma once

#include <windows.h>

#include <cstdint>
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
  void PaintEmptyDisplay();
  void PutOkWhereApplyIs();
  void RememberLayout();
  void KillDisplayTimer();
  // Remembers the panel's place, then ends the modal run or, modeless,
  // tells the host and destroys the window.
  void Finish(INT_PTR result);
  void ShowContextMenu(LPARAM at);

  // ---- Control refresh ----
  void ShowChannel(int32_t channel);
  void StoreControls() { ShowChannel(-1); }
  void TakeControls();
  void TakeFilter(const FilterSide& side, ChanSettings& record, const ChannelState& state);
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
  bool closing_ = false;  // OK or Cancel has run; the window is on its way out
};

}  // namespace condvorn
