#include "controller/plane_picture.h"

#include <system_error>
#include <utility>

namespace zelvane {

bool operator==(const PlanePictureSpec& a, const PlanePictureSpec& b) {
    return a.width == b.width && a.height == b.height && a.rows == b.rows && a.cols == b.cols &&
           a.wallsType == b.wallsType && a.cellFiles == b.cellFiles && a.spreadFile == b.spreadFile;
}

PlanePictureSpec planePictureSpec(std::int32_t wallsType, std::int32_t rows, std::int32_t cols,
                                  std::vector<std::string> cellFiles, std::string spreadFile, std::int32_t width,
                                  std::int32_t height) {
    PlanePictureSpec spec{width, height, rows, cols, wallsType, {}, {}};
    if (wallsType == 1) spec.cellFiles = std::move(cellFiles);
    if (wallsType == 2) spec.spreadFile = std::move(spreadFile);
    return spec;
}

PlanePictureSpec planePictureSpec(const Settings& s, const std::string& spreadFile, std::int32_t width,
                                  std::int32_t height) {
    std::vector<std::string> cells;
    for (std::int32_t row = 0; row < s.wsRowNum; ++row)
        for (std::int32_t col = 0; col < s.wsColNum; ++col) cells.push_back(s.wallpaperOf(row, col));
    return planePictureSpec(s.wallsType, s.wsRowNum, s.wsColNum, std::move(cells), spreadFile, width, height);
}

PlanePictureCache::PlanePictureCache(Builder build) : build_(std::move(build)) {}

PlanePictureCache::~PlanePictureCache() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    done_.notify_all();
    if (worker_.joinable()) worker_.join();
}

bool PlanePictureCache::keeps(const PlanePictureSpec& spec) const { return kept_ && *kept_ == spec && picture_; }

bool PlanePictureCache::comingFresh(const PlanePictureSpec& spec) const {
    return making_ && *making_ == spec && makingFrom_ == staleness_ && !wanted_;
}

void PlanePictureCache::invalidate() {
    std::lock_guard<std::mutex> guard(lock_);
    ++staleness_;
    kept_.reset();
    picture_.reset();
    ++generation_;
}

bool PlanePictureCache::ask(std::unique_lock<std::mutex>&, const PlanePictureSpec& spec) {
    if (keeps(spec) || (wanted_ && *wanted_ == spec)) return true;
    wanted_ = spec;
    if (!worker_.joinable()) {
        try {
            worker_ = std::thread([this] { workerMain(); });
        } catch (const std::system_error&) {
            wanted_.reset();
            return false;
        }
    }
    wake_.notify_all();
    return true;
}

void PlanePictureCache::prepare(const PlanePictureSpec& spec) {
    std::unique_lock<std::mutex> guard(lock_);
    if (stopping_ || comingFresh(spec)) return;
    ask(guard, spec);
}

std::shared_ptr<PlanePicture> PlanePictureCache::get(const PlanePictureSpec& spec, std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> guard(lock_);
    if (keeps(spec)) return picture_;
    if (stopping_) return nullptr;
    // A picture of this spec being made from the current files will do.
    if (!comingFresh(spec) && !ask(guard, spec)) return nullptr;
    const std::uint64_t asked = staleness_;
    done_.wait_for(guard, wait, [&] {
        return stopping_ || keeps(spec) || staleness_ != asked || (!wanted_ && !making_);
    });
    return keeps(spec) ? picture_ : nullptr;
}

std::shared_ptr<PlanePicture> PlanePictureCache::latest() const {
    std::lock_guard<std::mutex> guard(lock_);
    return picture_;
}

void PlanePictureCache::put(const PlanePictureSpec& spec, std::shared_ptr<PlanePicture> picture) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        kept_ = spec;
        picture_ = std::move(picture);
        if (wanted_ && *wanted_ == spec) wanted_.reset();
        ++generation_;
    }
    done_.notify_all();
}

std::uint64_t PlanePictureCache::generation() const {
    std::lock_guard<std::mutex> guard(lock_);
    return generation_;
}

int PlanePictureCache::builds() const {
    std::lock_guard<std::mutex> guard(lock_);
    return builds_;
}

void PlanePictureCache::workerMain() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        wake_.wait(guard, [this] { return stopping_ || wanted_; });
        if (stopping_) break;
        making_ = std::move(wanted_);
        wanted_.reset();
        const std::uint64_t from = makingFrom_ = staleness_;
        guard.unlock();
        std::shared_ptr<PlanePicture> made = build_ ? build_(*making_) : nullptr;
        guard.lock();
        ++builds_;
        // Made from files that changed meanwhile: dropped, and made again
        // when someone asks.
        const bool fresh = from == staleness_;
        if (fresh && made) {
            kept_ = *making_;
            picture_ = std::move(made);
            ++generation_;
        }
        making_.reset();
        done_.notify_all();
        if (fresh && picture_ && notice_) {
            guard.unlock();
            notice_();
            guard.lock();
        }
    }
    making_.reset();
    done_.notify_all();
}

}  // namespace zelvane
