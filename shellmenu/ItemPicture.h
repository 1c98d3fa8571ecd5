// The menu items' pictures drawn from the library's icons at the size a menu
// shows them: a picture the menu stretches blurs, and a check mark carries no
// alpha.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>

namespace ovs {

// The DPI a menu built on the calling thread is drawn at: the DPI of the
// thread's own DPI awareness context. A DPI-unaware thread is 96 whatever the
// display (Windows scales its windows up), a system-aware one the system's
// DPI; a per-monitor-aware context names no DPI without a window, and gets the
// system's. 0 before Windows 10 1607, which has no DPI but the system's. Asked
// anew for every menu: Explorer's threads may differ in awareness, and the
// display scale may change while Explorer runs.
UINT ThreadDpi();

// A system metric at ThreadDpi (GetSystemMetricsForDpi); where that is
// missing, GetSystemMetrics, which is then the system's and the thread's.
int MenuMetric(int index);

// An icon's item bitmaps (AlphaBitmapFromIcon), one per size a menu has asked
// for, drawn on the first request from the icon's own image of that size and
// kept until the owner goes: a menu shows the bitmap it was given for as long
// as it lives, and Explorer builds menus on several threads at once.
class TItemBitmaps {
public:
    // iconName: an icon resource of module (a MAKEINTRESOURCE name or a
    // string that lives as long as this object).
    TItemBitmaps(HINSTANCE module, const char* iconName) : module_(module), iconName_(iconName) {}
    ~TItemBitmaps();
    TItemBitmaps(const TItemBitmaps&) = delete;
    TItemBitmaps& operator=(const TItemBitmaps&) = delete;

    // The bitmap at size x size, owned by this object; null when the icon
    // can't be drawn or the size is outside 1 to kMaxSize.
    HBITMAP At(int size);

    static constexpr int kMaxSize = 256;

private:
    HINSTANCE module_;
    const char* iconName_;
    std::array<std::atomic<HBITMAP>, kMaxSize + 1> bitmaps_{};
};

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
