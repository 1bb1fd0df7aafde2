#include "box_watcher.h"

#include <string>

#include "panel_view.h"

namespace condhost {
namespace {

constexpr DWORD kSweepIntervalMs = 20;
constexpr int kMessageTextId = 0xFFFF;
constexpr const char* kMenuClass = "#32768";
constexpr UINT kGetMenuOfWindow = 0x01E1;  // MN_GETHMENU

BOOL CALLBACK FindStaticText(HWND child, LPARAM found) {
  std::string& text = *reinterpret_cast<std::string*>(found);
  if (ClassOf(child) != "Static") return TRUE;
  text = WindowText(child);
  return text.empty();
}

// The message of a box: its text control, or else the first static with text.
std::string MessageText(HWND box) {
  if (HWND control = GetDlgItem(box, kMessageTextId)) {
    std::string text = WindowText(control);
    if (!text.empty()) return text;
  }
  std::string text;
  EnumChildWindows(box, FindStaticText, reinterpret_cast<LPARAM>(&text));
  return text;
}

}  // namespace

bool BoxWatcher::Start() {
  thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
  return thread_ != nullptr;
}

void BoxWatcher::Stop() {
  if (thread_ == nullptr) return;
  InterlockedExchange(&stopping_, 1);
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
}

DWORD WINAPI BoxWatcher::Run(LPVOID self) {
  BoxWatcher& watcher = *static_cast<BoxWatcher*>(self);
  while (InterlockedCompareExchange(&watcher.stopping_, 0, 0) == 0) {
    watcher.Sweep();
    Sleep(kSweepIntervalMs);
  }
  return 0;
}

void BoxWatcher::Sweep() {
  for (auto it = dismissed_.begin(); it != dismissed_.end();) {
    it = IsWindow(*it) ? std::next(it) : dismissed_.erase(it);
  }
  EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(this));
}

BOOL CALLBACK BoxWatcher::VisitWindow(HWND window, LPARAM self) {
  BoxWatcher& watcher = *reinterpret_cast<BoxWatcher*>(self);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() || !IsWindowVisible(window) || watcher.dismissed_.count(window) != 0) {
    return TRUE;
  }
  const std::string kind = ClassOf(window);
  // A message box always has a caption; a dialog without one is a panel
  // caught while it is being destroyed. The panel is a dialog too, but
  // scripts drive it themselves.
  const std::string caption = kind == "#32770" ? WindowText(window) : "";
  if (!caption.empty() && caption != kPanelCaption) watcher.Dismiss(window);
  if (kind == kMenuClass) watcher.CloseMenu(window);
  return TRUE;
}

void BoxWatcher::Dismiss(HWND box) {
  out_.Write(Json{{"box", MessageText(box)}, {"caption", WindowText(box)}});
  dismissed_.insert(box);
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void BoxWatcher::CloseMenu(HWND menuWindow) {
  auto menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, kGetMenuOfWindow, 0, 0));
  Json items = Json::array();
  for (int i = 0; menu != nullptr && i < GetMenuItemCount(menu); ++i) {
    char text[128] = "";
    GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    items.push_back(text);
  }
  out_.Write(Json{{"menu", items}});
  dismissed_.insert(menuWindow);
  PostMessageA(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0);
}

}  // namespace condhost
