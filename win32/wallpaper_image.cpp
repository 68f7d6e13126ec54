#include "win32/wallpaper_image.h"

#include <memory>

#include "controller/wsctrl.h"
#include "win32/handles.h"
#include "win32/wallpaper_gdi.h"

namespace zelvane {

namespace {

struct CachedImage {
    // Declared before the DC that holds it: the DC goes first.
    win32::UniqueGdiObject bitmap;
    win32::UniqueMemoryDc dc;
};

// Process-wide because three owners share one picture: the preview draws it,
// the control window shows it, and the main window's commands discard it.
// The workspace controller, where it would belong, has no GDI. UI thread only.
std::unique_ptr<CachedImage> g_image;

}  // namespace

HDC wallpaperImageDC() { return g_image ? g_image->dc.get() : nullptr; }

bool setWallpaperImage(HDC source) {
    discardWallpaperImage();
    const SIZE size = win32::surfaceSize(source);
    if (size.cx <= 0 || size.cy <= 0) return false;
    auto image = std::make_unique<CachedImage>();
    win32::WindowDc screen(nullptr);
    image->bitmap.reset(CreateCompatibleBitmap(screen.get(), size.cx, size.cy));
    image->dc.reset(CreateCompatibleDC(screen.get()));
    if (!image->bitmap || !image->dc || !SelectObject(image->dc.get(), image->bitmap.get())) return false;
    BitBlt(image->dc.get(), 0, 0, size.cx, size.cy, source, 0, 0, SRCCOPY);
    g_image = std::move(image);
    return true;
}

bool discardWallpaperImage() {
    g_image.reset();
    return true;
}

void drawPlaneWallpaper(HDC dc, const WSController& ctrl, const Settings& settings, int w, int h) {
    PatBlt(dc, 0, 0, w, h, WHITENESS);
    const int rows = settings.wsRowNum;
    const int cols = settings.wsColNum;
    const int cellW = w / cols;
    const int cellH = h / rows;
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    switch (settings.wallsType) {
        case 1:
            for (int col = 0; col < cols; ++col)
                for (int row = 0; row < rows; ++row)
                    win32::drawWallpaper(dc, settings.wallpaperOf(row, col), col * cellW, row * cellH, cellW, cellH);
            break;
        case 2:
            win32::drawWallpaper(dc, ctrl.previewBgPath(), 0, 0, w, h);
            break;
        default: {
            // The desktop as the system paints it, once, copied into every cell.
            const int vw = ctrl.virtualWidth();
            const int vh = ctrl.virtualHeight();
            win32::WindowDc screen(nullptr);
            win32::UniqueMemoryDc desktopDc(CreateCompatibleDC(screen.get()));
            win32::UniqueGdiObject desktop(CreateCompatibleBitmap(screen.get(), vw, vh));
            if (!desktopDc || !desktop) break;
            win32::SelectedObject selected(desktopDc.get(), desktop.get());
            PatBlt(desktopDc.get(), 0, 0, vw, vh, WHITENESS);
            PaintDesktop(desktopDc.get());
            for (int col = 0; col < cols; ++col)
                for (int row = 0; row < rows; ++row)
                    StretchBlt(dc, col * cellW, row * cellH, cellW, cellH, desktopDc.get(), 0, 0, vw, vh, SRCCOPY);
            break;
        }
    }
}

}  // namespace zelvane
