#pragma once
// The control window pops up when the cursor rests on a screen edge: a
// worker thread waits out the delay in steps and gives up as soon as the
// cursor has left the edge.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace zelvane {

// Waits delayMs in steps of at most 500 ms; after each step asks onEdge.
// sleep(ms) returns false when the wait was cancelled. True when the whole
// delay passed with the cursor on an edge at every check (at once for a
// delay of 0 or less).
bool restedOnEdge(std::int32_t delayMs, const std::function<bool(std::int32_t)>& sleep,
                  const std::function<bool()>& onEdge);

// At most one wait at a time. Destruction cancels a running wait and joins
// its thread.
class PopupDelayWorker {
public:
    PopupDelayWorker() = default;
    ~PopupDelayWorker();
    PopupDelayWorker(const PopupDelayWorker&) = delete;
    PopupDelayWorker& operator=(const PopupDelayWorker&) = delete;

    // Starts a wait on a thread of its own; dropped (false) while the previous
    // one still runs. onEdge and arrived run on that thread; arrived is
    // called when the cursor rested on an edge for the whole delay.
    bool start(std::int32_t delayMs, std::function<bool()> onEdge, std::function<void()> arrived);

    bool running() const;

    // Cancels a running wait and joins its thread.
    void stop();

private:
    void run(std::int32_t delayMs, const std::function<bool()>& onEdge, const std::function<void()>& arrived);

    mutable std::mutex lock_;
    std::condition_variable wake_;
    bool cancelled_ = false;
    bool running_ = false;
    std::thread thread_;
};

}  // namespace zelvane
