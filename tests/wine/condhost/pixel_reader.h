// The panel's pixels as they are on the screen: where a colour lies inside
// one control, and whether it lies anywhere else in the panel.
#pragma once

#include <windows.h>

#include <vector>

#include "result_writer.h"

namespace condhost {

// {"size": [w, h] of the control's client area, "rows": {"X": [rows]} for
// each column X (control client coordinates) of the rows in `colour`,
// "outside": the number of pixels in `colour` in the panel's client area
// outside the control}.
Json ColourPixelsJson(HWND panel, HWND control, COLORREF colour, const std::vector<int>& columns);

}  // namespace condhost
