#include "win32/wallpaper_image.h"

#include <algorithm>
#include <utility>

#include "win32/wallpaper_gdi.h"

namespace zelvane {

namespace {

// Process-wide because three owners share one picture: the preview draws
// with it, the control window shows it, and the main window's commands make
// it stale. Made at the first use, freed at exit.
std::unique_ptr<PlanePictureCache> g_images;

win32::UniqueGdiObject newBitmap(int w, int h) {
    win32::WindowDc screen(nullptr);
    return win32::UniqueGdiObject(screen ? CreateCompatibleBitmap(screen.get(), w, h) : nullptr);
}

// The desktop's own wallpaper as the system paints it, once, stretched into
// the first cell and copied on to the others.
void drawDesktopInCells(HDC dc, int cellW, int cellH, int rows, int cols) {
    const int vw = GetSystemMetrics(SM_CXVIRTUALSCREEN), vh = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    win32::UniqueMemoryDc desktopDc(CreateCompatibleDC(dc));
    win32::UniqueGdiObject desktop = newBitmap(vw, vh);
    if (!desktopDc || !desktop) return;
    win32::SelectedObject selected(desktopDc.get(), desktop.get());
    PatBlt(desktopDc.get(), 0, 0, vw, vh, WHITENESS);
    PaintDesktop(desktopDc.get());
    StretchBlt(dc, 0, 0, cellW, cellH, desktopDc.get(), 0, 0, vw, vh, SRCCOPY);
    for (int col = 0; col < cols; ++col)
        for (int row = 0; row < rows; ++row)
            if (row != 0 || col != 0) BitBlt(dc, col * cellW, row * cellH, cellW, cellH, dc, 0, 0, SRCCOPY);
}

}  // namespace

WallpaperImage::WallpaperImage(win32::UniqueGdiObject bitmap, int width, int height, int rows, int cols,
                               std::vector<bool> missingCells)
    : bitmap_(std::move(bitmap)),
      width_(width),
      height_(height),
      rows_(rows),
      cols_(cols),
      missing_(std::move(missingCells)) {}

bool WallpaperImage::missing(int row, int col) const {
    const std::size_t i = static_cast<std::size_t>(row * cols_ + col);
    return row >= 0 && col >= 0 && row < rows_ && col < cols_ && i < missing_.size() && missing_[i];
}

bool WallpaperImage::anyMissing() const { return std::find(missing_.begin(), missing_.end(), true) != missing_.end(); }

bool WallpaperImage::drawTo(HDC dc, int w, int h, bool skipMissing) const {
    if (!bitmap_ || w <= 0 || h <= 0) return false;
    win32::UniqueMemoryDc source(CreateCompatibleDC(dc));
    if (!source) return false;
    win32::SelectedObject selected(source.get(), bitmap_.get());
    if (!selected) return false;
    const bool same = w == width_ && h == height_;
    if (!same) {
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
    }
    const auto copy = [&](int x, int y, int cw, int ch, int sx, int sy, int sw, int sh) {
        return same ? BitBlt(dc, x, y, cw, ch, source.get(), sx, sy, SRCCOPY) != FALSE
                    : StretchBlt(dc, x, y, cw, ch, source.get(), sx, sy, sw, sh, SRCCOPY) != FALSE;
    };
    if (!skipMissing || !anyMissing()) return copy(0, 0, w, h, 0, 0, width_, height_);
    // Cell by cell, in the picture's own cells and the target's.
    bool ok = true;
    const int cellW = width_ / cols_, cellH = height_ / rows_;
    for (int row = 0; row < rows_; ++row)
        for (int col = 0; col < cols_; ++col) {
            if (missing(row, col)) continue;
            const int x = col * cellW * w / width_, y = row * cellH * h / height_;
            const int x2 = (col + 1) * cellW * w / width_, y2 = (row + 1) * cellH * h / height_;
            ok = copy(x, y, x2 - x, y2 - y, col * cellW, row * cellH, cellW, cellH) && ok;
        }
    return ok;
}

PlanePictureCache& wallpaperImages() {
    if (!g_images) g_images = std::make_unique<PlanePictureCache>(makeWallpaperImage);
    return *g_images;
}

void releaseWallpaperImages() { g_images.reset(); }

std::shared_ptr<PlanePicture> makeWallpaperImage(const PlanePictureKey& key) {
    const int w = key.width, h = key.height, rows = std::max(key.rows, 1), cols = std::max(key.cols, 1);
    if (w <= 0 || h <= 0) return nullptr;
    win32::UniqueGdiObject bitmap = newBitmap(w, h);
    win32::WindowDc screen(nullptr);
    win32::UniqueMemoryDc dc(screen ? CreateCompatibleDC(screen.get()) : nullptr);
    if (!bitmap || !dc) return nullptr;
    std::vector<bool> missing(static_cast<std::size_t>(rows * cols), false);
    {
        win32::SelectedObject selected(dc.get(), bitmap.get());
        if (!selected) return nullptr;
        PatBlt(dc.get(), 0, 0, w, h, WHITENESS);
        SetStretchBltMode(dc.get(), HALFTONE);
        SetBrushOrgEx(dc.get(), 0, 0, nullptr);
        const int cellW = w / cols, cellH = h / rows;
        switch (key.wallsType) {
            case 1:
                for (int row = 0; row < rows; ++row)
                    for (int col = 0; col < cols; ++col) {
                        const std::size_t i = static_cast<std::size_t>(row * cols + col);
                        missing[i] = i >= key.cellFiles.size() ||
                                     !win32::drawWallpaper(dc.get(), key.cellFiles[i], col * cellW, row * cellH,
                                                           cellW, cellH);
                    }
                break;
            case 2:
                if (!win32::drawWallpaper(dc.get(), key.spreadFile, 0, 0, cellW * cols, cellH * rows))
                    missing.assign(missing.size(), true);
                break;
            default:
                drawDesktopInCells(dc.get(), cellW, cellH, rows, cols);
                break;
        }
        GdiFlush();
    }  // no DC holds the bitmap once it is handed over
    return std::make_shared<WallpaperImage>(std::move(bitmap), w, h, rows, cols, std::move(missing));
}

std::shared_ptr<PlanePicture> copyWallpaperImage(HDC source, const PlanePictureKey& key) {
    const SIZE size = win32::surfaceSize(source);
    if (size.cx <= 0 || size.cy <= 0) return nullptr;
    win32::UniqueGdiObject bitmap = newBitmap(size.cx, size.cy);
    win32::UniqueMemoryDc dc(CreateCompatibleDC(source));
    if (!bitmap || !dc) return nullptr;
    {
        win32::SelectedObject selected(dc.get(), bitmap.get());
        if (!selected || !BitBlt(dc.get(), 0, 0, size.cx, size.cy, source, 0, 0, SRCCOPY)) return nullptr;
    }
    const int rows = std::max(key.rows, 1), cols = std::max(key.cols, 1);
    return std::make_shared<WallpaperImage>(std::move(bitmap), size.cx, size.cy, rows, cols,
                                            std::vector<bool>(static_cast<std::size_t>(rows * cols), false));
}

}  // namespace zelvane
