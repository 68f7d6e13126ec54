// Each workspace remembers the window that had the foreground when it was
// left, and gets it back when it is entered.
#include "controller/wsctrl.h"

namespace zelvane {

bool WSController::saveFocus() {
    model_.saveFocus(executor_.desktop().foregroundWindow());
    return true;
}

bool WSController::restoreFocus() {
    const WindowId target =
        model_.focusTarget(executor_.snapshot([this](WindowId w) { return model_.readsForPlacing(w); }));
    if (target != kNoWindow) activator_.activate(target);
    return true;
}

bool WSController::setWSFocus(WindowId w, std::int32_t row, std::int32_t col) {
    model_.setFocus(w, row, col);
    activateWindow(w);
    return true;
}

// The activation runs on a worker, once w is shown (its placement may still
// be on its way to its program), so a window is never brought forward hidden.
bool WSController::activateWindow(WindowId w) {
    const Desktop& d = executor_.desktop();
    if (w == kNoWindow || !d.isWindow(w) || !d.isVisible(w)) return false;
    activator_.activate(w);
    return true;
}

}  // namespace zelvane
