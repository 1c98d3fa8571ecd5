#include "ItemPicture.h"

#include "RunTimeImports.h"

#include "WinHandle.h"
#include "lumSysUtils.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace ovs {

namespace {

// A bitmap selected into a DC while this object lives: a bitmap still
// selected can't be deleted.
class TSelectedBitmap {
public:
    TSelectedBitmap(HDC dc, HBITMAP bitmap) : dc_(dc), old_(SelectObject(dc, bitmap)) {}
    ~TSelectedBitmap() {
        if (old_) SelectObject(dc_, old_);
    }
    TSelectedBitmap(const TSelectedBitmap&) = delete;
    TSelectedBitmap& operator=(const TSelectedBitmap&) = delete;
    bool Selected() const { return old_ != nullptr; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A 32-bit top-down DIB section with every pixel set to fill.
struct TDib {
    TGdiBitmap Bitmap;
    std::span<std::uint32_t> Pixels;
};

TDib NewDib(int width, int height, std::uint32_t fill) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    TDib dib;
    dib.Bitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib.Bitmap || !bits || width <= 0 || height <= 0) return {};
    dib.Pixels = {static_cast<std::uint32_t*>(bits), static_cast<std::size_t>(width) * static_cast<std::size_t>(height)};
    std::ranges::fill(dib.Pixels, fill);
    return dib;
}

bool DrawInto(const TDib& dib, HICON icon, int width, int height, UINT how) {
    TMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc) return false;
    TSelectedBitmap selected(dc.get(), dib.Bitmap.get());
    const bool drawn = selected.Selected() && DrawIconEx(dc.get(), 0, 0, icon, width, height, 0, nullptr, how);
    // The pixels are read through the section's memory next.
    GdiFlush();
    return drawn;
}

TIcon LoadIconAt(HINSTANCE module, const char* iconName, int width, int height) {
    return TIcon(static_cast<HICON>(LoadImageA(module, iconName, IMAGE_ICON, width, height, LR_DEFAULTCOLOR)));
}

constexpr std::uint32_t kWhite = 0x00FFFFFF;
constexpr std::uint32_t kOpaque = 0xFF000000;

} // namespace

UINT ThreadDpi() {
    if (const DPI_AWARENESS_CONTEXT context = RunTime::GetThreadDpiAwarenessContext())
        if (const UINT dpi = RunTime::GetDpiFromDpiAwarenessContext(context)) return dpi;
    // Before 1803, and for a per-monitor context: the system's DPI as the
    // thread sees it, which for an unaware thread is 96 as well.
    return RunTime::GetDpiForSystem();
}

int MenuMetric(int index) {
    const UINT dpi = ThreadDpi();
    const int atDpi = dpi ? RunTime::GetSystemMetricsForDpi(index, dpi) : 0;
    return atDpi ? atDpi : GetSystemMetrics(index);
}

TItemBitmaps::~TItemBitmaps() {
    for (std::atomic<HBITMAP>& bitmap : bitmaps_)
        if (HBITMAP handle = bitmap.exchange(nullptr)) DeleteObject(handle);
}

HBITMAP TItemBitmaps::At(int size) {
    if (size < 1 || size > kMaxSize) return nullptr;
    std::atomic<HBITMAP>& slot = bitmaps_[static_cast<std::size_t>(size)];
    if (HBITMAP known = slot.load()) return known;
    HBITMAP drawn = AlphaBitmapFromIcon(module_, iconName_, size);
    if (!drawn) return nullptr;
    // Two menus may draw the same size at once: the first bitmap stored
    // stays, and is the one every menu gets.
    HBITMAP expected = nullptr;
    if (slot.compare_exchange_strong(expected, drawn)) return drawn;
    DeleteObject(drawn);
    return expected;
}

HBITMAP AlphaBitmapFromIcon(HINSTANCE module, const char* iconName, int size) {
    const TIcon icon = LoadIconAt(module, iconName, size, size);
    return icon ? AlphaBitmapOf(icon.get(), size) : nullptr;
}

HBITMAP AlphaBitmapOf(HICON icon, int size) {
    TDib picture = NewDib(size, size, 0);
    if (picture.Pixels.empty() || !DrawInto(picture, icon, size, size, DI_NORMAL)) return nullptr;
    // An image without an alpha channel (a low-colour one, which Windows
    // picks on a display of few colours) leaves every alpha at 0: its mask
    // tells the opaque pixels.
    if (std::ranges::none_of(picture.Pixels, [](std::uint32_t p) { return (p & kOpaque) != 0; })) {
        const TDib mask = NewDib(size, size, kWhite);
        if (mask.Pixels.empty() || !DrawInto(mask, icon, size, size, DI_MASK)) return nullptr;
        for (std::size_t i = 0; i < picture.Pixels.size(); ++i)
            picture.Pixels[i] = (mask.Pixels[i] & kWhite) == 0 ? picture.Pixels[i] | kOpaque : 0;
    }
    return picture.Bitmap.release();
}

HBITMAP CheckMarkFromIcon(HINSTANCE module, const char* iconName, int width, int height) {
    const TIcon icon = LoadIconAt(module, iconName, width, height);
    if (!icon) return nullptr;
    TDib picture = NewDib(width, height, kWhite);
    if (picture.Pixels.empty() || !DrawInto(picture, icon.get(), width, height, DI_NORMAL)) return nullptr;
    return picture.Bitmap.release();
}

} // namespace ovs
