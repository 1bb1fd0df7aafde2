// What the controls of a channel's settings do: the port choice, input,
// gain, the four switches, both filter types and cut-offs, the extra
// settings and the Volts check box. In immediate mode each change goes to
// the channel at once (and a modeless panel tells the host window); in
// deferred mode it is only marked, for Apply or OK.
#include "app/cond_app.h"
#include "channel/channel_state.h"
#include "channel/read_state.h"
#include "channel/setting_commands.h"
#include "panel/cond_dlg.h"
#include "panel/dialog_controls.h"
#include "panel/filter_side.h"
#include "panel/list_entries.h"
#include "panel/numeric_text.h"
#include "panel/panel_state.h"
#include "panel/typed_value.h"

namespace condvorn {

bool CCondDlg::Deferred() const { return PanelFlag(COND_MENU_DEFERRED_APPLY); }

void CCondDlg::AddressChannel(int32_t channel) {
  // Another channel may have been addressed since the panel showed this one:
  // by an export, or by a discovery that probed every channel.
  if (Channels().currentChannel == channel) return;
  ReadChannelState(channel, records_.Working(channel));
}

void CCondDlg::PostChanged(int32_t channel) {
  if (Deferred() || !PanelFlag(COND_MENU_MODELESS) || !IsWindow(hostWindow)) return;
  PostMessageA(hostWindow, CCondApp::Get().zelcondMessage(), COND_NOTIFY_CHANGED, channel);
}

void CCondDlg::OnPortChosen() {
  StoreControls();
  const int32_t channel = records_.ListedAt(ComboSelection(Item(IDC_PORT)));
  ShowChannel(channel);
  Panel().lastPanelChannel = channel;
  ShowRangeLabels();
  UpdateEnabling();
}

void CCondDlg::OnInputChosen() {
  const int32_t channel = selectedChannel;
  if (channel < 0) return;
  const int input = ComboSelection(Item(IDC_INPUT));
  ChanSettings& record = records_.Working(channel);
  if (input >= 0 && input != record.input) {
    StoreControls();
    if (!Deferred()) AddressChannel(channel);
    record.input = static_cast<int16_t>(input);
    record.changed = 1;
    if (!Deferred()) {
      ApplyInput(input, record);
      UpdateOffsetLimits(channel, record);
      PostChanged(channel);
    }
    // The new input may offer other gains and offset ranges.
    ShowChannel(channel);
    RefillGainList();
  }
  UpdateEnabling();
}

void CCondDlg::OnGainChosen() {
  const int32_t channel = selectedChannel;
  if (channel < 0) return;
  const ChannelState& state = Channels().channelStates[channel];
  const int index = ComboSelection(Item(IDC_GAIN));
  if (!IsEntry(index, state.gainCount, kMaxListItems)) return;
  ChanSettings& record = records_.Working(channel);
  const auto newGain = static_cast<float>(state.gains[index]);
  // A gain that the scale cannot follow (a listed 0) is not taken.
  const std::optional<float> newScale = ScaleForGain(record, newGain);
  if (!newScale) return;
  // Choosing the gain already set sends it again all the same.
  record.gain = newGain;
  if (!Deferred()) {
    AddressChannel(channel);
    SendGain(newGain);
    Channels().appliedSettings[channel].gain = newGain;
  }
  record.scale = *newScale;
  record.changed = 1;
  if (!Deferred()) {
    ApplyOffset(record.offset, record);  // the offset's code depends on the gain
    PostChanged(channel);
  }
  UpdateOffsetLimits(channel, record);
  ShowOffset(channel, record, record.offset);  // as the channel took it for the new gain
  UpdateEnabling();
  ShowRangeLabels();
}

void CCondDlg::OnSwitch(uint16_t bit, bool on, void (*apply)(bool on, ChanSettings& record)) {
  const int32_t channel = selectedChannel;
  if (channel < 0) return;
  ChanSettings& record = records_.Working(channel);
  if (HasFlag(record, bit) != on) {
    SetFlag(record, bit, on);
    record.changed = 1;
    if (!Deferred()) {
      AddressChannel(channel);
      apply(on, record);
      PostChanged(channel);
    }
  }
  UpdateEnabling();
}

void CCondDlg::OnFilterTypeChosen(const FilterSide& side) {
  const int32_t channel = selectedChannel;
  if (channel < 0) return;
  const int type = ComboSelection(Item(side.typeCombo));
  ChanSettings& record = records_.Working(channel);
  if (type >= 0 && type != record.*side.type) {
    record.*side.type = static_cast<int16_t>(type);
    record.changed = 1;
    if (!Deferred()) {
      AddressChannel(channel);
      side.apply(record.*side.cutoff, record);
      PostChanged(channel);
    }
    // The cut-off list of the new type.
    StoreControls();
    ShowChannel(channel);
  }
  UpdateEnabling();
}

void CCondDlg::OnCutoffChosenOrTyped(const FilterSide& side) {
  const int32_t channel = selectedChannel;
  if (channel < 0) return;
  const ChannelState& state = Channels().channelStates[channel];
  ChanSettings& record = records_.Working(channel);
  double cutoff = 0;
  if (ComboSelection(Item(side.cutoffCombo)) >= 0) {
    const std::optional<double> chosen = ShownCutoff(side, state);
    if (!chosen) return;
    cutoff = *chosen;
  } else {
    const int32_t type = record.*side.type;
    if (!IsEntry(type, state.*side.typeCount, kMaxListItems)) return;
    const FilterType& filter = (state.*side.types)[type];
    const TypedValue typed = CheckTypedValue(WindowText(Item(side.cutoffCombo)), filter.minimum, filter.maximum);
    if (!typed.accepted) {
      // Taken up at the combo's next change, or when the controls are stored.
      SetWindowTextTo(Item(side.cutoffCombo), typed.correction);
      return;
    }
    cutoff = static_cast<float>(typed.value);
  }
  if (cutoff != record.*side.cutoff) {
    record.*side.cutoff = static_cast<float>(cutoff);
    record.changed = 1;
    if (!Deferred()) {
      AddressChannel(channel);
      side.apply(cutoff, record);
      PostChanged(channel);
    }
  }
  UpdateEnabling();
}

void CCondDlg::OnExtraSettingChosenOrTyped(int row) {
  const int32_t channel = selectedChannel;
  if (channel < 0) return;
  const ChannelState& state = Channels().channelStates[channel];
  if (!IsEntry(row, state.extraSettingCount, kExtraRows)) return;
  const ExtraSetting& setting = state.extraSettings[row];
  HWND combo = Item(kExtraCombos[row]);
  double value = 0;
  if (setting.kind & 1) {
    value = ComboSelection(combo);  // -1 when none is chosen, as the controls are taken
  } else {
    const TypedValue typed = CheckTypedValue(WindowText(combo), setting.minimum, setting.maximum);
    if (!typed.accepted) {
      SetWindowTextTo(combo, typed.correction);
      return;
    }
    value = typed.value;
  }
  ChanSettings& record = records_.Working(channel);
  float& stored = record.extraValues[setting.slot];
  if (value != stored) {
    stored = static_cast<float>(value);
    record.changed = 1;
    if (!Deferred()) {
      AddressChannel(channel);
      ApplyExtraSetting(value, row, record);
      PostChanged(channel);
    }
  }
  UpdateEnabling();
}

void CCondDlg::OnVoltsClicked() {
  showVolts = IsChecked(Item(IDC_VOLTS)) ? 1 : 0;
  ShowRangeLabels();
  UpdateEnabling();
}

}  // namespace condvorn
