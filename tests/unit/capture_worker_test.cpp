#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "preview/capture_worker.h"
#include "poll.h"

namespace zelvane {
namespace {

using namespace std::chrono_literals;
using zelvane::testing::pollFor;

// A window whose program can hang: a capture of it blocks until it answers.
class Program {
public:
    void hang() {
        std::lock_guard<std::mutex> guard(lock_);
        hung_ = true;
    }
    void answer() {
        {
            std::lock_guard<std::mutex> guard(lock_);
            hung_ = false;
        }
        changed_.notify_all();
    }
    // The capture: waits while the program hangs; false when the window
    // drew nothing.
    bool capture() {
        std::unique_lock<std::mutex> guard(lock_);
        ++blockedOrDone_;
        changed_.notify_all();
        changed_.wait(guard, [&] { return !hung_; });
        ++captures_;
        changed_.notify_all();
        return draws_;
    }
    void drawNothing(bool nothing) {
        std::lock_guard<std::mutex> guard(lock_);
        draws_ = !nothing;
    }
    bool waitCaptures(int n) {
        std::unique_lock<std::mutex> guard(lock_);
        return changed_.wait_for(guard, 5s, [&] { return captures_ >= n; });
    }
    bool waitCaptureStarted(int n) {
        std::unique_lock<std::mutex> guard(lock_);
        return changed_.wait_for(guard, 5s, [&] { return blockedOrDone_ >= n; });
    }
    int captures() {
        std::lock_guard<std::mutex> guard(lock_);
        return captures_;
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool hung_ = false;
    bool draws_ = true;
    int captures_ = 0;
    int blockedOrDone_ = 0;
};

// One preview's monitor of the window: takes the running worker over, or
// starts a new one (counted).
struct Monitor {
    Monitor(CaptureWorkers& workers, Program& program, std::atomic<int>& started) {
        worker = workers.adopt(1);
        if (worker) {
            worker->request();
            return;
        }
        worker = std::make_shared<CaptureWorker>([] { return true; }, [&program](int) { return program.capture(); }, nullptr);
        workers.add(1, worker);
        ++started;
        std::thread([w = worker] { CaptureWorker::run(w); }).detach();
    }
    ~Monitor() { worker->release(); }
    std::shared_ptr<CaptureWorker> worker;
};

// A program hung in the middle of a capture: the preview opens and closes
// five times, and one worker serves them all; when the program answers, the
// worker catches up with what was asked and ends once no preview wants it.
TEST(CaptureWorkerTest, AHungProgramKeepsOneWorkerAcrossPreviews) {
    CaptureWorkers workers;
    Program program;
    std::atomic<int> started{0};
    program.hang();
    for (int open = 0; open < 5; ++open) {
        Monitor monitor(workers, program, started);
        ASSERT_TRUE(program.waitCaptureStarted(1));
        EXPECT_FALSE(monitor.worker->withPicture([](int) {}));  // nothing to draw yet
    }
    EXPECT_EQ(started.load(), 1);
    EXPECT_EQ(workers.alive(), 1u);
    program.answer();
    ASSERT_TRUE(program.waitCaptures(1));
    // Released by the last preview: it ends, and the next preview starts afresh.
    EXPECT_TRUE(pollFor([&] { return workers.alive() == 0; }));
    {
        Monitor monitor(workers, program, started);
        EXPECT_EQ(started.load(), 2);
        ASSERT_TRUE(program.waitCaptures(2));
        EXPECT_TRUE(pollFor([&] { return monitor.worker->takeFresh(); }));
        EXPECT_TRUE(monitor.worker->withPicture([](int) {}));
    }
    EXPECT_TRUE(pollFor([&] { return workers.alive() == 0; }));
}

// Requests that come in while a capture runs are kept, not lost, and fold
// into one more capture.
TEST(CaptureWorkerTest, RequestsDuringACaptureFoldIntoOneMore) {
    CaptureWorkers workers;
    Program program;
    std::atomic<int> started{0};
    program.hang();
    auto monitor = std::make_unique<Monitor>(workers, program, started);
    ASSERT_TRUE(program.waitCaptureStarted(1));
    monitor->worker->request();
    monitor->worker->request();
    program.answer();
    ASSERT_TRUE(program.waitCaptures(2));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(program.captures(), 2);
    // Let go and asked for again at once: taken over or started anew, never two.
    monitor.reset();
    Monitor next(workers, program, started);
    next.worker->request();
    EXPECT_LE(workers.alive(), 1u);
}

// A capture into which the window drew nothing is no picture: before the
// first real one there is nothing to draw (the preview shows the window's
// pixels from the screen instead), and after one, that one stays.
TEST(CaptureWorkerTest, ACaptureOfNothingIsNoPicture) {
    CaptureWorkers workers;
    Program program;
    std::atomic<int> started{0};
    program.drawNothing(true);
    Monitor monitor(workers, program, started);
    ASSERT_TRUE(program.waitCaptures(1));
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(monitor.worker->takeFresh());
    EXPECT_FALSE(monitor.worker->withPicture([](int) {}));
    program.drawNothing(false);
    monitor.worker->request();
    ASSERT_TRUE(pollFor([&] { return monitor.worker->takeFresh(); }));
    int shown = -1;
    ASSERT_TRUE(monitor.worker->withPicture([&](int buffer) { shown = buffer; }));
    program.drawNothing(true);
    monitor.worker->request();
    ASSERT_TRUE(program.waitCaptures(3));
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(monitor.worker->takeFresh());
    int still = -1;
    monitor.worker->withPicture([&](int buffer) { still = buffer; });
    EXPECT_EQ(still, shown);
}

}  // namespace
}  // namespace zelvane
