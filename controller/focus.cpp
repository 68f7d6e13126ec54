// Each workspace remembers the window that had the foreground when it was
// left, and gets it back when it is entered.
#include "controller/wsctrl.h"

namespace zelvane {

bool WSController::saveFocus() {
    focusWnd_[currentRow_][currentCol_] = desktop_->foregroundWindow();
    return true;
}

// Whether w will be visible once the placements of the current workspace are
// done; its live visibility may still be in transit.
bool WSController::willBeVisible(WindowId w, const Plane& p) const {
    if (w == kNoWindow || !desktop_->isWindow(w)) return false;
    const auto it = windows_.find(w);
    if (it != windows_.end() && !it->second.exempt && it->second.managed) return it->second.isOnCurrentWS(p);
    return desktop_->isVisible(w);
}

// The remembered focus window if it will be visible; otherwise the topmost
// window that the workspace shows, or else the desktop. The foreground must
// never stay on a window that was just hidden, or keystrokes go to a window
// the user cannot see.
WindowId WSController::focusTarget(const std::vector<WindowId>& zOrder) const {
    const Plane p = plane();
    const WindowId remembered = focusWnd_[currentRow_][currentCol_];
    if (willBeVisible(remembered, p)) return remembered;
    for (WindowId w : zOrder) {
        const auto it = windows_.find(w);
        if (it == windows_.end()) continue;
        const WndInfo& info = it->second;
        if (!info.exempt && info.managed && !info.minimized && info.isOnCurrentWS(p)) return w;
    }
    return desktop_->shellWindow();
}

bool WSController::restoreFocus() {
    const WindowId target = focusTarget(desktop_->topLevelWindows());
    if (target != kNoWindow) activator_.activate(target);
    return true;
}

bool WSController::setWSFocus(WindowId w, std::int32_t row, std::int32_t col) {
    if (row < 0 && col < 0) {
        for (auto& cells : focusWnd_) cells.fill(w);
    } else if (row >= 0 && row < kMaxGrid && col >= 0 && col < kMaxGrid) {
        focusWnd_[row][col] = w;
    }
    activateWindow(w);
    return true;
}

// The activation runs on a worker, once w is shown (its placement may still
// be on its way to its program), so a window is never brought forward hidden.
bool WSController::activateWindow(WindowId w) {
    if (w == kNoWindow || !desktop_->isWindow(w) || !desktop_->isVisible(w)) return false;
    activator_.activate(w);
    return true;
}

}  // namespace zelvane
