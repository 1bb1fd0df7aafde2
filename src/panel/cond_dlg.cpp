// The panel's frame: construction, initialisation and layout, the end of
// OK and Cancel, the context menu, the host's close request, and the
// exports' view of the open panel.
#include "panel/cond_dlg.h"

#include <windowsx.h>

#include "api/library_state.h"
#include "app/cond_app.h"
#include "panel/dialog_controls.h"
#include "panel/panel_state.h"

namespace condvorn {
namespace {

constexpr UINT_PTR kDisplayTimerId = 451;
constexpr UINT kDisplayPeriodMs = 250;
// The provisional limits of the offset edit until a channel is shown.
constexpr double kProvisionalOffsetLimit = 3.0;
constexpr WPARAM kCloseRequest = COND_NOTIFY_CLOSE_REQUEST;

UINT ZelcondMessage() { return CCondApp::Get().zelcondMessage(); }

}  // namespace

CCondDlg::CCondDlg(const PanelRequest& request)
    : Dialog(IDD_CONDMENU, request.hostWindow),
      records_(request.hostSettings, request.channelCount),
      sampleSource(request.sampleSource),
      hostWindow(request.hostWindow) {
  Panel().panelFlags = request.options;
}

CCondDlg::~CCondDlg() = default;

// ---- Initialisation and layout ----

BOOL CCondDlg::OnInitDialog() {
  Dialog::OnInitDialog();
  panelReady = false;
  selectedChannel = -1;
  // The template's one initial item of the low-pass cut-off list.
  AddComboItem(Item(IDC_LOWPASS_CUTOFF), "All pass");
  const int32_t initialChannel = FillPortCombo();

  offsetEdit.AttachNumEdit(IDC_OFFSET, hwnd(), -kProvisionalOffsetLimit, kProvisionalOffsetLimit);
  SendMessageA(Item(IDC_OFFSET), EM_LIMITTEXT, kTextLimit, 0);
  lowPassCutoffCombo.SubclassDlgItem(IDC_LOWPASS_CUTOFF, hwnd());
  highPassCutoffCombo.SubclassDlgItem(IDC_HIGHPASS_CUTOFF, hwnd());
  for (int row = 0; row < kExtraRows; ++row) extraCombos[row].SubclassDlgItem(kExtraCombos[row], hwnd());

  const PanelState& panel = Panel();
  if (panel.panelPositionSaved) {
    SetWindowPos(hwnd(), nullptr, panel.panelPosition.left, panel.panelPosition.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (sampleSource != nullptr) {
    timerId = SetTimer(hwnd(), kDisplayTimerId, kDisplayPeriodMs, nullptr);
    PaintEmptyDisplay();
  } else {
    NarrowToControlHalf();
  }
  if (!PanelFlag(COND_MENU_DEFERRED_APPLY)) PutOkWhereApplyIs();
  RememberLayout();

  ShowChannel(initialChannel);
  UpdateEnabling();
  panelReady = true;
  return TRUE;
}

// Lists the channels by number; returns the one to show first: the channel
// last chosen if it is listed, else the first listed.
int32_t CCondDlg::FillPortCombo() {
  HWND port = Item(IDC_PORT);
  for (int32_t channel = 0; channel < records_.channelCount(); ++channel) {
    if (!records_.Listed(channel)) continue;
    const LRESULT item = SendMessageA(port, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_string(channel).c_str()));
    SendMessageA(port, CB_SETITEMDATA, static_cast<WPARAM>(item), channel);
  }
  const int32_t last = Panel().lastPanelChannel;
  return records_.Listed(last) ? last : records_.FirstListed();
}

// Without a sampling routine the display half is cut off: the window ends
// where the hidden marker control begins.
void CCondDlg::NarrowToControlHalf() {
  RECT window{};
  RECT edge{};
  GetWindowRect(hwnd(), &window);
  GetWindowRect(Item(IDC_DISPLAY_EDGE), &edge);
  MoveWindow(hwnd(), window.left, window.top, edge.left - window.left, window.bottom - window.top, TRUE);
}

// Immediate mode has no Apply button: OK takes its place and Cancel OK's.
void CCondDlg::PutOkWhereApplyIs() {
  const RECT apply = ClientRectOf(Item(IDC_APPLY));
  const RECT ok = ClientRectOf(Item(IDOK));
  MoveTo(Item(IDOK), apply);
  MoveTo(Item(IDCANCEL), ok);
  ShowWindow(Item(IDC_APPLY), SW_HIDE);
}

void CCondDlg::RememberLayout() {
  GetWindowRect(hwnd(), &dialogRect);
  const int controls[] = {IDC_EXTRA1, IDC_EXTRA2, IDC_APPLY, IDOK, IDCANCEL, IDC_HELP_BUTTON};
  for (size_t i = 0; i < std::size(controls); ++i) layoutRects[i] = ClientRectOf(Item(controls[i]));
}

// ---- Messages ----

bool CCondDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == ZelcondMessage()) {
    if (wParam == kCloseRequest) OnOK();
    result = 0;
    return true;
  }
  switch (message) {
    case WM_COMMAND: {
      // A closed panel's controls still report losing the focus.
      if (closing_) return true;
      // A disabled OK or Cancel (a close-locked panel) ignores Enter and Esc
      // too: only the host closes such a panel.
      const int id = LOWORD(wParam);
      if (id == IDOK || id == IDCANCEL) return !IsWindowEnabled(Item(id));
      return OnCommand(id, HIWORD(wParam));
    }
    case WM_VSCROLL:
      if (!closing_) OnScroll(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
      return true;
    case WM_TIMER:
      if (!closing_) RefreshDisplay();
      return true;
    case WM_CONTEXTMENU:
      ShowContextMenu(lParam);
      return true;
    default:
      return false;
  }
}

void CCondDlg::ShowContextMenu(LPARAM at) {
  POINT point{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
  if (point.x == -1 && point.y == -1) {
    // From the keyboard: below the control that has the focus.
    RECT focus{};
    HWND control = GetFocus();
    GetWindowRect(control != nullptr && IsChild(hwnd(), control) ? control : hwnd(), &focus);
    point = {focus.left, focus.bottom};
  }
  HMENU menu = LoadMenuA(Resources(), MAKEINTRESOURCEA(IDR_PANEL_MENU));
  if (menu == nullptr) return;
  TrackPopupMenu(GetSubMenu(menu, 0), TPM_RIGHTBUTTON, point.x, point.y, 0, hwnd(), nullptr);
  DestroyMenu(menu);
}

// ---- The end of the window ----

void CCondDlg::OnOK() {
  if (closing_) return;
  KillDisplayTimer();
  StoreControls();
  const bool changed = records_.CommitToHost(PanelFlag(COND_MENU_DEFERRED_APPLY));
  Finish(changed ? IDOK : IDCANCEL);
}

void CCondDlg::OnCancel() {
  if (closing_) return;
  KillDisplayTimer();
  StoreControls();
  records_.RevertHost(PanelFlag(COND_MENU_DEFERRED_APPLY));
  Finish(IDCANCEL);
}

void CCondDlg::KillDisplayTimer() {
  if (timerId == 0) return;
  KillTimer(hwnd(), timerId);
  timerId = 0;
}

void CCondDlg::Finish(INT_PTR result) {
  closing_ = true;
  RECT place{};
  GetWindowRect(hwnd(), &place);
  PanelState& panel = Panel();
  panel.panelPosition = {place.left, place.top, place.right, place.bottom};
  panel.panelPositionSaved = 1;
  if (!IsModal() && IsWindow(hostWindow)) PostMessageA(hostWindow, ZelcondMessage(), COND_NOTIFY_CLOSED, 0);
  closeResult_ = result;
  if (hostCalls_ > 0) {
    ShowWindow(hwnd(), SW_HIDE);  // ended: gone from view, destroyed once the host's call returns
    return;
  }
  EndIfClosed();
}

bool CCondDlg::EndIfClosed() {
  if (!closing_) return false;
  EndDialog(closeResult_);  // a modeless panel is deleted on the way: nothing of it is used after
  return true;
}

void CCondDlg::PostNcDestroy() {
  if (IsModal()) return;  // DoCondMenu deletes a modal panel
  if (Lib().activePanel == this) Lib().activePanel = nullptr;
  delete this;
}

// ---- The exports' view ----

int32_t CCondDlg::SetChannel(int32_t port, ChanSettings& settings) {
  if (!records_.InHostTable(port)) return COND_ERR_BAD_PORT;
  const int32_t shown = selectedChannel;
  StoreControls();
  records_.TakeHostRecord(port, settings);
  ShowChannel(shown);
  UpdateEnabling();
  return COND_OK;
}

int32_t CCondDlg::GetChannel(int32_t port, ChanSettings& settings) {
  const int32_t status = records_.HandToHost(port, settings);
  if (status == COND_OK) UpdateEnabling();
  return status;
}

void CCondDlg::Close(bool post) {
  if (hwnd() == nullptr) return;
  if (post) {
    PostMessageA(hwnd(), ZelcondMessage(), kCloseRequest, 0);
  } else {
    SendMessageA(hwnd(), ZelcondMessage(), kCloseRequest, 0);
  }
}

int32_t CCondDlg::SetScalingEnabled(bool enable) {
  PanelState& panel = Panel();
  const bool wasUnlocked = (panel.panelFlags & COND_MENU_SCALING_LOCKED) == 0;
  panel.panelFlags &= ~COND_MENU_SCALING_LOCKED;
  if (!enable) panel.panelFlags |= COND_MENU_SCALING_LOCKED;
  UpdateEnabling();
  return wasUnlocked ? 1 : 0;
}

void CCondDlg::BringToFront() {
  if (hwnd() == nullptr) return;
  if (IsIconic(hwnd())) ShowWindow(hwnd(), SW_RESTORE);
  SetForegroundWindow(hwnd());
}

}  // namespace condvorn
