#include "preview/preview_session.h"

#include <algorithm>

#include "preview/preview_geometry.h"

namespace zelvane {

PreviewSession::PreviewSession(WSController& ctrl, PreviewSurface& surface, bool animatedSwitch)
    : ctrl_(ctrl), surface_(surface), animatedSwitch_(animatedSwitch) {}

PreviewSession::~PreviewSession() {
    if (!active_) return;
    release();
    ctrl_.leavePreview();
}

Rect PreviewSession::wholePlane() const {
    return Rect{ctrl_.planeLeft(), ctrl_.planeTop(), ctrl_.planeRight(), ctrl_.planeBottom()};
}

bool PreviewSession::begin(WindowId view, const Rect& rect) {
    if (active_ || !ctrl_.enterPreview()) return false;
    // From here on the preview counts as open, whatever fails below: end()
    // releases whatever was made.
    active_ = true;
    view_ = view;
    rect_ = rect;
    canvasWidth_ = rect.right - rect.left;
    canvasHeight_ = rect.bottom - rect.top;
    const Settings& s = ctrl_.settings();
    CanvasLayout layout{canvasWidth_, canvasHeight_, s.wsRowNum, s.wsColNum, s.wallsType, s.showWallpaper, {}, {}};
    for (std::int32_t row = 0; row < s.wsRowNum; ++row)
        for (std::int32_t col = 0; col < s.wsColNum; ++col) layout.cellWallpapers.push_back(s.wallpaperOf(row, col));
    layout.spreadWallpaper = ctrl_.previewBgPath();
    canvasReady_ = canvasWidth_ > 0 && canvasHeight_ > 0 && surface_.createCanvas(view, layout);
    if (!canvasReady_) return false;

    for (const PreviewedWindow& w : ctrl_.beginPreview(view).shown) addSource(w.id, w.topmost);
    // The thumbnails are on the first frame; captured pictures are asked
    // for once it is shown (requestPictures).
    if (isCompositionEnabled()) updateAllThumbnails(true, true);
    dirty_.assign(1, wholePlane());
    return true;
}

void PreviewSession::addSource(WindowId w, bool topmost) {
    previewed_.insert(w);
    if (topmost) topmost_.insert(w);
    surface_.addSource(w);
}

void PreviewSession::requestPictures() {
    if (!active_ || !canvasReady_ || isCompositionEnabled()) return;
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
    const Rect r{info->left, info->top, info->right, info->bottom};
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

std::vector<WindowId> PreviewSession::stack() const {
    std::vector<WindowId> order;
    for (WindowId w : ctrl_.zOrder())
        if (previewed_.count(w)) order.push_back(w);
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
    if (isCompositionEnabled()) {
        // Registered anew above the others, then the topmost windows again above it.
        const std::vector<WindowId> order = stack();
        const auto at = std::find(order.begin(), order.end(), w);
        for (auto i = std::make_reverse_iterator(at + 1); i != order.rend(); ++i) updateThumbnails(*i, true);
    } else {
        dirty_.push_back(Rect{info->left, info->top, info->right, info->bottom});
    }
}

void PreviewSession::setRect(const Rect& rect) {
    rect_ = rect;
    if (!active_) return;
    if (isCompositionEnabled()) updateAllThumbnails(false, false);
    // The distant view's picture follows the zoom.
    if (ctrl_.settings().wallsType == 2) dirty_.assign(1, wholePlane());
}

void PreviewSession::setRectCarrying(const Rect& rect, WindowId carried) {
    const WndInfo* info = record(carried);
    if (active_ && previewed_.count(carried) && info && !info->exempt) {
        const std::int32_t dx = rect_.left - rect.left, dy = rect_.top - rect.top;
        if ((dx || dy) && !isCompositionEnabled()) dirty_.push_back(Rect{info->left, info->top, info->right, info->bottom});
        ctrl_.moveWindowBy(carried, dx, dy);
    }
    setRect(rect);
}

bool PreviewSession::paint(bool refresh, bool present) {
    if (!active_ || !canvasReady_) return false;
    if (refresh || !dirty_.empty()) {
        const bool composition = isCompositionEnabled();
        if (refresh) {
            const PreviewRefresh found = ctrl_.refreshPreview(view_);
            for (const PreviewedWindow& w : found.added) addSource(w.id, w.topmost);
            if (!found.added.empty() && composition) updateAllThumbnails(true, true);
            if (!composition) {
                bool removed = false;
                for (WindowId w : found.dropped) {
                    if (!previewed_.erase(w)) continue;
                    topmost_.erase(w);
                    surface_.dropSource(w);
                    removed = true;
                }
                if (removed) dirty_.assign(1, wholePlane());
            }
        }
        const std::int32_t pl = ctrl_.planeLeft(), pt = ctrl_.planeTop();
        const std::int32_t pw = ctrl_.planeWidth(), ph = ctrl_.planeHeight();
        for (const Rect& r : dirty_)
            surface_.paintBackground(dirtyCanvasRect(r, pl, pt, pw, ph, canvasWidth_, canvasHeight_));
        dirty_.clear();
        if (!composition) {
            std::vector<WindowId> order = stack();
            std::reverse(order.begin(), order.end());
            const Rect canvas{0, 0, canvasWidth_, canvasHeight_};
            for (WindowId w : order) {
                const WndInfo* info = record(w);
                if (!info || info->exempt) continue;
                if (refresh) surface_.capture(w);
                const Rect at = mapPlaneRect(Rect{info->left, info->top, info->right, info->bottom}, pl, pt, pw, ph,
                                             canvas);
                // The size is scaled on its own, so a window keeps its size wherever it is.
                const Rect scaled =
                    mapPlaneRect(Rect{pl, pt, pl + info->width(), pt + info->height()}, pl, pt, pw, ph, canvas);
                surface_.drawSource(w, Rect{at.left, at.top, at.left + scaled.right, at.top + scaled.bottom});
            }
        }
    }
    if (present) surface_.present(rect_);
    return true;
}

bool PreviewSession::moveWindowBy(WindowId w, std::int32_t dx, std::int32_t dy) {
    const WndInfo* info = record(w);
    if (!active_ || !previewed_.count(w) || !info || info->exempt) return false;
    if (dx == 0 && dy == 0) return true;
    const bool composition = isCompositionEnabled();
    if (!composition) dirty_.push_back(Rect{info->left, info->top, info->right, info->bottom});
    ctrl_.moveWindowBy(w, dx, dy);
    if (composition) updateThumbnails(w, false);
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

bool PreviewSession::end(std::int32_t row, std::int32_t col) {
    if (!active_) return false;
    if (canvasReady_ && isCompositionEnabled()) surface_.coverWithDesktop();
    // Every managed window goes where the chosen workspace wants it, also
    // the windows dragged in the preview and those shown for it; then the
    // workspace gets its volume, wallpaper and taskbar order back.
    ctrl_.endPreview(row, col);
    release();
    return true;
}

void PreviewSession::release() {
    surface_.dropAllSources();
    if (canvasReady_) surface_.destroyCanvas();
    surface_.showTaskbar();  // only what the preview hid, if anything
    previewed_.clear();
    topmost_.clear();
    dirty_.clear();
    raised_ = kNoWindow;
    canvasReady_ = false;
    view_ = kNoWindow;
    active_ = false;
}

}  // namespace zelvane
