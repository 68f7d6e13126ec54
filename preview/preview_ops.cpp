// The controller's side of the preview: which windows are shown in it, where
// their images go, the canvas's dirty parts, and the placement of every
// window for the workspace chosen at the end. The drawing itself is the
// PreviewSurface's. All on the UI thread; windows are moved, shown and
// hidden only through the placement queue, so nothing here waits for a
// program that does not answer.
#include <algorithm>

#include "controller/wsctrl.h"
#include "preview/preview_geometry.h"

namespace zelvane {

bool WSController::isCompositionEnabled() const { return previewSurface_ && previewSurface_->compositionEnabled(); }

// Minimized, hidden, cloaked and click-through windows have no place in the
// preview; of the exempt windows the desktop itself and the preview's own
// windows are left out.
bool WSController::previewable(WindowId w, const WndInfo& info) const {
    if (info.minimized || !info.managed) return false;
    if (previewSurface_->cloaked(w) || (previewSurface_->exStyle(w) & kExTransparent)) return false;
    if (info.exempt) {
        if (w == previewWindow_ || info.className == "Progman" || info.className == "WorkerW") return false;
        if (previewSurface_->owner(w) == previewWindow_) return false;
    }
    return true;
}

// A topmost window would cover the preview: it goes just beyond the screen's
// bottom-right corner until the end, where it gets its place back. Windows of
// other workspaces are shown where they are (off the screen), so that their
// images are live.
void WSController::addPreviewSource(WindowId w, const WndInfo& info, const Plane& p) {
    if (!info.exempt) {
        const bool topmost = (previewSurface_->exStyle(w) & kExTopmost) != 0;
        const bool elsewhere = !info.isOnCurrentWS(p);
        if (topmost || elsewhere)
            place(w, topmost ? std::optional<Point>(Point{virtualWidth(), virtualHeight()}) : std::nullopt, true);
    }
    previewed_.insert(w);
    previewSurface_->addSource(w);
}

bool WSController::beginPreview(WindowId view, const Rect& rect) {
    if (previewActive_ || !previewSurface_) return false;
    // From here on the preview counts as open, whatever fails below:
    // endPreview releases whatever was made.
    // The taskbar order of the workspace being left, before the preview
    // shows windows of every workspace.
    if (settings_.values().keepTrayOrder) saveTrayOrder();
    previewActive_ = true;
    previewWindow_ = view;
    previewRect_ = rect;
    canvasWidth_ = rect.right - rect.left;
    canvasHeight_ = rect.bottom - rect.top;
    const Settings& s = settings_.values();
    CanvasLayout layout{canvasWidth_, canvasHeight_, s.wsRowNum, s.wsColNum, s.wallsType, s.showWallpaper, {}, {}};
    for (std::int32_t row = 0; row < s.wsRowNum; ++row)
        for (std::int32_t col = 0; col < s.wsColNum; ++col) layout.cellWallpapers.push_back(s.wallpaperOf(row, col));
    layout.spreadWallpaper = previewBgPath();
    canvasReady_ = canvasWidth_ > 0 && canvasHeight_ > 0 && previewSurface_->createCanvas(view, layout);
    if (!canvasReady_) return false;

    const std::vector<WindowId> zOrder = rescan();
    const Plane p = plane();
    for (WindowId w : zOrder) {
        const auto it = windows_.find(w);
        if (it == windows_.end() || !previewable(w, it->second)) continue;
        addPreviewSource(w, it->second, p);
    }
    publishRescueList();  // ends the batch of placements made for the preview
    // The thumbnails are on the first frame; captured pictures are asked
    // for once it is shown (requestPreviewPictures).
    if (isCompositionEnabled()) updateAllThumbnails(true, true);
    dirty_.assign(1, Rect{planeLeft(), planeTop(), planeRight(), planeBottom()});
    return true;
}

void WSController::requestPreviewPictures() {
    if (!previewActive_ || !canvasReady_ || isCompositionEnabled()) return;
    for (WindowId w : previewed_) {
        const auto it = windows_.find(w);
        if (it != windows_.end() && !it->second.exempt) previewSurface_->capture(w);
    }
}

Rect WSController::toView(const Rect& r) const {
    return mapPlaneRect(r, planeLeft(), planeTop(), planeWidth(), planeHeight(), previewRect_);
}

void WSController::updateThumbnails(WindowId w, bool reRegister) {
    if (!previewed_.count(w)) return;
    const auto it = windows_.find(w);
    if (it == windows_.end()) return;
    const WndInfo& info = it->second;
    const Rect r{info.left, info.top, info.right, info.bottom};
    if (!info.exempt) {
        previewSurface_->updateThumbnail(w, toView(r), reRegister, 0);
    } else if (!previewMode_) {
        // An always-shown window appears in every cell.
        for (std::int32_t i = 0; i < wsColNum(); ++i)
            for (std::int32_t j = 0; j < wsRowNum(); ++j) {
                const std::int32_t dx = (i - currentCol_) * virtualWidth(), dy = (j - currentRow_) * virtualHeight();
                const Rect shifted{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
                previewSurface_->updateThumbnail(w, toView(shifted), reRegister,
                                                 static_cast<std::uint32_t>(i * wsRowNum() + j));
            }
    } else {
        // During a slide it stays at its own screen place, unscaled.
        const std::int32_t dx = virtualLeft() + currentCol_ * virtualWidth();
        const std::int32_t dy = virtualTop() + currentRow_ * virtualHeight();
        previewSurface_->updateThumbnail(w, Rect{r.left - dx, r.top - dy, r.right - dx, r.bottom - dy}, reRegister,
                                         0);
    }
}

std::vector<WindowId> WSController::previewStack() const {
    std::vector<WindowId> order = desktop_->topLevelWindows();
    const auto raised = std::find(order.begin(), order.end(), raised_);
    if (raised_ == kNoWindow || raised == order.end()) return order;
    const auto belowTopmost = std::find_if(order.begin(), order.end(), [this](WindowId w) {
        return w == raised_ || !(previewSurface_->exStyle(w) & kExTopmost);
    });
    std::rotate(belowTopmost, raised, raised + 1);
    return order;
}

// Thumbnails registered later are drawn above earlier ones: registering
// walks the stack from the bottom.
void WSController::updateAllThumbnails(bool reRegister, bool bottomUp) {
    std::vector<WindowId> order = previewStack();
    if (bottomUp) std::reverse(order.begin(), order.end());
    for (WindowId w : order) updateThumbnails(w, reRegister);
}

void WSController::raiseInPreview(WindowId w) {
    const auto it = windows_.find(w);
    if (!previewActive_ || !previewed_.count(w) || it == windows_.end() || it->second.exempt || raised_ == w) return;
    raised_ = w;
    if (isCompositionEnabled()) {
        // Registered anew above the others, then the topmost windows again above it.
        const std::vector<WindowId> stack = previewStack();
        const auto at = std::find(stack.begin(), stack.end(), w);
        for (auto i = std::make_reverse_iterator(at + 1); i != stack.rend(); ++i) updateThumbnails(*i, true);
    } else {
        dirty_.push_back(Rect{it->second.left, it->second.top, it->second.right, it->second.bottom});
    }
}

void WSController::setPreviewRect(const Rect& rect) {
    previewRect_ = rect;
    if (!previewActive_ || !previewSurface_) return;
    if (isCompositionEnabled()) updateAllThumbnails(false, false);
    // The distant view's picture follows the zoom.
    if (settings_.values().wallsType == 2) dirty_.assign(1, Rect{planeLeft(), planeTop(), planeRight(), planeBottom()});
}

void WSController::setPreviewRectCarrying(const Rect& rect, WindowId carried) {
    const auto it = windows_.find(carried);
    if (previewActive_ && previewed_.count(carried) && it != windows_.end() && !it->second.exempt) {
        const std::int32_t dx = previewRect_.left - rect.left, dy = previewRect_.top - rect.top;
        if ((dx || dy) && !isCompositionEnabled())
            dirty_.push_back(Rect{it->second.left, it->second.top, it->second.right, it->second.bottom});
        it->second.moveBy(dx, dy);
    }
    setPreviewRect(rect);
}

bool WSController::paintPreview(bool refresh, bool present) {
    if (!previewActive_ || !canvasReady_) return false;
    if (refresh || !dirty_.empty()) {
        const bool composition = isCompositionEnabled();
        if (refresh) {
            bool added = false;
            const Plane p = plane();
            for (WindowId w : desktop_->topLevelWindows()) {
                if (windows_.count(w) || !desktop_->isVisible(w) || desktop_->isMinimized(w)) continue;
                const WndInfo info = newRecord(w, p);
                windows_.emplace(w, info);
                if (info.exempt || !previewable(w, info)) continue;
                addPreviewSource(w, info, p);
                added = true;
            }
            if (added) publishRescueList();
            if (added && composition) updateAllThumbnails(true, true);
            {
                std::lock_guard<std::mutex> lock(registryLock_);
                for (auto it = windows_.begin(); it != windows_.end();)
                    it = desktop_->isWindow(it->first) ? std::next(it) : windows_.erase(it);
            }
            if (!composition) {
                bool removed = false;
                for (auto it = previewed_.begin(); it != previewed_.end();) {
                    if (windows_.count(*it)) {
                        ++it;
                        continue;
                    }
                    previewSurface_->dropSource(*it);
                    it = previewed_.erase(it);
                    removed = true;
                }
                if (removed) dirty_.assign(1, Rect{planeLeft(), planeTop(), planeRight(), planeBottom()});
            }
        }
        for (const Rect& r : dirty_)
            previewSurface_->paintBackground(
                dirtyCanvasRect(r, planeLeft(), planeTop(), planeWidth(), planeHeight(), canvasWidth_, canvasHeight_));
        dirty_.clear();
        if (!composition) {
            std::vector<WindowId> order = previewStack();
            std::reverse(order.begin(), order.end());
            for (WindowId w : order) {
                const auto it = windows_.find(w);
                if (!previewed_.count(w) || it == windows_.end() || it->second.exempt) continue;
                const WndInfo& info = it->second;
                if (refresh) previewSurface_->capture(w);
                const Rect at = mapPlaneRect(Rect{info.left, info.top, info.right, info.bottom}, planeLeft(),
                                             planeTop(), planeWidth(), planeHeight(),
                                             Rect{0, 0, canvasWidth_, canvasHeight_});
                // The size is scaled on its own, so a window keeps its size wherever it is.
                const Rect scaled = mapPlaneRect(Rect{planeLeft(), planeTop(), planeLeft() + info.width(),
                                                      planeTop() + info.height()},
                                                 planeLeft(), planeTop(), planeWidth(), planeHeight(),
                                                 Rect{0, 0, canvasWidth_, canvasHeight_});
                previewSurface_->drawSource(w, Rect{at.left, at.top, at.left + scaled.right, at.top + scaled.bottom});
            }
        }
    }
    if (present) previewSurface_->present(previewRect_);
    return true;
}

bool WSController::moveWindowBy(WindowId w, std::int32_t dx, std::int32_t dy) {
    const auto it = windows_.find(w);
    if (!previewActive_ || !previewed_.count(w) || it == windows_.end() || it->second.exempt) return false;
    if (dx == 0 && dy == 0) return true;
    const bool composition = isCompositionEnabled();
    WndInfo& info = it->second;
    if (!composition) dirty_.push_back(Rect{info.left, info.top, info.right, info.bottom});
    info.moveBy(dx, dy);
    if (composition) updateThumbnails(w, false);
    return true;
}

WindowId WSController::windowAt(std::int32_t x, std::int32_t y) const {
    if (!previewActive_) return kNoWindow;
    for (WindowId w : previewStack()) {
        const auto it = windows_.find(w);
        if (it == windows_.end() || it->second.exempt || !previewed_.count(w)) continue;
        const WndInfo& info = it->second;
        if (info.left <= x && x < info.right && info.top <= y && y < info.bottom) return w;
    }
    return kNoWindow;
}

bool WSController::endPreview(std::int32_t row, std::int32_t col) {
    if (!previewActive_) return false;
    if (canvasReady_ && isCompositionEnabled()) previewSurface_->coverWithDesktop();
    const std::int32_t oldRow = currentRow_;
    const std::int32_t oldCol = currentCol_;
    if (row >= 0) setCurrentRow(row);
    if (col >= 0) setCurrentCol(col);
    // Every managed window goes where the chosen workspace wants it, also
    // the windows dragged in the preview and those shown for it.
    const Plane p = plane();
    for (WindowId w : desktop_->topLevelWindows()) {
        const auto it = windows_.find(w);
        if (it == windows_.end() || it->second.exempt || !it->second.managed) continue;
        const WndInfo& info = it->second;
        place(w, info.minimized ? std::nullopt : std::optional<Point>(info.screenPosition(p)), info.isOnCurrentWS(p));
    }
    publishRescueList();
    saveWindowList();
    abandonPreview();
    // What a switch puts back besides the windows: the volume, the wallpaper
    // and the taskbar order of the workspace chosen.
    if (settings_.values().keepMixerControl) switchVolume(oldRow, oldCol, currentRow_, currentCol_);
    applyWallpaper(-1, -1);
    enterWorkspace();
    return true;
}

void WSController::abandonPreview() {
    if (previewSurface_) {
        previewSurface_->dropAllSources();
        if (canvasReady_) previewSurface_->destroyCanvas();
        previewSurface_->showTaskbar();  // only what the preview hid, if anything
    }
    previewed_.clear();
    dirty_.clear();
    raised_ = kNoWindow;
    canvasReady_ = false;
    previewWindow_ = kNoWindow;
    previewActive_ = false;
}

}  // namespace zelvane
