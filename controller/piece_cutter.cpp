#include "controller/piece_cutter.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace zelvane {

PieceCutter::~PieceCutter() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
        calledOff_ = lastJob_;
        waiting_.clear();
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

std::uint64_t PieceCutter::submit(std::shared_ptr<WallpaperSystem> system, std::string source,
                                  std::vector<Piece> pieces) {
    std::unique_lock<std::mutex> guard(lock_);
    if (stopping_) return 0;
    const std::uint64_t number = ++lastJob_;
    calledOff_ = number - 1;  // the job being cut is stale now
    waiting_.clear();
    waiting_.push_back(Job{number, std::move(system), std::move(source), std::move(pieces)});
    if (!worker_.joinable()) {
        try {
            worker_ = std::thread([this] { workerMain(); });
        } catch (const std::system_error&) {
            waiting_.clear();
            return 0;
        }
    }
    guard.unlock();
    wake_.notify_all();
    return number;
}

std::vector<PieceCutter::Result> PieceCutter::take() {
    std::lock_guard<std::mutex> guard(lock_);
    return std::exchange(results_, {});
}

void PieceCutter::cancel() {
    std::unique_lock<std::mutex> guard(lock_);
    calledOff_ = lastJob_;
    waiting_.clear();
    idle_.wait(guard, [this] { return running_ == 0; });
}

bool PieceCutter::busy() const {
    std::lock_guard<std::mutex> guard(lock_);
    return running_ != 0 || !waiting_.empty();
}

bool PieceCutter::waitIdle(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> guard(lock_);
    return idle_.wait_for(guard, limit, [this] { return running_ == 0 && waiting_.empty(); });
}

void PieceCutter::workerMain() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        wake_.wait(guard, [this] { return stopping_ || !waiting_.empty(); });
        if (stopping_) break;
        Job job = std::move(waiting_.front());
        waiting_.clear();
        running_ = job.number;
        for (const Piece& piece : job.pieces) {
            if (job.number <= calledOff_) break;
            guard.unlock();
            bool cut = job.system && job.system->cutCrop(job.source, piece.crop, piece.dest);
            // A piece that could not be made must not leave the picture of
            // another grid under its name.
            if (!cut) {
                std::error_code ec;
                std::filesystem::remove(std::filesystem::u8path(piece.dest), ec);
            }
            guard.lock();
            results_.push_back(Result{job.number, piece.row, piece.col, cut});
            if (notice_) {
                guard.unlock();
                notice_();
                guard.lock();
            }
        }
        running_ = 0;
        idle_.notify_all();
    }
    running_ = 0;
    idle_.notify_all();
}

}  // namespace zelvane
