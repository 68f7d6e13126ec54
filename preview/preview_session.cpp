#include "preview/preview_session.h"

#include <algorithm>

#include "preview/preview_geometry.h"

namespace zelvane {

PreviewLayout previewLayoutOf(const WSController& c) {
    return PreviewLayout{c.screenWidth(),  c.screenHeight(),  c.virtualLeft(), c.virtualTop(),
                         c.virtualWidth(), c.virtualHeight(), c.wsRowNum(),    c.wsColNum()};
}

namespace {

bool overlaps(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

PreviewSession::PreviewSession(WSController& ctrl, PreviewSurface& surface, bool animatedSwitch)
    : ctrl_(ctrl), surface_(surface), animatedSwitch_(animatedSwitch) {}

PreviewSession::~PreviewSession() {
    if (active_) ctrl_.leavePreview();
    release();
}

Rect PreviewSession::wholePlane() const {
    return Rect{ctrl_.planeLeft(), ctrl_.planeTop(), ctrl_.planeRight(), ctrl_.planeBottom()};
}

bool PreviewSession::freeze(WindowId view) {
    const Rect screen{ctrl_.virtualLeft(), ctrl_.virtualTop(), ctrl_.virtualRight(), ctrl_.virtualBottom()};
    frozen_ = surface_.freezeScreen(view, screen);
    return frozen_;
}

void PreviewSession::showFrozen() {
    showFrozenAt(Rect{0, 0, ctrl_.virtualWidth(), ctrl_.virtualHeight()});
}

void PreviewSession::showFrozenAt(const Rect& viewRect) {
    if (frozen_) surface_.presentFrozen(viewRect);
}

void PreviewSession::hideTaskbar() {
    taskbarHidden_ = true;
    surface_.hideTaskbar(ctrl_.dataDir());
}

bool PreviewSession::begin(WindowId view, const Rect& canvasRect, const Rect& rect) {
    return beginCanvas(view, canvasRect, rect) && beginWindows();
}

bool PreviewSession::beginCanvas(WindowId view, const Rect& canvasRect, const Rect& rect) {
    if (active_ || !ctrl_.enterPreview()) return false;
    // From here on the preview counts as open, whatever fails below: end()
    // releases whatever was made.
    active_ = true;
    view_ = view;
    rect_ = rect;
    composition_ = surface_.compositionEnabled();
    canvasWidth_ = canvasRect.right - canvasRect.left;
    canvasHeight_ = canvasRect.bottom - canvasRect.top;
    const Settings& s = ctrl_.settings();
    CanvasLayout layout{canvasWidth_, canvasHeight_, s.wsRowNum, s.wsColNum, s.wallsType, s.showWallpaper, {}, {},
                        PreviewLayout{ctrl_.screenWidth(), ctrl_.screenHeight(), ctrl_.virtualLeft(),
                                      ctrl_.virtualTop(), ctrl_.virtualWidth(), ctrl_.virtualHeight(), s.wsRowNum,
                                      s.wsColNum},
                        WallpaperKeeper::spreadScale()};
    for (std::int32_t row = 0; row < s.wsRowNum; ++row)
        for (std::int32_t col = 0; col < s.wsColNum; ++col) layout.cellWallpapers.push_back(s.wallpaperOf(row, col));
    layout.spreadWallpaper = ctrl_.previewBgPath();
    canvasReady_ = canvasWidth_ > 0 && canvasHeight_ > 0 && surface_.createCanvas(view, layout);
    return canvasReady_;
}

bool PreviewSession::beginWindows() {
    if (!active_ || !canvasReady_ || windowsShown_) return false;
    windowsShown_ = true;
    const Plane plane = ctrl_.plane();
    const PreviewPlan shownPlan = ctrl_.beginPreview(view_);
    for (const PreviewedWindow& w : shownPlan.shown) {
        addSource(w.id, w.topmost);
        // The windows of the current workspace were on the screen when it
        // was copied: their pixels there stand in until their own pictures come.
        const WndInfo* info = record(w.id);
        if (frozen_ && info && !info->exempt && info->isOnCurrentWS(plane)) {
            const Point at = info->screenPosition(plane);
            const std::int32_t x = at.x - ctrl_.virtualLeft(), y = at.y - ctrl_.virtualTop();
            frozenRects_[w.id] = Rect{x, y, x + info->width(), y + info->height()};
        }
    }
    readZOrder();
    // The thumbnails are where the windows are on the screen, over the still
    // picture of the same screen: nothing changes to the eye.
    if (composition_) updateAllThumbnails(true, true);
    dirty_.assign(1, wholePlane());
    return true;
}

void PreviewSession::addSource(WindowId w, bool topmost) {
    previewed_.insert(w);
    if (topmost) topmost_.insert(w);
    surface_.addSource(w);
}

void PreviewSession::requestPictures() {
    if (!active_ || !canvasReady_ || composition_) return;
    for (WindowId w : previewed_) {
        const WndInfo* info = record(w);
        if (info && !info->exempt) surface_.capture(w);
    }
}

Rect PreviewSession::toView(const Rect& r) const {
    return mapPlaneRect(r, ctrl_.planeLeft(), ctrl_.planeTop(), ctrl_.planeWidth(), ctrl_.planeHeight(), rect_);
}

void PreviewSession::updateThumbnails(WindowId w, bool reRegister) {
    const WndInfo* info = previewed_.count(w) ? record(w) : nullptr;
    if (!info) return;
    const Rect r = info->planeRect();
    if (!info->exempt) {
        surface_.updateThumbnail(w, toView(r), reRegister, 0);
    } else if (!animatedSwitch_) {
        // An always-shown window appears in every cell.
        const std::int32_t rows = ctrl_.wsRowNum(), cols = ctrl_.wsColNum();
        for (std::int32_t i = 0; i < cols; ++i)
            for (std::int32_t j = 0; j < rows; ++j) {
                const std::int32_t dx = (i - ctrl_.currentCol()) * ctrl_.virtualWidth();
                const std::int32_t dy = (j - ctrl_.currentRow()) * ctrl_.virtualHeight();
                const Rect shifted{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
                surface_.updateThumbnail(w, toView(shifted), reRegister, static_cast<std::uint32_t>(i * rows + j));
            }
    } else {
        // During a slide it stays at its own screen place, unscaled.
        const std::int32_t dx = ctrl_.virtualLeft() + ctrl_.currentCol() * ctrl_.virtualWidth();
        const std::int32_t dy = ctrl_.virtualTop() + ctrl_.currentRow() * ctrl_.virtualHeight();
        surface_.updateThumbnail(w, Rect{r.left - dx, r.top - dy, r.right - dx, r.bottom - dy}, reRegister, 0);
    }
}

void PreviewSession::readZOrder() {
    zOrder_.clear();
    for (WindowId w : ctrl_.zOrder())
        if (previewed_.count(w)) zOrder_.push_back(w);
}

std::vector<WindowId> PreviewSession::stack() const {
    std::vector<WindowId> order = zOrder_;
    const auto raised = std::find(order.begin(), order.end(), raised_);
    if (raised_ == kNoWindow || raised == order.end()) return order;
    const auto belowTopmost =
        std::find_if(order.begin(), order.end(), [this](WindowId w) { return w == raised_ || !topmost_.count(w); });
    std::rotate(belowTopmost, raised, raised + 1);
    return order;
}

// Thumbnails registered later are drawn above earlier ones: registering
// walks the stack from the bottom.
void PreviewSession::updateAllThumbnails(bool reRegister, bool bottomUp) {
    std::vector<WindowId> order = stack();
    if (bottomUp) std::reverse(order.begin(), order.end());
    for (WindowId w : order) updateThumbnails(w, reRegister);
}

void PreviewSession::raise(WindowId w) {
    const WndInfo* info = record(w);
    if (!active_ || !previewed_.count(w) || !info || info->exempt || raised_ == w) return;
    raised_ = w;
    if (composition_) {
        // Registered anew above the others, then the topmost windows again above it.
        const std::vector<WindowId> order = stack();
        const auto at = std::find(order.begin(), order.end(), w);
        for (auto i = std::make_reverse_iterator(at + 1); i != order.rend(); ++i) updateThumbnails(*i, true);
    } else {
        dirty_.push_back(info->planeRect());
    }
}

void PreviewSession::setRect(const Rect& rect) {
    rect_ = rect;
    if (!active_) return;
    if (composition_) updateAllThumbnails(false, false);
}

void PreviewSession::setRectCarrying(const Rect& rect, WindowId carried) {
    const WndInfo* info = record(carried);
    if (active_ && previewed_.count(carried) && info && !info->exempt) {
        const std::int32_t dx = rect_.left - rect.left, dy = rect_.top - rect.top;
        if ((dx || dy) && !composition_) {
            dirty_.push_back(info->planeRect());
            dirty_.push_back(Rect{info->left + dx, info->top + dy, info->right + dx, info->bottom + dy});
        }
        ctrl_.moveWindowBy(carried, dx, dy);
    }
    setRect(rect);
}

void PreviewSession::repaintCanvas() {
    const std::int32_t pl = ctrl_.planeLeft(), pt = ctrl_.planeTop();
    const std::int32_t pw = ctrl_.planeWidth(), ph = ctrl_.planeHeight();
    const Rect canvas{0, 0, canvasWidth_, canvasHeight_};
    std::vector<Rect> area;
    for (const Rect& r : dirty_) area.push_back(dirtyCanvasRect(r, pl, pt, pw, ph, canvasWidth_, canvasHeight_));
    dirty_.clear();
    if (area.empty()) return;
    // Only the dirty parts change: the background there, and the windows
    // that reach into them, bottom-up, each clipped to those parts.
    surface_.beginCanvasUpdate(area);
    for (const Rect& r : area) surface_.paintBackground(r);
    if (!composition_) {
        std::vector<WindowId> order = stack();
        std::reverse(order.begin(), order.end());
        for (WindowId w : order) {
            const WndInfo* info = record(w);
            if (!info || info->exempt) continue;
            const Rect at = mapPlaneRect(info->planeRect(), pl, pt, pw, ph,
                                         canvas);
            // The size is scaled on its own, so a window keeps its size wherever it is.
            const Rect scaled =
                mapPlaneRect(Rect{pl, pt, pl + info->width(), pt + info->height()}, pl, pt, pw, ph, canvas);
            const Rect drawAt{at.left, at.top, at.left + scaled.right, at.top + scaled.bottom};
            if (!std::any_of(area.begin(), area.end(), [&](const Rect& a) { return overlaps(a, drawAt); })) continue;
            const auto frozen = frozenRects_.find(w);
            surface_.drawSource(w, drawAt,
                                frozen == frozenRects_.end() ? std::nullopt : std::optional<Rect>(frozen->second));
        }
    }
    surface_.endCanvasUpdate();
}

bool PreviewSession::paint(bool refresh, bool present) {
    if (!active_ || !canvasReady_) return false;
    if (refresh) {
        composition_ = surface_.compositionEnabled();
        const PreviewRefresh found = ctrl_.refreshPreview(view_);
        for (const PreviewedWindow& w : found.added) addSource(w.id, w.topmost);
        bool removed = false;
        for (WindowId w : found.dropped) {
            if (!previewed_.count(w)) continue;
            removed = true;
            if (composition_) continue;  // its thumbnail stays until the end
            previewed_.erase(w);
            topmost_.erase(w);
            frozenRects_.erase(w);
            surface_.dropSource(w);
        }
        if (!found.added.empty() || removed) readZOrder();
        if (!found.added.empty() && composition_) updateAllThumbnails(true, true);
        if (removed && !composition_) dirty_.assign(1, wholePlane());
    }
    if (!composition_) {
        // New pictures are drawn where their windows are.
        for (WindowId w : surface_.freshPictures()) {
            const WndInfo* info = previewed_.count(w) ? record(w) : nullptr;
            if (info && !info->exempt) dirty_.push_back(info->planeRect());
        }
    }
    // New pictures of every window; each is drawn once it comes in.
    if (refresh) requestPictures();
    repaintCanvas();
    if (present) surface_.present(rect_);
    return true;
}

bool PreviewSession::moveWindowBy(WindowId w, std::int32_t dx, std::int32_t dy) {
    const WndInfo* info = record(w);
    if (!active_ || !previewed_.count(w) || !info || info->exempt) return false;
    if (dx == 0 && dy == 0) return true;
    if (!composition_) dirty_.push_back(info->planeRect());
    ctrl_.moveWindowBy(w, dx, dy);
    if (composition_) {
        updateThumbnails(w, false);
    } else if (const WndInfo* moved = record(w)) {
        dirty_.push_back(moved->planeRect());
    }
    return true;
}

WindowId PreviewSession::windowAt(std::int32_t x, std::int32_t y) const {
    if (!active_) return kNoWindow;
    for (WindowId w : stack()) {
        const WndInfo* info = record(w);
        if (!info || info->exempt) continue;
        if (info->left <= x && x < info->right && info->top <= y && y < info->bottom) return w;
    }
    return kNoWindow;
}

void PreviewSession::coverWithDesktopOf(std::int32_t row, std::int32_t col) {
    if (!canvasReady_) return;
    if (row < 0) row = ctrl_.currentRow();
    if (col < 0) col = ctrl_.currentCol();
    const Settings& s = ctrl_.settings();
    surface_.coverWithDesktop(s.wallsType == 0 ? std::string() : s.wallpaperOf(row, col));
}

bool PreviewSession::end(std::int32_t row, std::int32_t col) {
    if (!active_) {
        release();
        return false;
    }
    if (composition_) coverWithDesktopOf(row, col);
    // Every managed window goes where the chosen workspace wants it, also
    // the windows dragged in the preview and those shown for it; then the
    // workspace gets its volume, wallpaper and taskbar order back.
    ctrl_.endPreview(row, col);
    release();
    return true;
}

void PreviewSession::release() {
    surface_.dropAllSources();
    if (canvasReady_ || frozen_) surface_.destroyCanvas();
    if (taskbarHidden_) surface_.showTaskbar();  // only what the preview hid, if anything
    taskbarHidden_ = false;
    previewed_.clear();
    topmost_.clear();
    dirty_.clear();
    zOrder_.clear();
    frozenRects_.clear();
    raised_ = kNoWindow;
    canvasReady_ = false;
    windowsShown_ = false;
    frozen_ = false;
    view_ = kNoWindow;
    active_ = false;
}

}  // namespace zelvane
