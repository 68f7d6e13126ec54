#pragma once
// Keeps each workspace's taskbar button order: reads it when a workspace is
// left and puts it back, on a worker of its own, after the workspace has been
// entered again. The worker gets a copy of the order it is to restore and
// never reads the controller; a newer request, a save or the keeper's end
// stops it before its next call to the shell, and every call it makes is
// bounded, so it ends in bounded time.
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "controller/plane.h"
#include "controller/taskbar.h"

namespace zelvane {

class TrayOrderKeeper {
public:
    struct Options {
        // Time the shell gets to take in the windows just shown and hidden.
        std::chrono::milliseconds settle{2000};
        // Pause between two tries while the shell does not answer or has not
        // caught up yet, and the end of all tries, counted from the request.
        std::chrono::milliseconds retryEvery{500};
        std::chrono::milliseconds giveUpAfter{15000};
        // The read on the UI thread: a shell that stops answering costs a
        // switch one 100 ms wait (nothing once Windows counts it as hung);
        // a slow one at most the whole budget. A healthy shell needs a few
        // milliseconds, a busy Wine machine up to about 70 ms per button.
        TaskbarLimits saveLimits{std::chrono::milliseconds(100), std::chrono::milliseconds(1000)};
        TaskbarLimits restoreLimits{std::chrono::milliseconds(250), std::chrono::milliseconds(3000)};
        std::chrono::milliseconds moveTimeout{250};
    };

    TrayOrderKeeper() : TrayOrderKeeper(Options{}) {}
    explicit TrayOrderKeeper(Options options);
    // Stops the worker and waits for it: at most one call to the shell.
    ~TrayOrderKeeper();
    TrayOrderKeeper(const TrayOrderKeeper&) = delete;
    TrayOrderKeeper& operator=(const TrayOrderKeeper&) = delete;

    // UI thread; blocks for at most about saveLimits.total. Records the
    // taskbar's order for (row, col) and returns it. While a restore is
    // pending the order is not read (a half-restored taskbar is not worth
    // keeping) and the restore is called off; a read that does not finish
    // keeps the order recorded before.
    const std::vector<WindowId>& save(Taskbar* taskbar, int row, int col);
    // UI thread; never blocks. Hands the worker a copy of (row, col)'s order.
    // False when no worker could be started (nothing stays pending then).
    bool restore(std::shared_ptr<Taskbar> taskbar, int row, int col);
    // Calls off any pending restore (a preview opens, the program ends).
    void cancel();

    // Empty for a workspace outside the 5 x 5 table.
    const std::vector<WindowId>& orderOf(int row, int col) const;
    // Restores requested and not yet finished.
    int pending() const { return pending_.load(); }
    // Waits until no restore is pending; false when `limit` passed first.
    bool waitIdle(std::chrono::milliseconds limit);

private:
    struct Request {
        std::shared_ptr<Taskbar> taskbar;
        std::vector<WindowId> saved;
        std::chrono::steady_clock::time_point requested;
    };

    void workerMain();
    void run(const Request& request);
    // Sleeps `d`; false when called off meanwhile.
    bool pause(std::chrono::milliseconds d);
    bool calledOff() const { return cancel_.load(); }

    Options options_;
    std::array<std::array<std::vector<WindowId>, kMaxGrid>, kMaxGrid> order_{};  // UI thread only
    std::atomic<int> pending_{0};
    std::atomic<bool> cancel_{false};  // calls off the request being run
    std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::optional<Request> next_;
    bool stopping_ = false;
    std::thread worker_;  // started with the first request
};

}  // namespace zelvane
