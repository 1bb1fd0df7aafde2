// The panel's buttons and menu commands beyond OK and Cancel: Apply, Reset
// calibration, Reload and Help.
#include "app/cond_app.h"
#include "app/html_help.h"
#include "channel/channel_state.h"
#include "channel/setting_commands.h"
#include "panel/calibration_reset.h"
#include "panel/cond_dlg.h"
#include "panel/panel_state.h"

namespace condvorn {
namespace {

constexpr const char* kHelpKeyword = "Control panel";

}  // namespace

void CCondDlg::OnApply() {
  const int32_t shown = selectedChannel;
  StoreControls();
  const bool modeless = PanelFlag(COND_MENU_MODELESS);
  records_.ApplyChanges([&](int32_t channel) {
    if (!modeless || closing_ || !IsWindow(hostWindow)) return;
    // Sent, not posted: the host takes each record before the next is applied.
    HostCall call(*this);
    SendMessageA(hostWindow, CCondApp::Get().zelcondMessage(), COND_NOTIFY_CHANGED, channel);
  });
  if (EndIfClosed()) return;  // the host closed the panel while it was told
  ShowChannel(shown);
  UpdateEnabling();
  SendMessageA(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDOK)), TRUE);
}

void CCondDlg::OnResetCalibration() {
  const int32_t channel = selectedChannel;
  if (channel < 0) return;
  StoreControls();
  ChanSettings& record = records_.Working(channel);
  ResetToVolts(record, Channels().adcRange);
  // The same offset, now expressed in volts, goes to the channel whatever
  // the mode; the zero keeps its value in the new units.
  AddressChannel(channel);
  if (const std::optional<double> offset = SendOffset(record.zero, record)) {
    record.offset = static_cast<float>(*offset);
    Channels().appliedSettings[channel].offset = record.offset;
  }
  record.changed = 1;
  ShowChannel(channel);
  UpdateEnabling();
  ShowRangeLabels();
}

void CCondDlg::OnReload() {
  const int32_t channel = selectedChannel;
  if (channel < 0) return;
  StoreControls();
  ChanSettings& record = records_.Working(channel);
  record.changed = 1;
  // Every setting goes out again, in deferred mode too.
  InvalidateApplied(channel);
  ApplySettings(channel, record);
  ShowChannel(channel);
  UpdateEnabling();
}

void CCondDlg::OnHelp() {
  const CCondApp& app = CCondApp::Get();
  if (app.htmlHelpAvailable()) {
    ShowHtmlHelpKeyword(app.HelpFilePath(true), kHelpKeyword);
  } else {
    WinHelpA(hwnd(), app.HelpFilePath(false).c_str(), HELP_PARTIALKEY, reinterpret_cast<ULONG_PTR>(kHelpKeyword));
  }
}

}  // namespace condvorn
