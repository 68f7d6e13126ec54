#include "preview/win32_surface.h"

#include <algorithm>

#include "preview/preview_background.h"
#include "win32/dwm_binding.h"
#include "win32/wallpaper_gdi.h"
#include "win32/win32_desktop.h"

namespace zelvane {

using win32::toHwnd;
using win32::toWindowId;

namespace {

bool makeBitmapDc(HDC like, int w, int h, win32::UniqueGdiObject& bitmap, win32::UniqueMemoryDc& dc) {
    bitmap.reset(w > 0 && h > 0 ? CreateCompatibleBitmap(like, w, h) : nullptr);
    dc.reset(CreateCompatibleDC(like));
    if (!bitmap || !dc) {
        dc.reset();
        bitmap.reset();
        return false;
    }
    SelectObject(dc.get(), bitmap.get());
    return true;
}

}  // namespace

Win32PreviewSurface::Win32PreviewSurface() : notice_(std::make_shared<PictureNotice>()) {}

Win32PreviewSurface::~Win32PreviewSurface() {
    dropAllSources();
    destroyCanvas();
    taskbar_.show();
}

bool Win32PreviewSurface::compositionEnabled() { return dwm::compositionEnabled(); }

bool Win32PreviewSurface::freezeScreen(WindowId view, const Rect& screen) {
    view_ = toHwnd(view);
    frozenRect_ = screen;
    win32::WindowDc screenDc(nullptr);
    const int w = screen.right - screen.left, h = screen.bottom - screen.top;
    if (!screenDc || !makeBitmapDc(screenDc.get(), w, h, frozenBitmap_, frozenDc_)) return false;
    // The screen DC's origin is the primary screen's corner.
    return BitBlt(frozenDc_.get(), 0, 0, w, h, screenDc.get(), screen.left, screen.top, SRCCOPY | CAPTUREBLT) !=
           FALSE;
}

void Win32PreviewSurface::presentFrozen(const Rect& at) {
    if (!frozenDc_ || !view_) return;
    win32::WindowDc dc(view_);
    if (!dc) return;
    const int w = frozenRect_.right - frozenRect_.left, h = frozenRect_.bottom - frozenRect_.top;
    const int aw = at.right - at.left, ah = at.bottom - at.top;
    if (aw == w && ah == h) {
        BitBlt(dc.get(), at.left, at.top, w, h, frozenDc_.get(), 0, 0, SRCCOPY);
        return;
    }
    SetStretchBltMode(dc.get(), COLORONCOLOR);
    StretchBlt(dc.get(), at.left, at.top, aw, ah, frozenDc_.get(), 0, 0, w, h, SRCCOPY);
}

void Win32PreviewSurface::releaseCanvas() {
    canvasDc_.reset();
    canvasBitmap_.reset();
    backgroundDc_.reset();
    backgroundBitmap_.reset();
    maskDc_.reset();
    maskBitmap_.reset();
}

bool Win32PreviewSurface::createCanvas(WindowId view, const CanvasLayout& layout) {
    releaseCanvas();
    view_ = toHwnd(view);
    layout_ = layout;
    windowsDrawn_ = false;
    notice_->target(view_, kMsgPicturesReady);
    win32::WindowDc screen(nullptr);
    if (!screen || !makeBitmapDc(screen.get(), layout.width, layout.height, canvasBitmap_, canvasDc_)) return false;
    SetStretchBltMode(canvasDc_.get(), COLORONCOLOR);
    if (layout.showWallpaper &&
        makeBitmapDc(screen.get(), layout.width, layout.height, backgroundBitmap_, backgroundDc_)) {
        paintPreviewBackground(backgroundDc_.get(), layout);
        if (layout.wallsType == 2) {
            maskBitmap_.reset(CreateBitmap(layout.width, layout.height, 1, 1, nullptr));
            maskDc_.reset(CreateCompatibleDC(screen.get()));
            if (maskBitmap_ && maskDc_) {
                SelectObject(maskDc_.get(), maskBitmap_.get());
                SetStretchBltMode(maskDc_.get(), COLORONCOLOR);
            } else {
                maskDc_.reset();
                maskBitmap_.reset();
            }
        }
    }
    return true;
}

void Win32PreviewSurface::destroyCanvas() {
    notice_->target(nullptr, 0);
    releaseCanvas();
    frozenDc_.reset();
    frozenBitmap_.reset();
}

void Win32PreviewSurface::beginCanvasUpdate(const std::vector<Rect>& area) {
    if (!canvasDc_ || area.empty()) return;
    // One region for the whole area; every drawing below stays inside it.
    win32::UniqueGdiObject region(CreateRectRgn(area[0].left, area[0].top, area[0].right, area[0].bottom));
    for (std::size_t i = 1; i < area.size() && region; ++i) {
        win32::UniqueGdiObject part(CreateRectRgn(area[i].left, area[i].top, area[i].right, area[i].bottom));
        if (part) CombineRgn(static_cast<HRGN>(region.get()), static_cast<HRGN>(region.get()),
                             static_cast<HRGN>(part.get()), RGN_OR);
    }
    if (!region) return;
    SelectClipRgn(canvasDc_.get(), static_cast<HRGN>(region.get()));  // copied into the DC
    if (maskDc_) SelectClipRgn(maskDc_.get(), static_cast<HRGN>(region.get()));
}

void Win32PreviewSurface::endCanvasUpdate() {
    if (canvasDc_) SelectClipRgn(canvasDc_.get(), nullptr);
    if (maskDc_) SelectClipRgn(maskDc_.get(), nullptr);
}

void Win32PreviewSurface::paintBackground(const Rect& r) {
    if (!canvasDc_) return;
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (distantView()) {
        // The picture is drawn behind the windows at every frame (present);
        // the canvas keeps the windows on black, the mask says where they are.
        PatBlt(canvasDc_.get(), r.left, r.top, w, h, BLACKNESS);
        if (maskDc_) PatBlt(maskDc_.get(), r.left, r.top, w, h, WHITENESS);
        return;
    }
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

void Win32PreviewSurface::drawSource(WindowId w, const Rect& r, const std::optional<Rect>& frozen) {
    const auto it = monitors_.find(w);
    if (it == monitors_.end() || !canvasDc_) return;
    const int width = r.right - r.left, height = r.bottom - r.top;
    bool drawn = it->second->draw(canvasDc_.get(), r.left, r.top, width, height);
    if (!drawn && frozen && frozenDc_) {
        // No picture of its own yet: its pixels as they were on the screen.
        drawn = StretchBlt(canvasDc_.get(), r.left, r.top, width, height, frozenDc_.get(), frozen->left,
                           frozen->top, frozen->right - frozen->left, frozen->bottom - frozen->top, SRCCOPY) != FALSE;
    }
    if (!drawn) {
        // Nothing to show yet (or ever, for a window that draws nothing when
        // asked): its outline, so the user sees where it is.
        const RECT box{r.left, r.top, r.right, r.bottom};
        win32::UniqueGdiObject fill(CreateSolidBrush(RGB(48, 48, 48)));
        win32::UniqueGdiObject frame(CreateSolidBrush(RGB(128, 128, 128)));
        if (fill) FillRect(canvasDc_.get(), &box, static_cast<HBRUSH>(fill.get()));
        if (frame) FrameRect(canvasDc_.get(), &box, static_cast<HBRUSH>(frame.get()));
        drawn = fill && frame;
    }
    if (drawn && maskDc_) PatBlt(maskDc_.get(), r.left, r.top, width, height, BLACKNESS);
    windowsDrawn_ = windowsDrawn_ || drawn;
}

void Win32PreviewSurface::presentDistantView(HDC dc, const Rect& plane) {
    const RECT client{0, 0, layout_.screens.virtualWidth, layout_.screens.virtualHeight};
    RECT shown{};
    const RECT planeRect{plane.left, plane.top, plane.right, plane.bottom};
    if (!IntersectRect(&shown, &planeRect, &client)) return;
    SaveDC(dc);
    IntersectClipRect(dc, shown.left, shown.top, shown.right, shown.bottom);
    const Rect picture = spreadPicturePlacement(plane, layout_.width, layout_.height, layout_.screens,
                                                layout_.spreadScale);
    StretchBlt(dc, picture.left, picture.top, picture.right - picture.left, picture.bottom - picture.top,
               backgroundDc_.get(), 0, 0, layout_.width, layout_.height, SRCCOPY);
    const std::int64_t pw = std::int64_t{plane.right} - plane.left, ph = std::int64_t{plane.bottom} - plane.top;
    for (int i = 1; i < layout_.rows; ++i) {
        const int y = static_cast<int>(plane.top + i * ph / layout_.rows);
        const POINT line[2] = {{shown.left, y}, {shown.right, y}};
        Polyline(dc, line, 2);
    }
    for (int i = 1; i < layout_.cols; ++i) {
        const int x = static_cast<int>(plane.left + i * pw / layout_.cols);
        const POINT line[2] = {{x, shown.top}, {x, shown.bottom}};
        Polyline(dc, line, 2);
    }
    if (maskDc_ && windowsDrawn_) {
        // The windows over the picture: cleared through the mask, then put in.
        const VisiblePart v = visiblePart(plane, client.right, client.bottom, layout_.width, layout_.height);
        if (!v.empty()) {
            const int dw = v.view.right - v.view.left, dh = v.view.bottom - v.view.top;
            const int sw = v.canvas.right - v.canvas.left, sh = v.canvas.bottom - v.canvas.top;
            StretchBlt(dc, v.view.left, v.view.top, dw, dh, maskDc_.get(), v.canvas.left, v.canvas.top, sw, sh, SRCAND);
            StretchBlt(dc, v.view.left, v.view.top, dw, dh, canvasDc_.get(), v.canvas.left, v.canvas.top, sw, sh,
                       SRCPAINT);
        }
    }
    RestoreDC(dc, -1);
}

void Win32PreviewSurface::present(const Rect& r) {
    if (!canvasDc_ || !view_) return;
    win32::WindowDc dc(view_);
    if (!dc) return;
    SetStretchBltMode(dc.get(), COLORONCOLOR);
    if (distantView()) {
        presentDistantView(dc.get(), r);
        return;
    }
    // Only what lands on the view: zoomed in, most of the plane is off it.
    const VisiblePart v = visiblePart(r, layout_.screens.virtualWidth, layout_.screens.virtualHeight,
                                      layout_.width, layout_.height);
    if (v.empty()) return;
    StretchBlt(dc.get(), v.view.left, v.view.top, v.view.right - v.view.left, v.view.bottom - v.view.top,
               canvasDc_.get(), v.canvas.left, v.canvas.top, v.canvas.right - v.canvas.left,
               v.canvas.bottom - v.canvas.top, SRCCOPY);
}

void Win32PreviewSurface::coverWithDesktop(const std::string& wallpaper) {
    if (!view_) return;
    win32::WindowDc dc(view_);
    if (!dc) return;
    // The picture the desktop is about to show, not the one it shows now:
    // the workspace's own wallpaper goes up right after this.
    if (wallpaper.empty() || !win32::drawWallpaper(dc.get(), wallpaper, 0, 0, -1, -1)) PaintDesktop(dc.get());
}

void Win32PreviewSurface::addSource(WindowId w) {
    if (!monitors_.count(w))
        monitors_.emplace(w, std::make_unique<WndMonitor>(toHwnd(w), &starter_, &workers_, notice_));
}

void Win32PreviewSurface::dropSource(WindowId w) { monitors_.erase(w); }

void Win32PreviewSurface::dropAllSources() { monitors_.clear(); }

bool Win32PreviewSurface::capture(WindowId w) {
    const auto it = monitors_.find(w);
    return it != monitors_.end() && it->second->capture();
}

std::vector<WindowId> Win32PreviewSurface::freshPictures() {
    std::vector<WindowId> fresh;
    for (const auto& [w, monitor] : monitors_)
        if (monitor->takeFresh()) fresh.push_back(w);
    return fresh;
}

void Win32PreviewSurface::updateThumbnail(WindowId w, const Rect& r, bool reRegister, std::uint32_t slot) {
    const auto it = monitors_.find(w);
    if (it == monitors_.end() || !view_) return;
    it->second->updateThumbnail(view_, RECT{r.left, r.top, r.right, r.bottom}, reRegister, slot);
}

void Win32PreviewSurface::hideTaskbar(const std::string& dataDir) { taskbar_.hide(dataDir); }

void Win32PreviewSurface::showTaskbar() { taskbar_.show(); }

}  // namespace zelvane
