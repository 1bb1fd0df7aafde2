// Offset entry and scrolling: the typed offset taken when the edit loses
// the focus, the two small scroll bars (offset steps, neighbouring gains),
// the offset edit's limits, and the offset shown at the channel's
// resolution.
#include <cmath>

#include "channel/channel_state.h"
#include "channel/setting_commands.h"
#include "channel/value_snapping.h"
#include "panel/cond_dlg.h"
#include "panel/dialog_controls.h"
#include "panel/numeric_text.h"
#include "panel/offset_rules.h"
#include "panel/panel_texts.h"

namespace condvorn {
namespace {

// A largest offset beyond this is taken as none at all.
constexpr double kLargestSensibleOffset = 1e20;

}  // namespace

void CCondDlg::OnOffsetEdited(int code) {
  if (code == EN_KILLFOCUS) {
    OnOffsetTyped();
  } else if (code == EN_CHANGE && panelReady && offsetEdit.GetValue() == kNumberInRange) {
    UpdateEnabling();  // a valid text still being typed is a pending change
  }
}

void CCondDlg::OnOffsetTyped() {
  const int32_t channel = selectedChannel;
  if (channel < 0) return;
  ChanSettings& record = records_.Working(channel);
  double value = 0;
  if (offsetEdit.GetValue(&value) != kNumberInRange) {
    ShowOffset(channel, record, record.offset);  // not a number within the limits: shown again as it was
    return;
  }
  if (!TakeNewOffset(channel, record, value)) return;
  offsetText = offsetEdit.textBuffer();  // the text as typed stays in the edit
  ShowRangeLabels();
}

bool CCondDlg::TakeNewOffset(int32_t channel, ChanSettings& record, double value) {
  const double tiny = TinyOffsetOf(channel, record);
  if (std::fabs(value) < tiny) value = 0;
  if (value == record.offset) return false;
  if (!Deferred()) {
    AddressChannel(channel);
    const std::optional<double> sent = SendOffset(value, record);
    if (!sent) return false;
    value = *sent;
    Channels().appliedSettings[channel].offset = static_cast<float>(value);
  }
  TakeOffset(record, value, tiny);
  PostChanged(channel);
  return true;
}

void CCondDlg::OnScroll(HWND bar, int code) {
  // The bars are up/down buttons: only a line up or down acts.
  if (code != SB_LINEUP && code != SB_LINEDOWN) return;
  const bool up = code == SB_LINEUP;
  if (bar == Item(IDC_OFFSET_SCROLL)) OnOffsetScrolled(up);
  if (bar == Item(IDC_GAIN_SCROLL)) OnGainScrolled(up);
}

void CCondDlg::OnOffsetScrolled(bool up) {
  const int32_t channel = selectedChannel;
  if (channel < 0) return;
  ChanSettings& record = records_.Working(channel);
  const double largest = MaxOffset(channel, record);
  const std::optional<double> scrolled = ScrolledOffset(record.offset, up, ScrollStep(largest, record.scale), largest,
                                                        TinyOffsetOf(channel, record));
  if (!scrolled || !TakeNewOffset(channel, record, *scrolled)) return;
  ShowOffset(channel, record, record.offset);
  ShowRangeLabels();
  UpdateEnabling();
}

// The up arrow moves to the next gain of the list, the down arrow to the
// previous one; nothing happens at either end.
void CCondDlg::OnGainScrolled(bool up) {
  HWND gain = Item(IDC_GAIN);
  const int index = ComboSelection(gain) + (up ? 1 : -1);
  if (index < 0 || index >= static_cast<int>(SendMessageA(gain, CB_GETCOUNT, 0, 0))) return;
  SelectComboItem(gain, index);
  OnGainChosen();
}

double CCondDlg::TinyOffsetOf(int32_t channel, const ChanSettings& record) const {
  return TinyOffset(SmallestRangeOffset(channel, record));
}

double CCondDlg::UpdateOffsetLimits(int32_t channel, const ChanSettings& record) {
  double largest = MaxOffset(channel, record);
  if (!(largest >= 0 && largest <= kLargestSensibleOffset)) largest = 0;
  offsetEdit.SetRange(-largest, largest);
  return largest;
}

void CCondDlg::ShowOffset(int32_t channel, const ChanSettings& record, double value) {
  const bool ready = panelReady;
  panelReady = false;  // the panel's own text is not the user's
  offsetEdit.SetValue(OffsetShownValue(value, MaxOffset(channel, record)));
  offsetText = offsetEdit.textBuffer();
  panelReady = ready;
}

}  // namespace condvorn
