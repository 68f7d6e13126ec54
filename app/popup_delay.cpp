#include "app/popup_delay.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace zelvane {

namespace {

// The cursor is checked at least this often while the delay runs.
constexpr std::int32_t kCheckStepMs = 500;

}  // namespace

bool restedOnEdge(std::int32_t delayMs, const std::function<bool(std::int32_t)>& sleep,
                  const std::function<bool()>& onEdge) {
    std::int32_t remaining = delayMs;
    while (remaining > 0) {
        const std::int32_t step = std::min(remaining, kCheckStepMs);
        remaining -= step;
        if (!sleep(step)) return false;
        if (!onEdge()) return false;
    }
    return true;
}

PopupDelayWorker::~PopupDelayWorker() { stop(); }

bool PopupDelayWorker::start(std::int32_t delayMs, std::function<bool()> onEdge, std::function<void()> arrived) {
    std::thread finished;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (running_) return false;
        finished = std::move(thread_);
        cancelled_ = false;
        running_ = true;
    }
    // The previous thread has left its wait already; this only reaps it.
    if (finished.joinable()) finished.join();
    try {
        std::thread worker([this, delayMs, onEdge = std::move(onEdge), arrived = std::move(arrived)] {
            run(delayMs, onEdge, arrived);
        });
        std::lock_guard<std::mutex> guard(lock_);
        thread_ = std::move(worker);
    } catch (const std::system_error&) {
        // No thread to be had: this rest on the edge goes unanswered.
        std::lock_guard<std::mutex> guard(lock_);
        running_ = false;
        return false;
    }
    return true;
}

void PopupDelayWorker::run(std::int32_t delayMs, const std::function<bool()>& onEdge,
                           const std::function<void()>& arrived) {
    const auto sleep = [this](std::int32_t ms) {
        std::unique_lock<std::mutex> guard(lock_);
        return !wake_.wait_for(guard, std::chrono::milliseconds(ms), [this] { return cancelled_; });
    };
    const bool rested = restedOnEdge(delayMs, sleep, onEdge);
    bool cancelled = false;
    {
        std::lock_guard<std::mutex> guard(lock_);
        cancelled = cancelled_;
    }
    if (rested && !cancelled) arrived();
    std::lock_guard<std::mutex> guard(lock_);
    running_ = false;
}

bool PopupDelayWorker::running() const {
    std::lock_guard<std::mutex> guard(lock_);
    return running_;
}

void PopupDelayWorker::stop() {
    std::thread worker;
    {
        std::lock_guard<std::mutex> guard(lock_);
        cancelled_ = true;
        worker = std::move(thread_);
    }
    wake_.notify_all();
    if (worker.joinable()) worker.join();
}

}  // namespace zelvane
