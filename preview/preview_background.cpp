#include "preview/preview_background.h"

#include <chrono>

#include "controller/wsctrl.h"
#include "preview/preview_geometry.h"
#include "preview/preview_session.h"
#include "win32/handles.h"
#include "win32/wallpaper_image.h"

namespace zelvane {

namespace {

// A picture still being made (the files changed a moment ago) is waited for
// this long at most; the preview then opens with the desktop alone.
constexpr std::chrono::milliseconds kPictureWait{3000};

// The desktop's own background in every cell. Drawn in memory as it would
// be drawn over the virtual screen, whose corner is the memory bitmap's
// (0, 0), as it is the desktop window's: the preview window shows the still
// picture of the screen meanwhile.
void paintDesktopInCells(HDC target, const CanvasLayout& layout, int cellW, int cellH) {
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
}

}  // namespace

PlanePictureKey planePictureOf(const CanvasLayout& layout) {
    return planePictureKey(layout.wallsType, layout.rows, layout.cols, layout.cellWallpapers, layout.spreadWallpaper,
                           layout.width, layout.height);
}

PlanePictureKey restingPlanePicture(const WSController& c) {
    const RestingGeometry rest = restingGeometry(previewLayoutOf(c), c.settings().previewScale);
    return planePictureKey(c.settings(), c.previewBgPath(), rest.restW, rest.restH);
}

void paintPreviewBackground(HDC target, const CanvasLayout& layout) {
    const int cellW = layout.cols > 0 ? layout.width / layout.cols : 0;
    const int cellH = layout.rows > 0 ? layout.height / layout.rows : 0;
    PatBlt(target, 0, 0, layout.width, layout.height, BLACKNESS);
    if (cellW <= 0 || cellH <= 0) return;
    const PlanePictureKey key = planePictureOf(layout);
    if (layout.wallsType != 1 && layout.wallsType != 2) {
        // The desktop may have changed since the last preview: drawn anew,
        // and kept for the control window.
        paintDesktopInCells(target, layout, cellW, cellH);
        wallpaperImages().put(key, copyWallpaperImage(target, key));
        return;
    }
    const auto picture = wallpaperImages().get(key, kPictureWait);
    const auto* image = static_cast<const WallpaperImage*>(picture.get());
    // The desktop's own background stays where a picture is missing.
    if (!image || image->anyMissing()) paintDesktopInCells(target, layout, cellW, cellH);
    if (image) image->drawTo(target, layout.width, layout.height, true);
}

}  // namespace zelvane
