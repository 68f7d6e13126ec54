#include "controller/wsctrl.h"

#include <utility>

namespace zelvane {

WSController::WSController(std::shared_ptr<Desktop> desktop, SettingsFile& settings,
                           std::vector<std::string> systemClasses)
    : WSController(std::move(desktop), settings, std::move(systemClasses), Activator::Options{}) {}

WSController::WSController(std::shared_ptr<Desktop> desktop, SettingsFile& settings,
                           std::vector<std::string> systemClasses, Activator::Options activationOptions)
    : desktop_(desktop),
      settings_(settings),
      systemClasses_(std::move(systemClasses)),
      activator_(desktop, activationOptions) {
    updateMetrics();
}

WSController::~WSController() = default;

Plane WSController::plane() const {
    Plane p;
    p.rows = wsRowNum();
    p.cols = wsColNum();
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
    else if (v >= wsRowNum())
        currentRow_ = wsRowNum();
    else
        currentRow_ = v;
}

void WSController::setCurrentCol(std::int32_t v) {
    if (v < 0)
        currentCol_ = 1;
    else if (v >= wsColNum())
        currentCol_ = wsColNum();
    else
        currentCol_ = v;
}

void WSController::place(WindowId w, std::optional<Point> pos, bool show) {
    // Each request is work for the window's program: skip one that would
    // change nothing. The live state is trustworthy only when nothing posted
    // earlier is still on its way.
    if (!desktop_->placementPending(w) && desktop_->isVisible(w) == show) {
        const Rect r = pos ? desktop_->windowRect(w) : Rect{};
        if (!pos || (r.left == pos->x && r.top == pos->y)) {
            shownByUs_[w] = show;
            return;
        }
    }
    desktop_->placeWindow(w, pos, show);
    shownByUs_[w] = show;
}

void WSController::placeWindow(WindowId w, std::optional<Point> pos, bool show) {
    place(w, pos, show);
    publishRescueList();
}

bool WSController::waitIdle(std::chrono::milliseconds timeout) {
    const bool activated = activator_.waitIdle(timeout);
    return listWriter_.flush(timeout) && activated;
}

void WSController::publishRescueList() {
    desktop_->flushPlacements();  // every batch of placements ends here
    const Plane p = plane();
    std::vector<RescuePlacement> list;
    for (const auto& [w, info] : windows_) {
        if (info.exempt || !info.managed) continue;
        const auto shown = shownByUs_.find(w);
        if (shown == shownByUs_.end() || shown->second) continue;  // not hidden by us
        list.push_back({w, info.minimized ? std::nullopt : std::optional<Point>(info.homeScreenPosition(p))});
    }
    desktop_->setRescueList(list);
}

void WSController::updateMetrics() {
    metrics_ = desktop_->metrics();
    const Plane p = plane();
    for (const auto& [w, info] : windows_) {
        if (info.exempt || !info.managed || desktop_->placementPending(w)) continue;
        if (desktop_->isVisible(w) || !info.isOnCurrentWS(p)) continue;
        // Only what we hid comes back: a window its own program hid (a
        // program minimized to the tray) stays hidden.
        const auto shown = shownByUs_.find(w);
        if (shown == shownByUs_.end() || shown->second) continue;
        place(w, info.minimized ? std::nullopt : std::optional<Point>(info.screenPosition(p)), true);
    }
    publishRescueList();
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
        if (!desktop_->isWindow(it->first)) {
            shownByUs_.erase(it->first);
            it = windows_.erase(it);
        } else {
            ++it;
        }
    }
    const Plane p = plane();
    std::vector<WindowId> zOrder = desktop_->topLevelWindows();
    for (WindowId w : zOrder) {
        auto it = windows_.find(w);
        if (it == windows_.end()) {
            windows_.emplace(w, newRecord(w, p));
        } else if (!desktop_->placementPending(w)) {
            // A window whose program has not yet carried out what we posted
            // keeps the place we gave it: its live position is stale, and
            // measuring it would move it to another workspace.
            it->second.update(*desktop_, p);
        }
    }
    saveWindowList();
    return zOrder;
}

void WSController::releaseAll() {
    // An open preview gives back what it holds (its canvas, the taskbar) first.
    abandonPreview();
    if (released_) return;
    // Visit every position of the 5 x 5 table; the clamping setters turn the
    // positions past the grid into the row and column just beyond it, so
    // windows left on a removed row or column come back too. The last
    // position that shows a window decides where it goes; each window gets
    // one request.
    std::map<WindowId, std::optional<Point>> target;
    for (std::int32_t col = 0; col < kMaxGrid; ++col) {
        for (std::int32_t row = 0; row < kMaxGrid; ++row) {
            setCurrentRow(row);
            setCurrentCol(col);
            const Plane p = plane();
            for (const auto& [w, info] : windows_) {
                if (info.exempt || !info.managed || !info.isOnCurrentWS(p)) continue;
                target[w] = info.minimized ? std::nullopt : std::optional<Point>(info.screenPosition(p));
            }
        }
    }
    setCurrentRow(0);
    setCurrentCol(0);
    // A window further out than that (the grid shrank by more than one row or
    // column between runs) is put back where it sat on its own workspace.
    const Plane p = plane();
    for (const auto& [w, info] : windows_) {
        if (info.exempt || !info.managed || target.count(w)) continue;
        target[w] = info.minimized ? std::nullopt : std::optional<Point>(info.homeScreenPosition(p));
    }
    // Posted, not waited for: a program that does not answer shows its
    // window once it answers again, even after we are gone.
    for (const auto& [w, pos] : target) place(w, pos, true);
    desktop_->flushPlacements();
    desktop_->setRescueList({});
    removeWindowListFile();
    released_ = true;
}

}  // namespace zelvane
