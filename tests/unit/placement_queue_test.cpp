#include "controller/placement_queue.h"

#include <gtest/gtest.h>

#include <memory>

#include "fake_desktop.h"

using namespace std::chrono_literals;
using zelvane::PlacementQueue;
using zelvane::Point;
using zelvane::testing::FakeDesktop;

namespace {

struct PlacementQueueTest : ::testing::Test {
    std::shared_ptr<FakeDesktop> desktop = std::make_shared<FakeDesktop>();
};

TEST_F(PlacementQueueTest, MovesBeforeItShowsAndNeverActivatesFirst) {
    const auto w = desktop->add(100, 100, 300, 200);
    desktop->edit(w, [](auto& win) { win.visible = false; });
    PlacementQueue queue(desktop);
    queue.place(w, Point{-1180, 100}, true);
    queue.activate(w);
    ASSERT_TRUE(queue.waitIdle(5s));
    const auto calls = desktop->get(w).calls;
    EXPECT_EQ(calls, (std::vector<std::string>{"move -1180,100", "show", "activate"}));
    EXPECT_EQ(desktop->get(w).rect.right, -880);
}

TEST_F(PlacementQueueTest, HungWindowsDoNotHoldUpOthersAndEndInTheNewestState) {
    PlacementQueue queue(desktop, PlacementQueue::Options{2, 5ms, 1000ms, 512});
    std::vector<zelvane::WindowId> hung, fine;
    for (int i = 0; i < 6; ++i) {
        hung.push_back(desktop->add(10 * i, 0, 100, 100));
        desktop->setHung(hung.back(), true);
    }
    for (int i = 0; i < 20; ++i) fine.push_back(desktop->add(10 * i, 200, 100, 100));

    for (auto w : hung) queue.place(w, Point{-1000, 0}, false);  // first switch
    for (auto w : fine) queue.place(w, Point{-1000, 200}, false);
    for (auto w : fine)
        ASSERT_TRUE(desktop->waitFor(w, [](const auto& win) { return !win.visible && win.rect.left == -1000; }));
    for (auto w : hung) EXPECT_TRUE(queue.pending(w));

    // A second and third switch while they still hang: the newest placement wins.
    for (auto w : hung) queue.place(w, Point{500, 50}, false);
    for (auto w : hung) queue.place(w, Point{40, 60}, true);
    for (auto w : hung) desktop->answer(w);
    ASSERT_TRUE(queue.waitIdle(5s));
    for (auto w : hung) {
        const auto win = desktop->get(w);
        EXPECT_TRUE(win.visible);
        EXPECT_EQ(win.rect.left, 40);
        EXPECT_EQ(win.rect.top, 60);
        // The call in progress when it hung, then the newest placement; the
        // intermediate one was never started, and the stale hide was skipped,
        // so the window (never hidden) needs no show either.
        EXPECT_EQ(win.calls, (std::vector<std::string>{"move -1000,0", "move 40,60"}));
    }
}

TEST_F(PlacementQueueTest, CallsThatWouldChangeNothingAreSkipped) {
    const auto w = desktop->add(-1180, 40, 100, 100);
    desktop->edit(w, [](auto& win) { win.visible = false; });
    PlacementQueue queue(desktop);
    queue.place(w, Point{-1180, 40}, false);  // already there, already hidden
    queue.place(w, Point{-1180, -760}, false);
    ASSERT_TRUE(queue.waitIdle(5s));
    EXPECT_EQ(desktop->get(w).calls, (std::vector<std::string>{"move -1180,-760"}));
}

TEST_F(PlacementQueueTest, OnlyTheNewestActivationRuns) {
    const auto a = desktop->add(0, 0, 100, 100);
    const auto b = desktop->add(0, 0, 100, 100);
    desktop->setHung(a, true);
    PlacementQueue queue(desktop);
    queue.place(a, Point{1, 1}, true);
    queue.activate(a);  // waits behind a's placement...
    queue.activate(b);  // ...and is superseded before it can run
    ASSERT_TRUE(desktop->waitFor(b, [](const auto& win) { return !win.calls.empty(); }));
    desktop->answer(a);
    ASSERT_TRUE(queue.waitIdle(5s));
    EXPECT_EQ(desktop->foregroundWindow(), b);
    EXPECT_EQ(desktop->activations, 1);
}

TEST_F(PlacementQueueTest, AnActivationStuckOnAHungForegroundHoldsUpNoPlacement) {
    const auto hungForeground = desktop->add(0, 0, 100, 100);
    const auto w = desktop->add(0, 0, 100, 100);
    desktop->setForegroundNow(hungForeground);
    desktop->setHung(hungForeground, true);
    PlacementQueue queue(desktop, PlacementQueue::Options{1, 5ms, 1000ms, 512});
    queue.place(w, Point{10, 10}, true);
    queue.activate(w);  // blocks on the hung foreground window
    ASSERT_TRUE(desktop->waitFor(w, [](const auto& win) { return win.rect.left == 10; }));
    queue.place(w, Point{-1270, 10}, false);  // the next switch still moves it
    ASSERT_TRUE(desktop->waitFor(w, [](const auto& win) { return !win.visible && win.rect.left == -1270; }));
    EXPECT_NE(desktop->foregroundWindow(), w);
    desktop->answer(hungForeground);
    ASSERT_TRUE(queue.waitIdle(5s));
}

TEST_F(PlacementQueueTest, ForegroundMovesOnlyOnceTheChordIsReleased) {
    const auto a = desktop->add(0, 0, 100, 100);
    const auto b = desktop->add(0, 0, 100, 100);
    desktop->setModifiersDown(true);  // the user taps on through the workspaces
    PlacementQueue queue(desktop);
    queue.activate(a);
    queue.place(b, Point{5, 5}, true);
    ASSERT_TRUE(desktop->waitFor(b, [](const auto& win) { return win.rect.left == 5; }));
    queue.activate(b);
    EXPECT_EQ(desktop->activations, 0);
    desktop->setModifiersDown(false);
    ASSERT_TRUE(queue.waitIdle(5s));
    EXPECT_EQ(desktop->foregroundWindow(), b);
    EXPECT_EQ(desktop->activations, 1);  // a's turn had passed
}

TEST_F(PlacementQueueTest, DetachHandsHungWindowsTheirNewestPlacement) {
    const auto w = desktop->add(0, 0, 100, 100);
    desktop->setHung(w, true);
    {
        PlacementQueue queue(desktop, PlacementQueue::Options{1, 5ms, 1000ms, 512});
        queue.place(w, Point{-1280, 0}, false);
        queue.place(w, Point{30, 40}, true);
        EXPECT_FALSE(queue.waitIdle(50ms));
        queue.detachPending();
        EXPECT_TRUE(queue.idle());
    }  // the queue is gone while the window still hangs
    desktop->answer(w);
    ASSERT_TRUE(desktop->waitFor(w, [](const auto& win) { return win.visible && win.rect.left == 30; }));
    // Whatever call was blocked lands first; the handed-over placement last.
    const auto calls = desktop->get(w).calls;
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2], "move 30,40");
    EXPECT_EQ(calls.back(), "show");
}

TEST_F(PlacementQueueTest, WindowClosedWhileQueuedIsDropped) {
    const auto w = desktop->add(0, 0, 100, 100);
    desktop->setHung(w, true);
    PlacementQueue queue(desktop);
    queue.place(w, Point{5, 5}, false);
    desktop->close(w);
    EXPECT_TRUE(queue.waitIdle(5s));
}

}  // namespace
