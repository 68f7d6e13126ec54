#include "app/popup_delay.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

namespace zelvane {
namespace {

using namespace std::chrono_literals;

struct Recorder {
    std::vector<std::int32_t> steps;
    int checks = 0;
    int leaveAfterChecks = 1000;  // the cursor leaves the edge after this many checks
    bool cancelAtStep = false;

    bool run(std::int32_t delay) {
        return restedOnEdge(
            delay,
            [this](std::int32_t ms) {
                steps.push_back(ms);
                return !cancelAtStep;
            },
            [this] { return ++checks < leaveAfterChecks; });
    }
};

TEST(PopupDelay, TheDelayIsWaitedInStepsOfAtMostHalfASecondCheckingTheCursorAfterEach) {
    Recorder r;
    EXPECT_TRUE(r.run(1200));
    EXPECT_EQ(r.steps, (std::vector<std::int32_t>{500, 500, 200}));
    EXPECT_EQ(r.checks, 3);

    Recorder exact;
    EXPECT_TRUE(exact.run(1000));
    EXPECT_EQ(exact.steps, (std::vector<std::int32_t>{500, 500}));

    for (const std::int32_t none : {0, -5}) {
        Recorder r0;
        EXPECT_TRUE(r0.run(none));
        EXPECT_TRUE(r0.steps.empty());
        EXPECT_EQ(r0.checks, 0);
    }
}

TEST(PopupDelay, LeavingTheEdgeOrACancelEndsTheWaitWithoutPoppingUp) {
    Recorder leaves;
    leaves.leaveAfterChecks = 2;
    EXPECT_FALSE(leaves.run(1200));
    EXPECT_EQ(leaves.steps.size(), 2u);  // no further waiting once it has left

    Recorder cancelled;
    cancelled.cancelAtStep = true;
    EXPECT_FALSE(cancelled.run(1200));
    EXPECT_EQ(cancelled.checks, 0);
}

TEST(PopupDelayWorker, OneWaitAtATimeAndItsResultArrives) {
    PopupDelayWorker worker;
    std::promise<void> arrived;
    ASSERT_TRUE(worker.start(1, [] { return true; }, [&] { arrived.set_value(); }));
    ASSERT_EQ(arrived.get_future().wait_for(60s), std::future_status::ready);
    // The result arrives from inside the worker, just before it counts as done.
    for (int i = 0; i < 6000 && worker.running(); ++i) std::this_thread::sleep_for(10ms);

    // An hour-long wait with the cursor on the edge: a second request is dropped.
    std::atomic<int> popups{0};
    ASSERT_TRUE(worker.start(60 * 60 * 1000, [] { return true; }, [&] { ++popups; }));
    EXPECT_FALSE(worker.start(0, [] { return true; }, [&] { ++popups; }));
    EXPECT_TRUE(worker.running());

    // Stopping cancels the hour-long wait instead of sitting it out.
    worker.stop();
    EXPECT_FALSE(worker.running());
    EXPECT_EQ(popups.load(), 0);

    // And a new wait can start afterwards.
    std::promise<void> again;
    ASSERT_TRUE(worker.start(0, [] { return true; }, [&] { again.set_value(); }));
    ASSERT_EQ(again.get_future().wait_for(60s), std::future_status::ready);
}

TEST(PopupDelayWorker, DestructionEndsARunningWait) {
    std::atomic<int> popups{0};
    {
        PopupDelayWorker worker;
        ASSERT_TRUE(worker.start(60 * 60 * 1000, [] { return true; }, [&] { ++popups; }));
    }
    EXPECT_EQ(popups.load(), 0);
}

}  // namespace
}  // namespace zelvane
