// The menu items' pictures drawn from the library's icons at the size a menu
// shows them: a picture the menu stretches blurs, and a check mark carries no
// alpha.
#pragma once

#include <windows.h>

namespace ovs {

// A system metric at the process's DPI: the pictures are made once for the
// whole process, whatever DPI awareness the calling thread has.
// GetSystemMetricsForDpi where the Windows has it, else GetSystemMetrics.
int ProcessMetric(int index);

// A size x size, 32-bit, top-down DIB section holding the icon with
// premultiplied alpha, the item bitmap the menus of Vista on blend onto
// their background; outside the icon's shape every pixel is 0. Null when the
// icon can't be loaded or drawn; the caller owns the bitmap.
HBITMAP AlphaBitmapFromIcon(HINSTANCE module, const char* iconName, int size);
// The same for an icon at hand, drawn at size x size.
HBITMAP AlphaBitmapOf(HICON icon, int size);

// A width x height bitmap holding the icon drawn on white, for a check mark:
// the menu draws it at exactly this size. Null when the icon can't be loaded
// or drawn; the caller owns the bitmap.
HBITMAP CheckMarkFromIcon(HINSTANCE module, const char* iconName, int width, int height);

} // namespace ovs
