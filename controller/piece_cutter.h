#pragma once
// Cuts the pieces of the spread picture of "distant view" on a worker of its
// own: up to 25 screen-sized bitmaps take seconds, and a grid change must not
// hold up the UI thread or the switches that follow it. A job carries all it
// needs and the worker reads nothing of the controller. A newer job replaces
// one still waiting and stops the one being cut before its next piece.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "controller/wallpaper_system.h"

namespace zelvane {

class PieceCutter {
public:
    struct Piece {
        std::int32_t row = 0;
        std::int32_t col = 0;
        Box crop;
        std::string dest;
    };
    struct Result {
        std::uint64_t job = 0;
        std::int32_t row = 0;
        std::int32_t col = 0;
        bool cut = false;  // false: the file is not there (no old picture stays under its name)
    };

    PieceCutter() = default;
    // Calls the job being cut off and waits for its piece in hand.
    ~PieceCutter();
    PieceCutter(const PieceCutter&) = delete;
    PieceCutter& operator=(const PieceCutter&) = delete;

    // Called on the worker after each piece; the UI thread then takes the
    // results. Set before the first job.
    void setNotice(std::function<void()> notice) { notice_ = std::move(notice); }

    // UI thread. Cuts the pieces, in the order given, from `source` with
    // `system`; returns the job's number. False-y (0) when no worker could
    // be started: then nothing was cut and nothing is pending.
    std::uint64_t submit(std::shared_ptr<WallpaperSystem> system, std::string source, std::vector<Piece> pieces);
    // UI thread: the pieces finished since the last call, in order.
    std::vector<Result> take();
    // UI thread: the job waiting or being cut is called off; returns once
    // the worker holds no piece (it writes no file after this).
    void cancel();
    // Whether a job is waiting or being cut.
    bool busy() const;
    // Waits until no job is waiting or being cut; false when `limit` passed first.
    bool waitIdle(std::chrono::milliseconds limit);

private:
    struct Job {
        std::uint64_t number = 0;
        std::shared_ptr<WallpaperSystem> system;
        std::string source;
        std::vector<Piece> pieces;
    };
    void workerMain();

    std::function<void()> notice_;
    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::vector<Job> waiting_;  // at most one
    std::uint64_t running_ = 0;  // the job being cut, 0 for none
    std::uint64_t lastJob_ = 0;
    std::uint64_t calledOff_ = 0;  // jobs up to this number stop before their next piece
    std::vector<Result> results_;
    bool stopping_ = false;
    std::thread worker_;  // started with the first job
};

}  // namespace zelvane
