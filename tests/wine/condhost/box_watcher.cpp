#include "box_watcher.h"

#include <set>
#include <string>

#include "panel_view.h"

namespace condhost {
namespace {

constexpr DWORD kSweepIntervalMs = 20;
constexpr int kMessageTextId = 0xFFFF;
constexpr const char* kMenuClass = "#32768";
constexpr UINT kGetMenuOfWindow = 0x01E1;  // MN_GETHMENU

ResultWriter* out = nullptr;
HANDLE thread = nullptr;
volatile LONG stopping = 0;
std::set<HWND> dismissed;  // windows told to close that may still exist

BOOL CALLBACK FindStaticText(HWND child, LPARAM found) {
  std::string& text = *reinterpret_cast<std::string*>(found);
  if (ClassOf(child) != "Static") return TRUE;
  text = WindowText(child);
  return text.empty();
}

// The message of a box: its text control, or else the first static with text.
std::string MessageText(HWND box) {
  std::string text = WindowText(GetDlgItem(box, kMessageTextId));
  if (text.empty()) EnumChildWindows(box, FindStaticText, reinterpret_cast<LPARAM>(&text));
  return text;
}

void Dismiss(HWND box) {
  out->Write(Json{{"box", MessageText(box)}, {"caption", WindowText(box)}});
  dismissed.insert(box);
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void CloseMenu(HWND menuWindow) {
  auto menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, kGetMenuOfWindow, 0, 0));
  Json items = Json::array();
  for (int i = 0; menu != nullptr && i < GetMenuItemCount(menu); ++i) {
    char text[128] = "";
    GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    items.push_back(text);
  }
  out->Write(Json{{"menu", items}});
  dismissed.insert(menuWindow);
  PostMessageA(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0);
}

void Visit(HWND window) {
  const std::string kind = ClassOf(window);
  // A message box always has a caption; a dialog without one is a panel
  // caught while it is being destroyed. The panel is a dialog too, but
  // scripts drive it themselves.
  const std::string caption = kind == "#32770" ? WindowText(window) : "";
  if (!caption.empty() && caption != kPanelCaption) Dismiss(window);
  if (kind == kMenuClass) CloseMenu(window);
}

DWORD WINAPI Watch(LPVOID) {
  while (InterlockedCompareExchange(&stopping, 0, 0) == 0) {
    for (auto it = dismissed.begin(); it != dismissed.end();) it = IsWindow(*it) ? std::next(it) : dismissed.erase(it);
    for (HWND window : OwnWindows()) {
      if (dismissed.count(window) == 0) Visit(window);
    }
    Sleep(kSweepIntervalMs);
  }
  return 0;
}

}  // namespace

bool StartBoxWatcher(ResultWriter& writer) {
  out = &writer;
  thread = CreateThread(nullptr, 0, Watch, nullptr, 0, nullptr);
  return thread != nullptr;
}

void StopBoxWatcher() {
  if (thread == nullptr) return;
  InterlockedExchange(&stopping, 1);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  thread = nullptr;
}

}  // namespace condhost
