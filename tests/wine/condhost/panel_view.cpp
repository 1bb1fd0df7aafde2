#include "panel_view.h"

#include <map>
#include <vector>

#include "result_writer.h"

namespace condhost {
namespace {

constexpr const char* kPanelCaption = "Vorn controls";
bool anyProcess = false;

struct WindowSearch {
  HWND skip[2];
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM search) {
  auto& wanted = *reinterpret_cast<WindowSearch*>(search);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) && window != wanted.skip[0] &&
      window != wanted.skip[1]) {
    wanted.found.push_back(window);
  }
  return TRUE;
}

std::string Text(HWND window) {
  std::vector<char> text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
  return text.data();
}

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

bool ReadOnly(HWND edit) { return (GetWindowLongA(edit, GWL_STYLE) & ES_READONLY) != 0; }

std::string ComboItems(HWND combo) {
  std::string items;
  const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::vector<char> text(static_cast<size_t>(SendMessageA(combo, CB_GETLBTEXTLEN, i, 0)) + 1, '\0');
    SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    items += (items.empty() ? "" : ", ") + JsonString(text.data());
  }
  return "[" + items + "]";
}

std::string ControlJson(HWND panel, HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&rect), 2);
  const std::string kind = ClassOf(control);
  JsonObject json;
  json.Add("class", kind)
      .Add("text", Text(control))
      .AddRaw("visible", IsWindowVisible(control) ? "true" : "false")
      .AddRaw("enabled", IsWindowEnabled(control) ? "true" : "false")
      .AddRaw("rect", RectJson(rect));
  if (kind == "ComboBox") {
    json.AddRaw("items", ComboItems(control)).Add("sel", static_cast<long long>(SendMessageA(control, CB_GETCURSEL, 0, 0)));
    HWND edit = TypingTarget(control);
    if (edit != control) json.Add("edit", Text(edit)).AddRaw("readonly", ReadOnly(edit) ? "true" : "false");
  } else if (kind == "Edit") {
    json.AddRaw("readonly", ReadOnly(control) ? "true" : "false");
  } else if (kind == "Button") {
    json.Add("checked", static_cast<long long>(SendMessageA(control, BM_GETCHECK, 0, 0)));
  }
  return json.Text();
}

BOOL CALLBACK CollectChild(HWND child, LPARAM found) {
  auto& children = *reinterpret_cast<std::vector<HWND>*>(found);
  children.push_back(child);
  return TRUE;
}

}  // namespace

HWND FindPanel() {
  HWND panel = FindWindowA("#32770", kPanelCaption);
  DWORD process = 0;
  if (panel != nullptr) GetWindowThreadProcessId(panel, &process);
  const bool ours = anyProcess || process == GetCurrentProcessId();
  return panel != nullptr && ours && IsWindowVisible(panel) ? panel : nullptr;
}

void DriveAnyProcess() { anyProcess = true; }

std::vector<HWND> OtherWindows(HWND host) {
  WindowSearch search{{host, FindPanel()}, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string WindowJson(HWND window) { return JsonObject().Add("class", ClassOf(window)).Add("title", Text(window)).Text(); }

std::string RectJson(const RECT& rect) {
  return "[" + std::to_string(rect.left) + ", " + std::to_string(rect.top) + ", " + std::to_string(rect.right) +
         ", " + std::to_string(rect.bottom) + "]";
}

HWND TypingTarget(HWND control) {
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (ClassOf(control) == "ComboBox" && GetComboBoxInfo(control, &info) && info.hwndItem != nullptr &&
      info.hwndItem != control) {
    return info.hwndItem;
  }
  return control;
}

std::string PanelJson(HWND panel) {
  RECT window{};
  RECT client{};
  RECT base{0, 0, 4, 8};
  GetWindowRect(panel, &window);
  GetClientRect(panel, &client);
  MapDialogRect(panel, &base);
  std::vector<HWND> children;
  EnumChildWindows(panel, CollectChild, reinterpret_cast<LPARAM>(&children));
  // Controls by id; labels without one and the parts of combo boxes are left out.
  std::map<int, std::string> controls;
  for (HWND child : children) {
    const int id = GetDlgCtrlID(child);
    if (GetParent(child) == panel && id > 0 && id != 0xFFFF) controls[id] = ControlJson(panel, child);
  }
  std::string list;
  for (const auto& [id, json] : controls) list += (list.empty() ? "" : ", ") + JsonString(std::to_string(id)) + ": " + json;
  return JsonObject()
      .AddRaw("window", RectJson(window))
      .AddRaw("client", "[" + std::to_string(client.right) + ", " + std::to_string(client.bottom) + "]")
      .AddRaw("base", "[" + std::to_string(base.right) + ", " + std::to_string(base.bottom) + "]")
      .Add("focus", static_cast<long long>(GetDlgCtrlID(GetFocus())))
      .AddRaw("controls", "{" + list + "}")
      .Text();
}

}  // namespace condhost
