#include "preview/preview_background.h"

#include "win32/handles.h"
#include "win32/wallpaper_gdi.h"

namespace zelvane {

void paintPreviewBackground(HDC target, const CanvasLayout& layout) {
    const int cellW = layout.cols > 0 ? layout.width / layout.cols : 0;
    const int cellH = layout.rows > 0 ? layout.height / layout.rows : 0;
    PatBlt(target, 0, 0, layout.width, layout.height, BLACKNESS);
    if (cellW <= 0 || cellH <= 0) return;
    // The desktop as it would be drawn over the virtual screen, whose
    // corner is the memory bitmap's (0, 0), as it is the desktop window's.
    const int screenW = layout.screens.virtualWidth, screenH = layout.screens.virtualHeight;
    win32::UniqueGdiObject desktopBitmap(screenW > 0 && screenH > 0 ? CreateCompatibleBitmap(target, screenW, screenH)
                                                                    : nullptr);
    win32::UniqueMemoryDc desktopDc(CreateCompatibleDC(target));
    if (!desktopBitmap || !desktopDc) return;
    win32::SelectedObject selected(desktopDc.get(), desktopBitmap.get());
    PaintDesktop(desktopDc.get());
    SetStretchBltMode(target, HALFTONE);
    SetBrushOrgEx(target, 0, 0, nullptr);
    StretchBlt(target, 0, 0, cellW, cellH, desktopDc.get(), 0, 0, screenW, screenH, SRCCOPY);
    for (int col = 0; col < layout.cols; ++col)
        for (int row = 0; row < layout.rows; ++row)
            if (row != 0 || col != 0) BitBlt(target, col * cellW, row * cellH, cellW, cellH, target, 0, 0, SRCCOPY);
    // Over the desktop's own background, which stays where a picture is
    // missing: each workspace's own picture, or one picture spread over all.
    if (layout.wallsType == 2) {
        win32::drawWallpaper(target, layout.spreadWallpaper, 0, 0, cellW * layout.cols, cellH * layout.rows);
    } else if (layout.wallsType == 1) {
        for (int row = 0; row < layout.rows; ++row)
            for (int col = 0; col < layout.cols; ++col) {
                const std::size_t i = static_cast<std::size_t>(row * layout.cols + col);
                if (i < layout.cellWallpapers.size() && !layout.cellWallpapers[i].empty())
                    win32::drawWallpaper(target, layout.cellWallpapers[i], col * cellW, row * cellH, cellW, cellH);
            }
    }
}

}  // namespace zelvane
