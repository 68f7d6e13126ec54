#include "controller/activator.h"

#include <gtest/gtest.h>

#include <memory>

#include "controller/placement_executor.h"
#include "fake_desktop.h"

using namespace std::chrono_literals;
using zelvane::Activator;
using zelvane::PlacementExecutor;
using zelvane::Plan;
using zelvane::Point;
using zelvane::WindowId;
using zelvane::testing::FakeDesktop;

namespace {

struct ActivatorTest : ::testing::Test {
    std::shared_ptr<FakeDesktop> desktop = std::make_shared<FakeDesktop>();
    static bool nothingInFlight(WindowId) { return false; }
    static Activator::Options quick() {
        Activator::Options o;
        o.stuckAfter = 5ms;
        return o;
    }
};

// A window whose placement is still on its way is brought forward once it
// is shown, and only the newest request is carried out.
TEST_F(ActivatorTest, WaitsUntilShownAndOnlyTheNewestRuns) {
    const auto a = desktop->add(0, 0, 100, 100);
    const auto b = desktop->add(0, 0, 100, 100);
    desktop->setHung(b, true);
    PlacementExecutor executor(desktop);
    Plan plan;
    plan.placements = {{b, Point{-1280, 0}, false}, {b, Point{5, 5}, true}};  // b's hide has not landed yet
    executor.carryOut(plan);
    desktop->setModifiersDown(true);  // holds the worker before its first step
    Activator activator(desktop, executor.inFlightQuery(), quick());
    activator.activate(a);
    activator.activate(b);
    desktop->setModifiersDown(false);
    EXPECT_FALSE(activator.waitIdle(50ms));
    EXPECT_EQ(desktop->activations, 0);
    desktop->answer(b);
    desktop->pumpNotices();
    ASSERT_TRUE(activator.waitIdle(5s));
    EXPECT_EQ(desktop->foregroundWindow(), b);
    EXPECT_EQ(desktop->activations, 1);
    EXPECT_EQ(desktop->get(b).calls.back(), "activate");
}

// While the user taps on through the workspaces with the chord held, the
// foreground moves once, when the keys are let go.
TEST_F(ActivatorTest, ForegroundMovesOnlyOnceTheChordIsReleased) {
    const auto a = desktop->add(0, 0, 100, 100);
    const auto b = desktop->add(0, 0, 100, 100);
    desktop->setModifiersDown(true);
    Activator activator(desktop, nothingInFlight, quick());
    activator.activate(a);
    activator.activate(b);
    EXPECT_EQ(desktop->activations, 0);
    desktop->setModifiersDown(false);
    ASSERT_TRUE(activator.waitIdle(5s));
    EXPECT_EQ(desktop->foregroundWindow(), b);
    EXPECT_EQ(desktop->activations, 1);
}

// Handing the foreground on waits for a hung foreground window: the next
// request gets a worker of its own, the stale one gives up right before its
// attempt, and the activator can be destroyed while a worker is stuck.
TEST_F(ActivatorTest, AWorkerStuckOnAHungForegroundHoldsUpNothing) {
    const auto hungForeground = desktop->add(0, 0, 100, 100);
    const auto first = desktop->add(0, 0, 100, 100);
    const auto second = desktop->add(0, 0, 100, 100);
    desktop->setForegroundNow(hungForeground);
    desktop->setHung(hungForeground, true);
    {
        Activator activator(desktop, nothingInFlight, quick());
        activator.activate(first);  // blocks on the hung foreground window
        EXPECT_FALSE(activator.waitIdle(30ms));
        desktop->placeWindow(second, Point{-1270, 10}, true);  // placements never wait for it
        EXPECT_EQ(desktop->get(second).rect.left, -1270);
        activator.activate(second);
        EXPECT_FALSE(activator.waitIdle(30ms));
        desktop->answer(hungForeground);
        ASSERT_TRUE(activator.waitIdle(5s));
        EXPECT_EQ(desktop->foregroundWindow(), second);
        EXPECT_EQ(desktop->activations, 1);  // the first request was no longer wanted when its turn came
    }
    desktop->setForegroundNow(hungForeground);
    desktop->setHung(hungForeground, true);
    {
        // Shown when its turn came, hidden while it waited (the user switched
        // on): the window of another workspace is not brought forward.
        Activator activator(desktop, nothingInFlight, quick());
        activator.activate(first);
        EXPECT_FALSE(activator.waitIdle(30ms));
        desktop->edit(first, [](auto& win) { win.visible = false; });
        desktop->answer(hungForeground);
        ASSERT_TRUE(activator.waitIdle(5s));
        EXPECT_EQ(desktop->foregroundWindow(), hungForeground);
    }
    desktop->setForegroundNow(hungForeground);
    desktop->setHung(hungForeground, true);
    {
        Activator activator(desktop, nothingInFlight, quick());
        activator.activate(first);
        EXPECT_FALSE(activator.waitIdle(30ms));
    }  // destroyed while its worker is stuck
    desktop->answer(hungForeground);
}

// A window closed before its turn, or one that is not shown in time, is
// never brought forward.
TEST_F(ActivatorTest, AWindowClosedOrNeverShownIsDropped) {
    const auto closed = desktop->add(0, 0, 100, 100);
    const auto hidden = desktop->add(0, 0, 100, 100);
    desktop->edit(closed, [](auto& win) { win.visible = false; });
    desktop->edit(hidden, [](auto& win) { win.visible = false; });
    Activator::Options options = quick();
    options.shownWait = 50ms;
    Activator activator(desktop, nothingInFlight, options);
    activator.activate(closed);
    desktop->close(closed);
    EXPECT_TRUE(activator.waitIdle(5s));
    activator.activate(hidden);
    EXPECT_TRUE(activator.waitIdle(5s));
    EXPECT_EQ(desktop->activations, 0);
}

}  // namespace
