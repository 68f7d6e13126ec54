// The executor's books on placements in flight, against programs that take
// their requests late, answer notices out of order or never, and windows
// that close or refuse to move.
#include "controller/placement_executor.h"

#include <gtest/gtest.h>

#include <memory>

#include "fake_desktop.h"

using namespace std::chrono_literals;

namespace zelvane::testing {
namespace {

class ExecutorTest : public ::testing::Test {
protected:
    ExecutorTest() {
        desktop->manual = true;
        PlacementExecutor::Options options;
        options.now = [this] { return now; };
        executor = std::make_unique<PlacementExecutor>(desktop, options);
    }
    // Windows a and b share one thread (one program), c has its own.
    WindowId add(std::uint32_t thread) {
        const WindowId w = desktop->add(100, 100, 200, 200);
        desktop->edit(w, [&](auto& win) { win.thread = thread; });
        return w;
    }
    static Plan hideAll(std::initializer_list<WindowId> windows) {
        Plan plan;
        for (WindowId w : windows) plan.placements.push_back({w, Point{-1180, 100}, false});
        return plan;
    }
    Snapshot snap() const {
        return executor->snapshot([](WindowId) { return kReadVisibility | kReadGeometry; });
    }

    std::shared_ptr<FakeDesktop> desktop = std::make_shared<FakeDesktop>();
    PlacementExecutor::Clock::time_point now{};
    std::unique_ptr<PlacementExecutor> executor;
};

// One notice per program; a placement is carried out once its notice is
// back (the UI thread took it) and the window is where it was sent.
TEST_F(ExecutorTest, OneNoticePerThreadAndDoneOnlyWhenItIsBackAndTheWindowLanded) {
    const WindowId a = add(1), b = add(1), c = add(2);
    executor->carryOut(hideAll({a, b, c}));
    EXPECT_EQ(desktop->noticesAsked, 2);
    for (WindowId w : {a, b, c}) EXPECT_TRUE(executor->inFlight(w));

    desktop->deliver(a);  // the program moved its windows and answered; the UI thread has not seen it
    EXPECT_TRUE(executor->inFlight(a));
    EXPECT_TRUE(snap().find(b)->inFlight);
    desktop->pumpNotices();
    EXPECT_FALSE(executor->inFlight(a));
    EXPECT_FALSE(snap().find(b)->inFlight);
    EXPECT_TRUE(executor->inFlight(c));
    EXPECT_FALSE(executor->idle());
    desktop->deliver(c);
    desktop->pumpNotices();
    EXPECT_TRUE(executor->idle());
}

// Windows do not promise that a notice waits behind the placements posted
// before it: one that overtakes them must not let a rescan measure the
// window mid-move. A window that never lands where it was sent (its program
// chose another place) counts as placed a while after the notice.
TEST_F(ExecutorTest, ANoticeThatOvertakesThePlacementsLeavesThemInFlightUntilTheyLand) {
    desktop->noticeOvertakes = true;
    const WindowId a = add(1), stubborn = add(2);
    executor->carryOut(hideAll({a, stubborn}));
    desktop->deliver(a, 1);  // only the notice
    desktop->deliver(stubborn, 1);
    desktop->pumpNotices();
    EXPECT_TRUE(executor->inFlight(a));
    EXPECT_TRUE(desktop->get(a).visible);
    desktop->deliver(a);
    EXPECT_FALSE(executor->inFlight(a));

    desktop->edit(stubborn, [](auto& w) { w.rect = Rect{5, 5, 205, 205}; });  // refused the move, stays shown
    EXPECT_TRUE(snap().find(stubborn)->inFlight);
    now += 1500ms;
    EXPECT_FALSE(snap().find(stubborn)->inFlight);
}

// A notice asked for through a window that closes before its program answers
// may never come: it is asked for again through a window of the batch that
// still exists. A program that hangs is waited for, however long.
TEST_F(ExecutorTest, ALostNoticeIsAskedForAgainThroughAWindowThatStillExists) {
    const WindowId a = add(1), via = add(1), hung = add(2);
    desktop->setHung(hung, true);
    desktop->loseNotices = true;
    executor->carryOut(hideAll({a, via, hung}));
    desktop->loseNotices = false;
    desktop->close(via);
    desktop->deliver(a);
    desktop->pumpNotices();
    EXPECT_TRUE(executor->inFlight(a));

    now += 3s;
    const int asked = desktop->noticesAsked;
    snap();  // the UI thread's next look asks again
    EXPECT_EQ(desktop->noticesAsked, asked + 1);  // for a's batch only: the hung program's window is still there
    desktop->deliver(a);
    desktop->pumpNotices();
    EXPECT_FALSE(executor->inFlight(a));
    EXPECT_TRUE(executor->inFlight(hung));
    now += 1h;
    snap();
    EXPECT_TRUE(executor->inFlight(hung));
}

// A notice that never comes from a program that does answer (it was lost on
// the way) must not keep its windows in flight for good, or no rescan would
// ever measure them again: after a long while it counts as come, and the
// window's live state decides.
TEST_F(ExecutorTest, ANoticeLostFromAProgramThatAnswersExpires) {
    const WindowId a = add(1), b = add(2);
    desktop->loseNotices = true;
    executor->carryOut(hideAll({a, b}));
    desktop->deliver(a);  // a's program took its placement; b's has not yet
    now += 3s;
    EXPECT_TRUE(snap().find(a)->inFlight);
    now += 8s;
    const Snapshot later = snap();
    EXPECT_FALSE(later.find(a)->inFlight);
    EXPECT_TRUE(later.find(b)->inFlight);  // not where it was sent: waited for a while longer
    desktop->deliver(b);
    EXPECT_FALSE(snap().find(b)->inFlight);
}

// A newer placement of the same window waits for its own notice; a window
// that closes is not waited for; a refused placement is reported and never
// counted as in flight.
TEST_F(ExecutorTest, NewerPlacementsClosedWindowsAndRefusals) {
    const WindowId a = add(1), closing = add(2), elevated = add(3);
    desktop->edit(elevated, [](auto& w) { w.refuses = true; });
    EXPECT_EQ(executor->carryOut(hideAll({a, closing, elevated})), (std::vector<WindowId>{elevated}));
    EXPECT_FALSE(executor->inFlight(elevated));
    desktop->deliver(a);
    Plan back;
    back.placements.push_back({a, Point{100, 100}, true});
    executor->carryOut(back);
    desktop->pumpNotices();  // the first notice only
    EXPECT_TRUE(executor->inFlight(a));
    desktop->deliver(a);
    desktop->pumpNotices();
    EXPECT_FALSE(executor->inFlight(a));

    desktop->close(closing);
    EXPECT_FALSE(snap().find(closing));
    EXPECT_FALSE(executor->inFlight(closing));
    // A window that closed before its placement was posted is no refusal.
    EXPECT_TRUE(executor->carryOut(hideAll({closing})).empty());
}

// Whether a hidden window landed is told by its place, also when the plan
// that reads it does not ask for the place of hidden windows.
TEST_F(ExecutorTest, AHiddenWindowsPlaceIsReadToSeeWhetherItLanded) {
    const WindowId a = add(1);
    desktop->edit(a, [](auto& w) { w.visible = false; });  // moved while hidden: visibility tells nothing
    desktop->noticeOvertakes = true;
    executor->carryOut(hideAll({a}));
    desktop->deliver(a, 1);  // the notice is back, the placement not yet carried out
    desktop->pumpNotices();
    const auto visibilityOnly = [this] { return executor->snapshot([](WindowId) { return kReadVisibility; }); };
    EXPECT_TRUE(visibilityOnly().find(a)->inFlight);
    desktop->deliver(a);
    EXPECT_FALSE(visibilityOnly().find(a)->inFlight);
}

// While a plan's placements are on their way, a crash must show the windows
// hidden before it and those it hides, so that list is kept before the first
// placement is posted; afterwards only the latter.
TEST_F(ExecutorTest, TheRescueListCoversBothSidesWhileAPlanIsPosted) {
    const WindowId old = add(1), fresh = add(2);
    Plan first = hideAll({old});
    first.rescue = {{old, Point{100, 100}}};
    executor->carryOut(first);
    Plan second = hideAll({fresh});
    second.placements.push_back({old, Point{100, 100}, true});
    second.rescue = {{fresh, Point{100, 100}}};
    desktop->rescueLists.clear();
    desktop->postedAtList.clear();
    const int postedBefore = desktop->posted;
    executor->carryOut(second);
    ASSERT_EQ(desktop->rescueLists.size(), 2u);
    EXPECT_EQ(desktop->rescueLists[0].size(), 2u);
    EXPECT_EQ(desktop->postedAtList[0], postedBefore) << "a placement was posted before the list that covers it";
    ASSERT_EQ(desktop->rescueLists[1].size(), 1u);
    EXPECT_EQ(desktop->rescueLists[1][0].window, fresh);
}

}  // namespace
}  // namespace zelvane::testing
