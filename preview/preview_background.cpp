#include "preview/preview_background.h"

#include "win32/handles.h"
#include "win32/wallpaper_gdi.h"

namespace zelvane {

void paintPreviewBackground(HDC target, HWND view, const CanvasSpec& spec) {
    const int cellW = spec.cols > 0 ? spec.width / spec.cols : 0;
    const int cellH = spec.rows > 0 ? spec.height / spec.rows : 0;
    PatBlt(target, 0, 0, spec.width, spec.height, BLACKNESS);
    if (cellW <= 0 || cellH <= 0) return;
    RECT client{};
    GetClientRect(view, &client);
    win32::WindowDc viewDc(view);
    if (!viewDc) return;
    PaintDesktop(viewDc.get());
    SetStretchBltMode(target, HALFTONE);
    SetBrushOrgEx(target, 0, 0, nullptr);
    StretchBlt(target, 0, 0, cellW, cellH, viewDc.get(), 0, 0, client.right, client.bottom, SRCCOPY);
    for (int col = 0; col < spec.cols; ++col)
        for (int row = 0; row < spec.rows; ++row)
            if (row != 0 || col != 0) BitBlt(target, col * cellW, row * cellH, cellW, cellH, target, 0, 0, SRCCOPY);
    // Over the desktop's own background, which stays where a picture is
    // missing: each workspace's own picture, or one picture spread over all.
    if (spec.wallsType == 2) {
        win32::drawWallpaper(target, spec.spreadWallpaper, 0, 0, cellW * spec.cols, cellH * spec.rows);
    } else if (spec.wallsType == 1) {
        for (int row = 0; row < spec.rows; ++row)
            for (int col = 0; col < spec.cols; ++col) {
                const std::size_t i = static_cast<std::size_t>(row * spec.cols + col);
                if (i < spec.cellWallpapers.size() && !spec.cellWallpapers[i].empty())
                    win32::drawWallpaper(target, spec.cellWallpapers[i], col * cellW, row * cellH, cellW, cellH);
            }
    }
}

}  // namespace zelvane
