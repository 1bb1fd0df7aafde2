#include "app/html_help.h"

#include <windows.h>

#include <htmlhelp.h>

namespace condvorn {
namespace {

using HtmlHelpEntry = HWND(WINAPI*)(HWND caller, LPCSTR file, UINT command, DWORD_PTR data);

// Where the system registered the HTML Help control's library.
constexpr const char* kRegisteredServer = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr const char* kLibraryName = "hhctrl.ocx";
constexpr const char* kHelpWindowClass = "HH Parent";

std::string RegisteredLibrary() {
  char stored[MAX_PATH] = "";
  LONG size = sizeof stored;
  if (RegQueryValueA(HKEY_CLASSES_ROOT, kRegisteredServer, stored, &size) != ERROR_SUCCESS) return {};
  char expanded[MAX_PATH] = "";
  const DWORD length = ExpandEnvironmentStringsA(stored, expanded, sizeof expanded);
  return length > 0 && length <= sizeof expanded ? expanded : stored;
}

HtmlHelpEntry LoadHtmlHelp() {
  static bool tried = false;
  static HtmlHelpEntry entry = nullptr;
  if (tried) return entry;
  tried = true;
  const std::string registered = RegisteredLibrary();
  HMODULE library = registered.empty() ? nullptr : LoadLibraryA(registered.c_str());
  if (library == nullptr) library = LoadLibraryA(kLibraryName);
  if (library != nullptr) entry = reinterpret_cast<HtmlHelpEntry>(reinterpret_cast<void*>(GetProcAddress(library, "HtmlHelpA")));
  return entry;
}

// How many help windows this process shows.
int HelpWindowCount() {
  int count = 0;
  for (HWND window = FindWindowExA(nullptr, nullptr, kHelpWindowClass, nullptr); window != nullptr;
       window = FindWindowExA(nullptr, window, kHelpWindowClass, nullptr)) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) ++count;
  }
  return count;
}

}  // namespace

void ShowHtmlHelpKeyword(const std::string& file, const char* keyword) {
  const HtmlHelpEntry htmlHelp = LoadHtmlHelp();
  if (htmlHelp == nullptr) return;
  HH_AKLINK link{};
  link.cbStruct = sizeof link;
  link.pszKeywords = keyword;
  link.fIndexOnFail = TRUE;
  // A viewer that cannot look keywords up (Wine's, for one) opens no window:
  // the file's default topic then stands in. A failed lookup that opened a
  // window of its own (the engine's index, after its message) is not
  // followed by a second one.
  const int windowsBefore = HelpWindowCount();
  if (htmlHelp(GetDesktopWindow(), file.c_str(), HH_KEYWORD_LOOKUP, reinterpret_cast<DWORD_PTR>(&link)) == nullptr &&
      HelpWindowCount() == windowsBefore) {
    htmlHelp(GetDesktopWindow(), file.c_str(), HH_DISPLAY_TOPIC, 0);
  }
}

}  // namespace condvorn
