// The taskbar order: the reorder planner, the limits of a read across
// processes, and the keeper that saves and restores each workspace's order
// against a fake taskbar.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "controller/tray_order.h"
#include "controller/tray_restorer.h"
#include "controller_fixture.h"
#include "fake_memories.h"
#include "poll.h"

using namespace std::chrono_literals;

namespace zelvane::testing {
namespace {

Buttons afterPlan(const Buttons& saved, Buttons current) {
    for (std::size_t index : planTrayReorder(saved, current).moves) moveToFront(current, index);
    return current;
}

// Saved order, the taskbar now, the taskbar after the moves, and whether the
// groups came out whole (0 entries are group headers).
TEST(TrayReorderPlan, PutsSavedGroupsInFrontWholeAndMendsTornOnes) {
    const struct {
        const char* what;
        Buttons saved, current, after;
        bool whole;
    } cases[] = {
        // Without headers every button moves on its own; taking the whole
        // list as one group would rotate it back to where it was.
        {"no headers", {3, 2, 1}, {1, 2, 3}, {3, 2, 1}, true},
        {"saved but gone: skipped; new: behind", {3, 9, 1}, {1, 5, 2, 3}, {3, 1, 5, 2}, true},
        {"saved twice: where first seen", {2, 1, 2}, {1, 2}, {2, 1}, true},
        {"nothing saved", {}, {1, 2}, {1, 2}, true},
        {"no buttons", {1, 2}, {}, {}, true},
        {"groups behind their headers", {1, 2}, {0, 2, 0, 1}, {0, 1, 0, 2}, true},
        {"a group keeps its own order", {4, 2}, {0, 1, 2, 0, 4, 5}, {0, 4, 5, 0, 1, 2}, true},
        {"in order already", {0, 1, 0, 2}, {0, 1, 0, 2, 0, 7}, {0, 1, 0, 2, 0, 7}, true},
        // A move cut short left the button before the headers and its
        // header, empty, at the end.
        {"torn: back behind the empty header", {0, 1, 0, 2, 0, 3}, {3, 0, 1, 0, 2, 0}, {0, 1, 0, 2, 0, 3}, true},
        // The shell moved another button in: it goes back to its group.
        {"torn: back to the window saved with it", {0, 1, 4, 0, 2}, {4, 0, 2, 0, 1}, {0, 1, 4, 0, 2}, true},
        // A move landed in another group: out again, behind the empty header.
        {"torn: inside another group", {0, 3, 0, 2, 0, 1}, {0, 3, 2, 0, 1, 0}, {0, 3, 0, 2, 0, 1}, true},
        // No header is left for it: the order is not back, whatever is moved.
        {"torn beyond mending", {0, 3, 0, 2, 0, 1}, {3, 0, 2, 0, 1}, {3, 0, 2, 0, 1}, false},
        {"torn, saved without headers", {4, 2, 7}, {7, 0, 1, 2, 0, 4, 5}, {0, 4, 5, 0, 1, 2, 7}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(afterPlan(c.saved, c.current), c.after);
        EXPECT_EQ(planTrayReorder(c.saved, c.current).whole, c.whole);
        // Planned again from the result: nothing more to do.
        EXPECT_TRUE(planTrayReorder(c.saved, c.after).moves.empty());
    }
    EXPECT_EQ(savedAmong({5, 1, 9, 2}, {0, 2, 1}), (Buttons{1, 2}));
}

TEST(TaskbarRead, CompletenessCountAndBudget) {
    EXPECT_TRUE(taskbarHasAll({0, 1, 2}, {2, 1}));
    EXPECT_FALSE(taskbarHasAll({0, 1}, {1, 2}));

    EXPECT_EQ(buttonsToRead(0, 512), std::optional<std::size_t>(0));
    EXPECT_EQ(buttonsToRead(512, 512), std::optional<std::size_t>(512));
    EXPECT_EQ(buttonsToRead(513, 512), std::nullopt);
    EXPECT_EQ(buttonsToRead(-1, 512), std::nullopt);

    const auto t0 = CallBudget::Clock::time_point{} + 1h;
    const CallBudget budget(100ms, 250ms, t0);
    EXPECT_EQ(budget.nextCall(t0), std::optional<std::chrono::milliseconds>(100ms));
    EXPECT_EQ(budget.nextCall(t0 + 200ms), std::optional<std::chrono::milliseconds>(50ms));
    EXPECT_EQ(budget.nextCall(t0 + 250ms), std::nullopt);
    EXPECT_EQ(budget.nextCall(t0 + 249900us), std::nullopt);

    EXPECT_EQ(shellPointerBytes(4, false, false), 4);  // 32-bit Windows
    EXPECT_EQ(shellPointerBytes(4, true, false), 8);   // we under WOW64, shell native 64-bit
    EXPECT_EQ(shellPointerBytes(4, true, true), 4);
    EXPECT_EQ(shellPointerBytes(8, false, false), 8);
}

TrayOrderKeeper::Options quickOptions() {
    TrayOrderKeeper::Options o;
    o.settle = 1ms;
    o.retryEvery = 5ms;
    o.giveUpAfter = 2s;
    return o;
}

class TrayOrderKeeperTest : public ::testing::Test {
protected:
    std::shared_ptr<FakeTaskbar> taskbar = std::make_shared<FakeTaskbar>();
};

TEST_F(TrayOrderKeeperTest, SavedOrderComesBackAndTheCountReturnsToZero) {
    TrayOrderKeeper keeper(quickOptions());
    taskbar->buttons = {3, 2, 1};
    EXPECT_EQ(keeper.save(taskbar.get(), 0, 0), (Buttons{3, 2, 1}));
    taskbar->edit([&] { taskbar->buttons = {1, 2, 3}; });
    ASSERT_TRUE(keeper.restore(taskbar, 0, 0));
    ASSERT_TRUE(keeper.waitIdle(5s));
    EXPECT_EQ(taskbar->now(), (Buttons{3, 2, 1}));
    EXPECT_EQ(keeper.pending(), 0);
}

TEST_F(TrayOrderKeeperTest, ButtonsTheShellRemovesDuringTheMovesLeaveTheGroupsWhole) {
    TrayOrderKeeper keeper(quickOptions());
    // Groups: [header, 1], [header, 2], [header, 3].
    taskbar->buttons = {0, 3, 0, 2, 0, 1};
    keeper.save(taskbar.get(), 0, 0);
    // Back on the workspace, the group of a window just hidden (9) is still
    // there when read and goes away before the moves: the planned indices are stale.
    taskbar->edit([&] {
        taskbar->buttons = {0, 9, 0, 1, 0, 2, 0, 3};
        taskbar->beforeFirstMove = [&] {
            auto& b = taskbar->buttons;
            const auto nine = std::find(b.begin(), b.end(), 9);
            b.erase(nine - 1, nine + 1);
        };
    });
    ASSERT_TRUE(keeper.restore(taskbar, 0, 0));
    ASSERT_TRUE(keeper.waitIdle(5s));
    EXPECT_EQ(taskbar->now(), (Buttons{0, 3, 0, 2, 0, 1}));
}

// Whatever order the groups come back in, and however many of the moves
// land on another button than planned, the groups end whole and in order.
TEST_F(TrayOrderKeeperTest, TheShellChangingItsButtonsBetweenCheckAndMoveTearsNoGroup) {
    const Buttons saved{0, 3, 0, 2, 0, 1};
    Buttons windows{1, 2, 3};
    do {
        for (int churn = 1; churn <= 3; ++churn) {
            SCOPED_TRACE(::testing::Message() << "back as " << windows[0] << windows[1] << windows[2] << ", "
                                              << churn << " moves astray");
            auto shell = std::make_shared<FakeTaskbar>();
            TrayOrderKeeper keeper(quickOptions());
            shell->buttons = saved;
            keeper.save(shell.get(), 0, 0);
            shell->edit([&] {
                shell->buttons = {0, windows[0], 0, windows[1], 0, windows[2]};
                shell->churn = churn;
            });
            ASSERT_TRUE(keeper.restore(shell, 0, 0));
            ASSERT_TRUE(keeper.waitIdle(5s));
            EXPECT_EQ(shell->now(), saved);
        }
    } while (std::next_permutation(windows.begin(), windows.end()));
}

TEST_F(TrayOrderKeeperTest, AWindowThatNeverGetsAButtonHoldsUpNeitherTheRestoreNorTheNextSave) {
    TrayOrderKeeper keeper(quickOptions());
    taskbar->buttons = {2, 1};
    keeper.save(taskbar.get(), 0, 0);
    taskbar->edit([&] {
        taskbar->buttons = {1, 2};
        taskbar->wanting = {1, 2, 99};  // visible, but the shell shows no button for it
    });
    ASSERT_TRUE(keeper.restore(taskbar, 0, 0));
    ASSERT_TRUE(keeper.waitIdle(1s));
    EXPECT_EQ(taskbar->now(), (Buttons{2, 1}));
    // Nothing pending: the next switch records the order as it is now.
    taskbar->edit([&] { taskbar->buttons = {1, 2}; });
    EXPECT_EQ(keeper.save(taskbar.get(), 0, 0), (Buttons{1, 2}));
}

// A group torn beyond mending (no header left for a button) stays so
// however often it is read: the restore stops at once, and the next switch
// records the order again.
TEST_F(TrayOrderKeeperTest, AnOrderThatCannotBeMadeWholeHoldsUpNothing) {
    TrayOrderKeeper keeper(quickOptions());
    taskbar->buttons = {0, 3, 0, 2, 0, 1};
    keeper.save(taskbar.get(), 0, 0);
    taskbar->edit([&] { taskbar->buttons = {3, 0, 2, 0, 1}; });
    ASSERT_TRUE(keeper.restore(taskbar, 0, 0));
    ASSERT_TRUE(keeper.waitIdle(500ms)) << "still retrying an order that cannot come back";
    EXPECT_EQ(keeper.save(taskbar.get(), 0, 0), (Buttons{3, 0, 2, 0, 1}));
}

TEST_F(TrayOrderKeeperTest, UnfinishedReadKeepsTheStoredOrderAndNoTaskbarClearsIt) {
    TrayOrderKeeper keeper(quickOptions());
    taskbar->buttons = {1, 2};
    keeper.save(taskbar.get(), 1, 1);
    taskbar->hung = true;
    EXPECT_EQ(keeper.save(taskbar.get(), 1, 1), (Buttons{1, 2}));
    taskbar->absent = true;
    EXPECT_TRUE(keeper.save(taskbar.get(), 1, 1).empty());
    EXPECT_TRUE(keeper.save(nullptr, 0, 0).empty());
    EXPECT_TRUE(keeper.save(taskbar.get(), 5, 0).empty());  // outside the table
    EXPECT_FALSE(keeper.restore(taskbar, 0, 5));
}

TEST_F(TrayOrderKeeperTest, HungTaskbarIsRetriedUntilItAnswers) {
    TrayOrderKeeper keeper(quickOptions());
    taskbar->buttons = {2, 1};
    keeper.save(taskbar.get(), 0, 0);
    taskbar->edit([&] {
        taskbar->buttons = {1, 2};
        taskbar->hung = true;
    });
    ASSERT_TRUE(keeper.restore(taskbar, 0, 0));
    ASSERT_TRUE(pollFor([&] {
        std::lock_guard<std::mutex> g(taskbar->m);
        return taskbar->reads > 2;
    }));
    taskbar->edit([&] { taskbar->hung = false; });
    ASSERT_TRUE(keeper.waitIdle(5s));
    EXPECT_EQ(taskbar->now(), (Buttons{2, 1}));
}

TEST_F(TrayOrderKeeperTest, GivesUpInBoundedTimeWhenTheTaskbarNeverCatchesUp) {
    auto options = quickOptions();
    options.giveUpAfter = 50ms;
    TrayOrderKeeper keeper(options);
    taskbar->buttons = {2, 1, 3};
    keeper.save(taskbar.get(), 0, 0);
    taskbar->edit([&] {
        taskbar->buttons = {1, 2};
        taskbar->wanting = {1, 2, 3};  // saved 3 has no button yet
    });
    ASSERT_TRUE(keeper.restore(taskbar, 0, 0));
    ASSERT_TRUE(keeper.waitIdle(5s));
    EXPECT_EQ(taskbar->moves, 0);
    EXPECT_EQ(taskbar->now(), (Buttons{1, 2}));
}

TEST_F(TrayOrderKeeperTest, OnlyTheNewestRequestIsCarriedOutAndASaveCallsItOff) {
    auto options = quickOptions();
    options.settle = 200ms;
    TrayOrderKeeper keeper(options);
    taskbar->buttons = {2, 1};
    keeper.save(taskbar.get(), 0, 0);
    taskbar->buttons = {1, 2};
    keeper.save(taskbar.get(), 0, 1);
    taskbar->buttons = {1, 2};
    // (0,0), (0,1), (0,0): the first is called off while it waits for the
    // shell to settle, the second is replaced before it starts; only the
    // last one reads the taskbar (after the two saves' reads) and moves.
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(keeper.restore(taskbar, 0, i % 2));
    EXPECT_GE(keeper.pending(), 1);
    EXPECT_LE(keeper.pending(), 2);
    ASSERT_TRUE(keeper.waitIdle(5s));
    EXPECT_EQ(taskbar->now(), (Buttons{2, 1}));
    EXPECT_EQ(taskbar->reads, 2 + 2);  // the saves, then one read to plan and one finding the order back
    EXPECT_EQ(taskbar->moves, 1);

    taskbar->edit([&] { taskbar->buttons = {1, 2}; });
    ASSERT_TRUE(keeper.restore(taskbar, 0, 0));
    // A save while the restore waits: the half-restored taskbar is not
    // recorded and the restore is called off.
    EXPECT_EQ(keeper.save(taskbar.get(), 0, 0), (Buttons{2, 1}));
    ASSERT_TRUE(keeper.waitIdle(5s));
    EXPECT_EQ(taskbar->now(), (Buttons{1, 2}));
}

TEST_F(TrayOrderKeeperTest, EndingTheKeeperStopsAWaitingWorker) {
    auto options = quickOptions();
    options.settle = 1h;
    auto keeper = std::make_unique<TrayOrderKeeper>(options);
    taskbar->buttons = {2, 1};
    keeper->save(taskbar.get(), 0, 0);
    ASSERT_TRUE(keeper->restore(taskbar, 0, 0));
    keeper.reset();  // must not wait for the hour
    EXPECT_EQ(taskbar->reads, 1);
}

TEST_F(ControllerTest, TrayOrderFollowsItsSettingAndNeedsATaskbar) {
    auto taskbar = std::make_shared<FakeTaskbar>();
    taskbar->buttons = {5, 6};
    ctrl->leaveWorkspace(0, 1);  // no taskbar given: recorded as empty
    EXPECT_TRUE(ctrl->trayOrderOf(0, 0).empty());
    EXPECT_FALSE(ctrl->restoreTrayOrder());

    ctrl->setTaskbar(taskbar);
    settings.setKeepTrayOrder(false);
    ctrl->leaveWorkspace(0, 1);
    ctrl->enterWorkspace();
    EXPECT_EQ(taskbar->reads, 0);

    settings.setKeepTrayOrder(true);
    ctrl->leaveWorkspace(0, 1);
    EXPECT_EQ(ctrl->trayOrderOf(0, 0), (Buttons{5, 6}));
    ctrl->enterWorkspace();
    EXPECT_EQ(ctrl->pendingTrayRestores(), 1);
    ctrl.reset();  // the worker (waiting two seconds) ends with the controller
}

}  // namespace
}  // namespace zelvane::testing
