// Making another workspace current: every managed window is moved to its
// place relative to the new workspace, and shown or hidden.
#include "controller/wsctrl.h"

namespace zelvane {

bool WSController::switchWS(std::int32_t row, std::int32_t col, WindowId carried) {
    if (previewActive_) return false;
    const Snapshot snap = placingSnapshot();
    // What the workspace left records (its taskbar order and volume) is
    // taken before anything moves.
    leaveWorkspace(row, col);
    const Plan plan = model_.planSwitch(snap, row, col, carried);
    saveWindowList();
    // Each placement is posted to the window's program and never waited for,
    // so a window whose program does not answer cannot hold up the switch.
    carryOut(plan);
    // Never waits on other programs: the change is announced without
    // waiting for anyone to take it.
    wallpaper_.apply(-1, -1);
    enterWorkspace();
    return true;
}

}  // namespace zelvane
