#include "host_window.h"

#include "condvorn.h"

namespace condhost {
namespace {

constexpr const char* kClassName = "CondHostWindow";
constexpr UINT_PTR kTickTimer = 1;

}  // namespace

HostWindow::HostWindow() : notifyMessage_(RegisterWindowMessageA(COND_MESSAGE_NAME)) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kClassName;
  RegisterClassA(&windowClass);
  window_ = CreateWindowA(kClassName, "condhost", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                          windowClass.hInstance, this);
}

HostWindow::~HostWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

void HostWindow::Pump(DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(1);
  } while (GetTickCount() - start < ms);
}

std::vector<std::pair<WPARAM, LPARAM>> HostWindow::TakeNotes() {
  std::vector<std::pair<WPARAM, LPARAM>> notes;
  notes.swap(notes_);
  return notes;
}

void HostWindow::StartTicks(DWORD ms, std::function<void()> tick) {
  tick_ = std::move(tick);
  SetTimer(window_, kTickTimer, ms, nullptr);
}

void HostWindow::StopTicks() {
  KillTimer(window_, kTickTimer);
  tick_ = nullptr;
}

LRESULT CALLBACK HostWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* created = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created->lpCreateParams));
  }
  auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self != nullptr && message == self->notifyMessage_) {
    self->notes_.emplace_back(wParam, lParam);
    if (self->react_) {
      const std::function<void(WPARAM, LPARAM)> react = self->react_;  // it may replace itself
      react(wParam, lParam);
    }
    return 0;
  }
  if (self != nullptr && message == WM_TIMER && wParam == kTickTimer && self->tick_) {
    const std::function<void()> tick = self->tick_;  // the tick may stop the ticks
    tick();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace condhost
