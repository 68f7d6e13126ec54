// Making another workspace current: every managed window is moved to its
// place relative to the new workspace, and shown or hidden.
#include "controller/wsctrl.h"

namespace zelvane {

bool WSController::switchWS(std::int32_t row, std::int32_t col, WindowId carried) {
    if (previewActive_) return false;
    if (carried != kNoWindow && !desktop_->isVisible(carried)) carried = kNoWindow;

    // Measure first, so windows opened or moved on the old workspace are
    // recorded there before anything moves.
    const std::vector<WindowId> zOrder = rescan();
    saveFocus();
    leaveWorkspace(row, col);  // the taskbar order and volume of the workspace left

    setCurrentRow(row);
    setCurrentCol(col);
    const Plane p = plane();

    // Each placement is posted to the window's program and never waited for,
    // so a window whose program does not answer cannot hold up the switch.
    // The windows leaving go first, so the old workspace is gone from the
    // screen as early as possible (a program that owns windows of both
    // workspaces takes the requests in the order they are posted).
    for (const bool show : {false, true}) {
        for (WindowId w : zOrder) {
            if (w == carried) continue;
            const auto it = windows_.find(w);
            if (it == windows_.end()) continue;
            const WndInfo& info = it->second;
            if (info.exempt || !info.managed || info.isOnCurrentWS(p) != show) continue;
            place(w, info.minimized ? std::nullopt : std::optional<Point>(info.screenPosition(p)), show);
        }
    }

    if (carried == kNoWindow) {
        const WindowId target = focusTarget(zOrder);
        if (target != kNoWindow) activator_.activate(target);
    }
    released_ = false;
    publishRescueList();
    // Never waits on other programs: the change is announced without
    // waiting for anyone to take it.
    applyWallpaper(-1, -1);
    enterWorkspace();
    return true;
}

}  // namespace zelvane
