#include "app/gesture.h"

#include <gtest/gtest.h>

namespace zelvane {
namespace {

using namespace std::chrono_literals;
using Clock = GestureTracker::Clock;

const Clock::time_point t0 = Clock::time_point{} + 1h;

TEST(Gesture, TheSecondButtonWithinFiftyMillisecondsOpensThePreviewOnRelease) {
    for (const auto gap : {0ms, 30ms, 49ms}) {
        GestureTracker g;
        g.press(HookButton::Left, t0);
        g.press(HookButton::Right, t0 + gap);
        EXPECT_TRUE(g.previewPending()) << gap.count();
        EXPECT_TRUE(g.release()) << gap.count();
        EXPECT_FALSE(g.release()) << "opened twice";
    }
    // Right first works the same.
    GestureTracker g;
    g.press(HookButton::Right, t0);
    g.press(HookButton::Left, t0 + 10ms);
    EXPECT_TRUE(g.release());
}

TEST(Gesture, FiftyMillisecondsOrMoreOpenNothingButStillCountAsAHeldRightButton) {
    for (const auto gap : {50ms, 60ms, 2000ms}) {
        GestureTracker g;
        g.press(HookButton::Left, t0);
        g.press(HookButton::Right, t0 + gap);
        EXPECT_FALSE(g.previewPending()) << gap.count();
        EXPECT_TRUE(g.rightHeld()) << gap.count();
        EXPECT_FALSE(g.release());
        EXPECT_FALSE(g.rightHeld());
    }
}

TEST(Gesture, TheSameButtonAgainRestartsTheTiming) {
    // A double click of the left button, then right: timed from the second left.
    GestureTracker g;
    g.press(HookButton::Left, t0);
    g.press(HookButton::Left, t0 + 100ms);
    g.press(HookButton::Right, t0 + 130ms);
    EXPECT_TRUE(g.release());

    g.press(HookButton::Left, t0 + 1s);
    g.press(HookButton::Left, t0 + 1s + 10ms);
    EXPECT_FALSE(g.previewPending());
    EXPECT_FALSE(g.rightHeld());
}

TEST(Gesture, APressAfterAPairIsTimedAfreshNotFromTheFirstPress) {
    // A release the hook never reported leaves the pair standing; a further
    // press of the other button must not open the preview on old timing.
    GestureTracker g;
    g.press(HookButton::Left, t0);
    g.press(HookButton::Right, t0 + 100ms);
    g.press(HookButton::Left, t0 + 110ms);
    EXPECT_FALSE(g.previewPending());
    EXPECT_TRUE(g.rightHeld());
}

TEST(Gesture, AFlipDropsThePendingPreviewButKeepsTheHeldRightButton) {
    GestureTracker g;
    g.press(HookButton::Left, t0);
    g.press(HookButton::Right, t0 + 20ms);
    g.cancelPreview();
    EXPECT_TRUE(g.rightHeld());
    EXPECT_FALSE(g.release());
}

TEST(Gesture, AReleaseForgetsEverything) {
    GestureTracker g;
    g.press(HookButton::Right, t0);
    EXPECT_TRUE(g.rightHeld());
    EXPECT_FALSE(g.release());
    EXPECT_FALSE(g.rightHeld());
    // The left press 20 ms after a right press that was already released
    // is a new start, not a pair.
    g.press(HookButton::Left, t0 + 20ms);
    EXPECT_FALSE(g.previewPending());
    EXPECT_FALSE(g.rightHeld());
    EXPECT_FALSE(g.release());
}

}  // namespace
}  // namespace zelvane
