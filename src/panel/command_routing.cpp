// Which handler a control's notification or a menu command goes to.
#include "channel/setting_commands.h"
#include "panel/cond_dlg.h"
#include "panel/dialog_controls.h"
#include "panel/filter_side.h"

namespace condvorn {

bool CCondDlg::OnCommand(int id, int code) {
  const bool chosen = code == CBN_SELCHANGE;
  const bool chosenOrLeft = chosen || code == CBN_KILLFOCUS;
  // Buttons report BN_CLICKED, menu items 0: the same number.
  const bool clicked = code == BN_CLICKED;
  switch (id) {
    case IDC_PORT:
      if (chosen) OnPortChosen();
      return true;
    case IDC_INPUT:
      if (chosen) OnInputChosen();
      return true;
    case IDC_GAIN:
      if (chosen) OnGainChosen();
      return true;
    case IDC_OFFSET:
      OnOffsetEdited(code);
      return true;
    case IDC_LOWPASS_TYPE:
      if (chosen) OnFilterTypeChosen(LowPass());
      return true;
    case IDC_HIGHPASS_TYPE:
      if (chosen) OnFilterTypeChosen(HighPass());
      return true;
    case IDC_LOWPASS_CUTOFF:
      if (chosenOrLeft) OnCutoffChosenOrTyped(LowPass());
      return true;
    case IDC_HIGHPASS_CUTOFF:
      if (chosenOrLeft) OnCutoffChosenOrTyped(HighPass());
      return true;
    case IDC_AC_COUPLE:
      if (clicked) OnSwitch(COND_FLAG_AC_COUPLING, IsChecked(Item(id)), ApplyCoupling);
      return true;
    case IDC_NOTCH:
      if (clicked) OnSwitch(COND_FLAG_NOTCH, IsChecked(Item(id)), ApplyNotch);
      return true;
    case IDC_TRIGGER1:
    case IDC_TRIGGER2:
      if (clicked) OnSwitch(COND_FLAG_TRIGGER_IN2, !IsChecked(Item(IDC_TRIGGER1)), ApplyTriggerInput);
      return true;
    case IDC_FALLING_EDGE:
      if (clicked) OnSwitch(COND_FLAG_FALLING_EDGE, IsChecked(Item(id)), ApplyTriggerEdge);
      return true;
    case IDC_VOLTS:
      if (clicked) OnVoltsClicked();
      return true;
    case IDC_APPLY:
      if (clicked) OnApply();
      return true;
    case IDC_HELP_BUTTON:
      if (clicked) OnHelp();
      return true;
    case IDC_RESET_CALIBRATION:
    case ID_RESET_CALIBRATION:
      if (clicked) OnResetCalibration();
      return true;
    case IDC_RELOAD:
    case ID_RELOAD:
      if (clicked) OnReload();
      return true;
    default:
      for (int row = 0; row < kExtraRows; ++row) {
        if (id != kExtraCombos[row]) continue;
        if (chosenOrLeft) OnExtraSettingChosenOrTyped(row);
        return true;
      }
      return false;
  }
}

}  // namespace condvorn
