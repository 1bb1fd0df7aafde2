// The two-way link between the panel's controls and the shown channel's
// working record: taking the controls into the record, showing a channel,
// the gain list, the enabling of the controls, the range labels, and the
// extra-setting rows that shrink the window.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "channel/read_state.h"
#include "channel/setting_commands.h"
#include "channel/value_snapping.h"
#include "panel/cond_dlg.h"
#include "panel/dialog_controls.h"
#include "panel/filter_side.h"
#include "panel/list_entries.h"
#include "panel/numeric_text.h"
#include "panel/panel_state.h"
#include "panel/panel_texts.h"

namespace condvorn {
namespace {

// The buttons below the extra-setting rows, in the order of layoutRects.
constexpr int kRowButtons[] = {IDC_APPLY, IDOK, IDCANCEL, IDC_HELP_BUTTON};
constexpr int kFirstButtonRect = 2;

std::string Name(const char* text, size_t room) { return std::string(text, strnlen(text, room)); }

}  // namespace

CCondDlg::FilterSide CCondDlg::LowPass() {
  return {IDC_LOWPASS_TYPE, IDC_LOWPASS_CUTOFF, lowPassCutoffCombo, "All pass", &ChannelState::lowPassTypeCount,
          &ChannelState::lowPassTypes, &ChanSettings::lowPassType, &ChanSettings::lowPassCutoff, NearestLowPassIndex,
          ApplyLowPass, listedCutoffType_[0]};
}

CCondDlg::FilterSide CCondDlg::HighPass() {
  return {IDC_HIGHPASS_TYPE, IDC_HIGHPASS_CUTOFF, highPassCutoffCombo, "DC", &ChannelState::highPassTypeCount,
          &ChannelState::highPassTypes, &ChanSettings::highPassType, &ChanSettings::highPassCutoff,
          NearestHighPassIndex, ApplyHighPass, listedCutoffType_[1]};
}

// ---- Showing a channel ----

void CCondDlg::ShowChannel(int32_t channel) {
  if (channel == selectedChannel || channel >= kChannelCount) return;
  if (selectedChannel >= 0) TakeControls();
  selectedChannel = channel;
  if (channel < 0) return;
  FillControls(channel);
}

void CCondDlg::FillControls(int32_t channel) {
  ChanSettings& record = records_.Working(channel);
  ReadChannelState(channel, record);
  const ChannelState& state = Channels().channelStates[channel];

  const int32_t position = records_.ListedPosition(channel);
  if (position >= 0) SelectComboItem(Item(IDC_PORT), position);

  HWND input = Item(IDC_INPUT);
  ResetCombo(input);
  for (int32_t i = 0; i < Entries(state.inputCount, kMaxListItems); ++i) {
    AddComboItem(input, Name(state.inputNames[i], kItemTextSize));
  }
  SelectComboItem(input, record.input);

  RefillGainList();
  SetWindowTextTo(Item(IDC_UNITS), UnitsText(record));
  FillFilter(LowPass(), record, state);
  FillFilter(HighPass(), record, state);

  SetWindowTextTo(Item(IDC_NOTCH), std::to_string(state.notchFrequency) + " Hz Notch");
  SetChecked(Item(IDC_AC_COUPLE), (record.flags & COND_FLAG_AC_COUPLING) != 0);
  SetChecked(Item(IDC_NOTCH), (record.flags & COND_FLAG_NOTCH) != 0);
  SetChecked(Item(IDC_TRIGGER1), (record.flags & COND_FLAG_TRIGGER_IN2) == 0);
  SetChecked(Item(IDC_TRIGGER2), (record.flags & COND_FLAG_TRIGGER_IN2) != 0);
  if (state.hasExtendedCommands) SetChecked(Item(IDC_FALLING_EDGE), (record.flags & COND_FLAG_FALLING_EDGE) != 0);
  EnableWindow(Item(IDC_FALLING_EDGE), state.hasExtendedCommands);

  LayOutExtraRows(Entries(state.extraSettingCount, kExtraRows));
  FillExtraRows(record, state);
  ShowRangeLabels();
}

void CCondDlg::FillFilter(const FilterSide& side, ChanSettings& record, const ChannelState& state) {
  HWND types = Item(side.typeCombo);
  const int32_t typeCount = Entries(state.*side.typeCount, kMaxListItems);
  ResetCombo(types);
  for (int32_t i = 0; i < typeCount; ++i) AddComboItem(types, Name((state.*side.types)[i].name, kNameSize));
  int16_t& type = record.*side.type;
  if (type < 0 || type >= typeCount) type = 0;
  SelectComboItem(types, type);
  EnableWindow(types, typeCount > 1);

  HWND cutoffs = Item(side.cutoffCombo);
  ResetCombo(cutoffs);
  side.listedType = typeCount > 0 ? type : -1;
  if (typeCount == 0) return;
  const FilterType& filter = (state.*side.types)[type];
  const int32_t cutoffCount = Entries(filter.cutoffCount, kMaxListItems);
  for (int32_t i = 0; i < cutoffCount; ++i) AddComboItem(cutoffs, CutoffItemText(filter.cutoffs[i], side.offText));
  float& cutoff = record.*side.cutoff;
  if (filter.kind & 1) {
    side.cutoffs.SetListOnly(true);
    if (cutoffCount == 0) return;
    const int32_t nearest = side.nearest(cutoff, type);
    cutoff = static_cast<float>(filter.cutoffs[nearest]);
    SelectComboItem(cutoffs, nearest);
  } else {
    side.cutoffs.SetListOnly(false);
    SendMessageA(cutoffs, CB_LIMITTEXT, kTextLimit, 0);
    if (cutoff <= 0) {
      SelectComboItem(cutoffs, 0);
      cutoff = 0;
    } else {
      SetWindowTextTo(cutoffs, FormatG(cutoff));
    }
  }
}

// Rows for fewer than four extra settings are taken out: the buttons below
// move up and the window becomes shorter by as many row distances.
void CCondDlg::LayOutExtraRows(int32_t rows) {
  const LONG rowDistance = layoutRects[1].top - layoutRects[0].top;
  const LONG shift = rowDistance * (kExtraRows - rows);
  for (size_t i = 0; i < std::size(kRowButtons); ++i) {
    RECT place = layoutRects[kFirstButtonRect + i];
    OffsetRect(&place, 0, -shift);
    MoveTo(Item(kRowButtons[i]), place);
  }
  SetWindowPos(hwnd(), nullptr, 0, 0, dialogRect.right - dialogRect.left, dialogRect.bottom - dialogRect.top - shift,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CCondDlg::FillExtraRows(ChanSettings& record, const ChannelState& state) {
  const int32_t rows = Entries(state.extraSettingCount, kExtraRows);
  for (int32_t row = 0; row < kExtraRows; ++row) {
    HWND label = Item(kExtraLabels[row]);
    HWND combo = Item(kExtraCombos[row]);
    ShowWindow(label, row < rows ? SW_SHOW : SW_HIDE);
    ShowWindow(combo, row < rows ? SW_SHOW : SW_HIDE);
    if (row >= rows) continue;
    const ExtraSetting& setting = state.extraSettings[row];
    const double value = record.extraValues[setting.slot];
    SetWindowTextTo(label, Name(setting.name, kNameSize));
    ResetCombo(combo);
    if (setting.kind & 1) {
      extraCombos[row].SetListOnly(true);
      for (int32_t i = 0; i < Entries(setting.choiceCount, kMaxListItems); ++i) {
        AddComboItem(combo, Name(setting.choices[i], kItemTextSize));
      }
      // A value that is no choice's index selects none.
      if (std::fabs(value) < kMaxListItems) SelectComboItem(combo, static_cast<int>(value));
    } else {
      extraCombos[row].SetListOnly(false);
      SendMessageA(combo, CB_LIMITTEXT, kTextLimit, 0);
      SetWindowTextTo(combo, FormatG(value));
    }
  }
}

void CCondDlg::RefillGainList() {
  const int32_t channel = selectedChannel;
  ChanSettings& record = records_.Working(channel);
  const ChannelState& state = Channels().channelStates[channel];
  HWND gain = Item(IDC_GAIN);
  ResetCombo(gain);
  const int32_t gainCount = Entries(state.gainCount, kMaxListItems);
  for (int32_t i = 0; i < gainCount; ++i) AddComboItem(gain, FormatG(state.gains[i]));
  if (gainCount > 0) {
    // The gain moves to the nearest one listed, and the record's scale
    // with it: a deferred input change applies this gain as the record's
    // own, so the scale must already be the one for it.
    const int32_t nearest = NearestGainIndex(record.gain);
    const auto listed = static_cast<float>(state.gains[nearest]);
    if (listed != record.gain) {
      if (const std::optional<float> scale = ScaleForGain(record, listed)) {
        record.scale = *scale;
        record.gain = listed;
      }
    }
    SelectComboItem(gain, nearest);
  }
  const double largest = UpdateOffsetLimits(channel, record);
  // An offset beyond the limits of this input and gain becomes the nearest
  // limit, taken as a typed one is, so that the zero follows.
  if (std::fabs(record.offset) > largest) TakeNewOffset(channel, record, std::copysign(largest, record.offset));
  // Shown at the display's resolution; the record keeps the offset the
  // channel took, which its zero matches.
  ShowOffset(channel, record, record.offset);
}

// ---- Taking the controls ----

void CCondDlg::TakeControls() {
  ChanSettings& record = records_.Working(selectedChannel);
  const ChannelState& state = Channels().channelStates[selectedChannel];
  const ChanSettings before = record;

  record.input = static_cast<int16_t>(ComboSelection(Item(IDC_INPUT)));
  // A gain list without a selection (an empty list) leaves the gain alone.
  const int gain = ComboSelection(Item(IDC_GAIN));
  if (gain >= 0 && gain < Entries(state.gainCount, kMaxListItems) && state.gains[gain] != record.gain) {
    record.gain = static_cast<float>(state.gains[gain]);
  }
  // An offset typed but not yet taken (OK by the Enter key, or the host
  // closing the panel) is taken as when the edit loses the focus, so that
  // the zero absorbs it. The panel's own text is the record's offset
  // rounded for display: read back, it would move the offset by the
  // rounding without moving the zero.
  if (WindowText(Item(IDC_OFFSET)) != offsetText) OnOffsetTyped();
  TakeFilter(LowPass(), record, state);
  TakeFilter(HighPass(), record, state);
  SetFlag(record, COND_FLAG_AC_COUPLING, IsChecked(Item(IDC_AC_COUPLE)));
  SetFlag(record, COND_FLAG_NOTCH, IsChecked(Item(IDC_NOTCH)));
  SetFlag(record, COND_FLAG_TRIGGER_IN2, !IsChecked(Item(IDC_TRIGGER1)));
  if (state.hasExtendedCommands) SetFlag(record, COND_FLAG_FALLING_EDGE, IsChecked(Item(IDC_FALLING_EDGE)));
  TakeExtraSettings(record, state);

  // Any field that took another value marks the record.
  if (std::memcmp(&before, &record, sizeof record) != 0) record.changed = 1;
}

void CCondDlg::TakeFilter(const FilterSide& side, ChanSettings& record, const ChannelState& state) {
  // A type list without a selection (no types) keeps the stored type.
  const int chosenType = ComboSelection(Item(side.typeCombo));
  if (chosenType >= 0) record.*side.type = static_cast<int16_t>(chosenType);
  const std::optional<double> cutoff = ShownCutoff(side, state);
  if (cutoff && *cutoff != record.*side.cutoff) record.*side.cutoff = static_cast<float>(*cutoff);
}

// The cut-off the combo shows: the chosen entry of the list it holds (which
// belongs to the type it was filled for, even when another type has just
// been chosen), else a number typed into it; none for neither.
std::optional<double> CCondDlg::ShownCutoff(const FilterSide& side, const ChannelState& state) {
  const int index = ComboSelection(Item(side.cutoffCombo));
  if (index < 0) return ScanNumber(WindowText(Item(side.cutoffCombo)));
  const int32_t type = side.listedType;
  if (type < 0 || type >= Entries(state.*side.typeCount, kMaxListItems)) return std::nullopt;
  const FilterType& filter = (state.*side.types)[type];
  if (index >= Entries(filter.cutoffCount, kMaxListItems)) return std::nullopt;
  return static_cast<float>(filter.cutoffs[index]);
}

void CCondDlg::TakeExtraSettings(ChanSettings& record, const ChannelState& state) {
  for (int32_t row = 0; row < Entries(state.extraSettingCount, kExtraRows); ++row) {
    const ExtraSetting& setting = state.extraSettings[row];
    HWND combo = Item(kExtraCombos[row]);
    float& stored = record.extraValues[setting.slot];
    double value = stored;
    if (setting.kind & 1) {
      value = ComboSelection(combo);
    } else if (const std::optional<double> typed = ScanNumber(WindowText(combo))) {
      value = *typed;
    }
    if (value != stored) stored = static_cast<float>(value);
  }
}

// ---- Enabling and labels ----

void CCondDlg::UpdateEnabling() {
  SetChecked(Item(IDC_VOLTS), showVolts != 0);
  const bool scalingLocked = PanelFlag(COND_MENU_SCALING_LOCKED);
  for (int control : {IDC_GAIN, IDC_GAIN_SCROLL, IDC_OFFSET_SCROLL}) EnableWindow(Item(control), !scalingLocked);
  SendMessageA(Item(IDC_OFFSET), EM_SETREADONLY, scalingLocked, 0);
  EnableWindow(Item(IDC_PORT), !PanelFlag(COND_MENU_CHANNEL_LOCKED));
  if (PanelFlag(COND_MENU_MODELESS) && PanelFlag(COND_MENU_CLOSE_LOCKED)) {
    EnableWindow(Item(IDOK), FALSE);
    EnableWindow(Item(IDCANCEL), FALSE);
  } else {
    const bool pending = records_.AnyChangeInUse() || WindowText(Item(IDC_OFFSET)) != offsetText;
    EnableWindow(Item(IDC_APPLY), pending);
  }
}

void CCondDlg::ShowRangeLabels() {
  if (selectedChannel < 0) return;
  const RangeLabels labels = RangeLabelTexts(records_.Working(selectedChannel), showVolts != 0, Channels().adcRange);
  SetWindowTextTo(Item(IDC_TOP_VALUE), labels.top);
  SetWindowTextTo(Item(IDC_BOTTOM_VALUE), labels.bottom);
}

}  // namespace condvorn
