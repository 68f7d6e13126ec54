#include "preview/win32_surface.h"

#include "win32/dwm_binding.h"
#include "preview/preview_background.h"
#include "preview/taskbar.h"
#include "win32/win32_desktop.h"

namespace zelvane {

using win32::toHwnd;
using win32::toWindowId;

Win32PreviewSurface::~Win32PreviewSurface() {
    dropAllSources();
    destroyCanvas();
}

bool Win32PreviewSurface::compositionEnabled() { return dwm::compositionEnabled(); }

bool Win32PreviewSurface::createCanvas(WindowId view, const CanvasLayout& layout) {
    destroyCanvas();
    view_ = toHwnd(view);
    layout_ = layout;
    win32::WindowDc screen(nullptr);
    if (!screen) return false;
    canvasBitmap_.reset(CreateCompatibleBitmap(screen.get(), layout.width, layout.height));
    canvasDc_.reset(CreateCompatibleDC(screen.get()));
    if (!canvasBitmap_ || !canvasDc_) {
        destroyCanvas();
        return false;
    }
    SelectObject(canvasDc_.get(), canvasBitmap_.get());
    SetStretchBltMode(canvasDc_.get(), COLORONCOLOR);
    if (layout.showWallpaper) {
        backgroundBitmap_.reset(CreateCompatibleBitmap(screen.get(), layout.width, layout.height));
        backgroundDc_.reset(CreateCompatibleDC(screen.get()));
        if (backgroundBitmap_ && backgroundDc_) {
            SelectObject(backgroundDc_.get(), backgroundBitmap_.get());
            paintPreviewBackground(backgroundDc_.get(), view_, layout);
        } else {
            backgroundDc_.reset();
            backgroundBitmap_.reset();
        }
    }
    return true;
}

void Win32PreviewSurface::destroyCanvas() {
    canvasDc_.reset();
    canvasBitmap_.reset();
    backgroundDc_.reset();
    backgroundBitmap_.reset();
}

void Win32PreviewSurface::paintBackground(const Rect& r) {
    if (!canvasDc_) return;
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (!backgroundDc_) {
        PatBlt(canvasDc_.get(), r.left, r.top, w, h, BLACKNESS);
        return;
    }
    BitBlt(canvasDc_.get(), r.left, r.top, w, h, backgroundDc_.get(), r.left, r.top, SRCCOPY);
    // The grid lines across the whole canvas, in the default black pen.
    for (int i = 1; i < layout_.rows; ++i) {
        const POINT line[2] = {{0, i * layout_.height / layout_.rows}, {layout_.width, i * layout_.height / layout_.rows}};
        Polyline(canvasDc_.get(), line, 2);
    }
    for (int i = 1; i < layout_.cols; ++i) {
        const POINT line[2] = {{i * layout_.width / layout_.cols, 0}, {i * layout_.width / layout_.cols, layout_.height}};
        Polyline(canvasDc_.get(), line, 2);
    }
}

void Win32PreviewSurface::present(const Rect& r) {
    if (!canvasDc_ || !view_) return;
    win32::WindowDc dc(view_);
    if (!dc) return;
    SetStretchBltMode(dc.get(), COLORONCOLOR);
    StretchBlt(dc.get(), r.left, r.top, r.right - r.left, r.bottom - r.top, canvasDc_.get(), 0, 0, layout_.width,
               layout_.height, SRCCOPY);
}

void Win32PreviewSurface::coverWithDesktop() {
    if (!view_) return;
    win32::WindowDc dc(view_);
    if (dc) PaintDesktop(dc.get());
}

void Win32PreviewSurface::addSource(WindowId w) {
    if (!monitors_.count(w)) monitors_.emplace(w, std::make_unique<WndMonitor>(toHwnd(w), &starter_));
}

void Win32PreviewSurface::dropSource(WindowId w) { monitors_.erase(w); }

void Win32PreviewSurface::dropAllSources() { monitors_.clear(); }

bool Win32PreviewSurface::capture(WindowId w) {
    const auto it = monitors_.find(w);
    return it != monitors_.end() && it->second->capture();
}

void Win32PreviewSurface::drawSource(WindowId w, const Rect& r) {
    const auto it = monitors_.find(w);
    if (it == monitors_.end() || !canvasDc_) return;
    it->second->draw(canvasDc_.get(), r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void Win32PreviewSurface::updateThumbnail(WindowId w, const Rect& r, bool reRegister, std::uint32_t slot) {
    const auto it = monitors_.find(w);
    if (it == monitors_.end() || !view_) return;
    it->second->updateThumbnail(view_, RECT{r.left, r.top, r.right, r.bottom}, reRegister, slot);
}

void Win32PreviewSurface::showTaskbar() { taskbar::show(); }

}  // namespace zelvane
