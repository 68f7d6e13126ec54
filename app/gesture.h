#pragma once
// The two-button gesture: left and right pressed less than 50 ms apart open
// the preview at the next release. The presses come from the mouse hook and
// are timed here when the main window handles them.
#include <chrono>

namespace zelvane {

enum class HookButton { None, Left, Right };

class GestureTracker {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kMaxGap{50};

    // A button press reported by the hook, while gestures are on and no
    // class-registration drag runs.
    void press(HookButton button, Clock::time_point now);

    // Any button release. True when the preview is to open now.
    bool release();

    // A flip to another workspace drops a pending preview.
    void cancelPreview() { previewOnRelease_ = false; }

    // Forgets every press: the hook was off, and the releases that came
    // meanwhile were never reported.
    void reset() { release(); }

    // The right button is held, or both buttons are (a gesture, quick or not,
    // counts as a held right button until the next release): the edge flip
    // then needs no modifier.
    bool rightHeld() const { return last_ == HookButton::Right; }
    bool previewPending() const { return previewOnRelease_; }

private:
    HookButton last_ = HookButton::None;
    Clock::time_point firstPress_{};
    bool previewOnRelease_ = false;
};

}  // namespace zelvane
