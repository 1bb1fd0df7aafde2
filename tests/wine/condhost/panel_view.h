// The control panel as a script sees it: found by its caption, and
// described control by control as JSON.
#pragma once

#include <windows.h>

#include <vector>

#include "result_writer.h"

namespace condhost {

// This process's visible panel window, or null; after DriveAnyProcess,
// any process's.
HWND FindPanel();
void DriveAnyProcess();

// This process's visible top-level windows but the panel and `host`.
std::vector<HWND> OtherWindows(HWND host);
// {"class": ..., "title": ...}
Json WindowJson(HWND window);

// {"window": [l, t, r, b], "client": [w, h], "base": [x, y] (the dialog's
// base units: pixels per 4 horizontal and 8 vertical dialog units),
// "focus": id, "controls": {"ID": {...}}}. Each control: class, text,
// visible, enabled, rect (client coordinates); a combo box its items, sel
// and, with an edit part, "edit" and "readonly"; an edit "readonly"; a
// button "checked".
Json PanelJson(HWND panel);

// The edit part of a combo box, else the control itself: where typed
// characters go.
HWND TypingTarget(HWND control);

Json RectJson(const RECT& rect);

}  // namespace condhost
