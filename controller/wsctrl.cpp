#include "controller/wsctrl.h"

#include <utility>

namespace zelvane {

WSController::WSController(std::shared_ptr<Desktop> desktop, std::vector<std::string> systemClasses)
    : WSController(std::move(desktop), std::move(systemClasses), PlacementQueue::Options{}) {}

WSController::WSController(std::shared_ptr<Desktop> desktop, std::vector<std::string> systemClasses,
                           PlacementQueue::Options placementOptions)
    : desktop_(desktop), systemClasses_(std::move(systemClasses)), placements_(desktop, placementOptions) {
    updateMetrics();
}

WSController::~WSController() = default;

Plane WSController::plane() const {
    Plane p;
    p.rows = wsRowNum_;
    p.cols = wsColNum_;
    p.currentRow = currentRow_;
    p.currentCol = currentCol_;
    p.virtualLeft = metrics_.virtualLeft;
    p.virtualTop = metrics_.virtualTop;
    p.virtualWidth = metrics_.virtualWidth;
    p.virtualHeight = metrics_.virtualHeight;
    return p;
}

// Out-of-range values land one step past the grid's edge (a negative one on
// row or column 1): releaseAll relies on the upper clamp to visit the row and
// column just beyond the grid.
void WSController::setCurrentRow(std::int32_t v) {
    if (v < 0)
        currentRow_ = 1;
    else if (v >= wsRowNum_)
        currentRow_ = wsRowNum_;
    else
        currentRow_ = v;
}

void WSController::setCurrentCol(std::int32_t v) {
    if (v < 0)
        currentCol_ = 1;
    else if (v >= wsColNum_)
        currentCol_ = wsColNum_;
    else
        currentCol_ = v;
}

void WSController::updateMetrics() {
    metrics_ = desktop_->metrics();
    const Plane p = plane();
    for (const auto& [w, info] : windows_) {
        if (info.exempt || !info.managed || placements_.pending(w)) continue;
        if (desktop_->isVisible(w) || !info.isOnCurrentWS(p)) continue;
        placements_.place(w, info.screenPosition(p), true);
    }
}

WndInfo WSController::newRecord(WindowId w, const Plane& p) const {
    WndInfo info;
    info.hwnd = w;
    info.className = desktop_->className(w);
    info.exempt = exemptReason(info.className, desktop_->style(w)) != ExemptReason::None;
    info.update(*desktop_, p);
    return info;
}

std::vector<WindowId> WSController::rescan() {
    std::lock_guard<std::mutex> lock(registryLock_);
    for (auto it = windows_.begin(); it != windows_.end();) {
        if (!desktop_->isWindow(it->first))
            it = windows_.erase(it);
        else
            ++it;
    }
    const Plane p = plane();
    std::vector<WindowId> zOrder = desktop_->topLevelWindows();
    for (WindowId w : zOrder) {
        auto it = windows_.find(w);
        if (it == windows_.end()) {
            windows_.emplace(w, newRecord(w, p));
        } else if (!placements_.pending(w)) {
            // A window with a placement still under way (its program has not
            // answered yet) keeps the place we gave it: its live position is
            // stale, and measuring it would move it to another workspace.
            it->second.update(*desktop_, p);
        }
    }
    saveWindowList();
    return zOrder;
}

void WSController::releaseAll() {
    // Visit every position of the 5 x 5 table; the clamping setters turn the
    // positions past the grid into the row and column just beyond it, so
    // windows left on a removed row or column come back too. The newest
    // placement of a window wins.
    std::map<WindowId, bool> shown;
    for (std::int32_t col = 0; col < kMaxGrid; ++col) {
        for (std::int32_t row = 0; row < kMaxGrid; ++row) {
            setCurrentRow(row);
            setCurrentCol(col);
            const Plane p = plane();
            for (const auto& [w, info] : windows_) {
                if (info.exempt || !info.managed || !info.isOnCurrentWS(p)) continue;
                placements_.place(w, info.minimized ? std::nullopt : std::optional<Point>(info.screenPosition(p)),
                                  true);
                shown[w] = true;
            }
        }
    }
    setCurrentRow(0);
    setCurrentCol(0);
    // A window further out than that (the grid shrank by more than one row or
    // column between runs) is put back where it sat on its own workspace.
    const Plane p = plane();
    for (const auto& [w, info] : windows_) {
        if (info.exempt || !info.managed || shown.count(w)) continue;
        placements_.place(w, info.minimized ? std::nullopt : std::optional<Point>(info.homeScreenPosition(p)), true);
    }
    // Responsive windows finish in a moment; whatever is still pending then
    // belongs to a program that does not answer, and is handed to its own
    // message queue so it lands on the screen once the program answers.
    placements_.waitIdle(kReleaseWait);
    placements_.detachPending();
    removeWindowListFile();
}

}  // namespace zelvane
