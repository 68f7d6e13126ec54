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

using namespace std::chrono_literals;

namespace zelvane::testing {
namespace {

using Buttons = std::vector<WindowId>;

template <typename Pred>
bool pollFor(Pred pred) {
    for (int i = 0; i < 500 && !pred(); ++i) std::this_thread::sleep_for(10ms);
    return pred();
}

Buttons afterPlan(const Buttons& saved, Buttons current) {
    for (std::size_t index : planTrayReorder(saved, current)) moveToFront(current, index);
    return current;
}

TEST(TrayReorderPlan, PutsSavedButtonsInFrontInSavedOrder) {
    // Without group headers every button moves on its own; taking the whole
    // list as one group would rotate it back to where it was.
    EXPECT_EQ(afterPlan({3, 2, 1}, {1, 2, 3}), (Buttons{3, 2, 1}));
    // Windows saved but gone are skipped; new windows end up behind.
    EXPECT_EQ(afterPlan({3, 9, 1}, {1, 5, 2, 3}), (Buttons{3, 1, 5, 2}));
    // A window saved twice counts where it was first.
    EXPECT_EQ(afterPlan({2, 1, 2}, {1, 2}), (Buttons{2, 1}));
    EXPECT_EQ(afterPlan({}, {1, 2}), (Buttons{1, 2}));
    EXPECT_EQ(afterPlan({1, 2}, {}), (Buttons{}));
    // Nothing to do when the order is already right.
    EXPECT_TRUE(planTrayReorder({1, 2, 3}, {1, 2, 3}).empty());
}

TEST(TrayReorderPlan, MovesWholeGroupsBehindTheirHeaders) {
    EXPECT_EQ(afterPlan({1, 2}, {0, 2, 0, 1}), (Buttons{0, 1, 0, 2}));
    // A group keeps its own order inside; a button before the first header
    // stands alone.
    EXPECT_EQ(afterPlan({4, 2, 7}, {7, 0, 1, 2, 0, 4, 5}), (Buttons{0, 4, 5, 0, 1, 2, 7}));
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

// A taskbar whose buttons are a list; it can stop answering, and it counts calls.
class FakeTaskbar : public Taskbar {
public:
    TaskbarRead readButtons(const TaskbarLimits&) override {
        std::lock_guard<std::mutex> g(m);
        ++reads;
        if (absent) return {TaskbarReadStatus::NoTaskbar, kNoWindow, {}};
        if (hung) return {TaskbarReadStatus::Unfinished, 7, {}};
        return {TaskbarReadStatus::Done, 7, buttons};
    }
    bool moveButtonToFront(WindowId toolbar, std::size_t index, WindowId expected,
                           std::chrono::milliseconds) override {
        std::lock_guard<std::mutex> g(m);
        if (beforeFirstMove) std::exchange(beforeFirstMove, nullptr)();
        if (hung || toolbar != 7 || index >= buttons.size() || buttons[index] != expected) return false;
        ++moves;
        moveToFront(buttons, index);
        return true;
    }
    std::vector<WindowId> windowsWantingButtons() override {
        std::lock_guard<std::mutex> g(m);
        return wanting;
    }
    template <typename F>
    void edit(F f) {
        std::lock_guard<std::mutex> g(m);
        f();
    }
    Buttons now() {
        std::lock_guard<std::mutex> g(m);
        return buttons;
    }

    std::mutex m;
    Buttons buttons;
    Buttons wanting;
    bool hung = false;
    bool absent = false;
    std::function<void()> beforeFirstMove;  // the shell changing its buttons after a read
    int reads = 0;
    int moves = 0;
};

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
    taskbar->buttons = {2, 1};
    keeper.save(taskbar.get(), 0, 0);
    taskbar->edit([&] {
        taskbar->buttons = {1, 2};
        taskbar->wanting = {1, 2, 3};  // 3 has no button yet
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
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(keeper.restore(taskbar, 0, i % 2));  // last: (0,0)
    EXPECT_GE(keeper.pending(), 1);
    EXPECT_LE(keeper.pending(), 2);
    ASSERT_TRUE(keeper.waitIdle(5s));
    EXPECT_EQ(taskbar->now(), (Buttons{2, 1}));

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
