#include "app/gesture.h"

namespace zelvane {

void GestureTracker::press(HookButton button, Clock::time_point now) {
    if (button == HookButton::None) return;
    if (last_ != HookButton::None && last_ != button) {
        // The other button is still down: this is the second press of a pair.
        if (now - firstPress_ < kMaxGap) previewOnRelease_ = true;
        firstPress_ = {};
        last_ = HookButton::Right;
        return;
    }
    firstPress_ = now;
    last_ = button;
}

bool GestureTracker::release() {
    const bool open = previewOnRelease_;
    previewOnRelease_ = false;
    last_ = HookButton::None;
    firstPress_ = {};
    return open;
}

}  // namespace zelvane
