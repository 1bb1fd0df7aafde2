// The control panel as a script sees it: found by its caption, described
// control by control as JSON, and its pixels as they are on the screen.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "result_writer.h"

namespace condhost {

// The panel's caption, by which it is found.
constexpr const char* kPanelCaption = "Vorn controls";

std::string WindowText(HWND window);
std::string ClassOf(HWND window);

// This process's visible panel window, or null; after DriveAnyProcess,
// any process's.
HWND FindPanel();
void DriveAnyProcess();

// This process's visible top-level windows.
std::vector<HWND> OwnWindows();

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

// {"size": [w, h] of the control's client area, "rows": {"X": [rows]} for
// each column X (control client coordinates) of the rows in `colour`,
// "outside": the number of pixels in `colour` in the panel's client area
// outside the control}.
Json ColourPixelsJson(HWND panel, HWND control, COLORREF colour, const std::vector<int>& columns);

}  // namespace condhost
