#include "controller/plane_picture.h"

#include <system_error>
#include <utility>

namespace zelvane {

bool operator==(const PlanePictureKey& a, const PlanePictureKey& b) {
    return a.width == b.width && a.height == b.height && a.rows == b.rows && a.cols == b.cols &&
           a.wallsType == b.wallsType && a.cellFiles == b.cellFiles && a.spreadFile == b.spreadFile;
}

PlanePictureKey planePictureKey(std::int32_t wallsType, std::int32_t rows, std::int32_t cols,
                                std::vector<std::string> cellFiles, std::string spreadFile, std::int32_t width,
                                std::int32_t height) {
    PlanePictureKey key{width, height, rows, cols, wallsType, {}, {}};
    if (wallsType == 1) key.cellFiles = std::move(cellFiles);
    if (wallsType == 2) key.spreadFile = std::move(spreadFile);
    return key;
}

PlanePictureKey planePictureKey(const Settings& s, const std::string& spreadFile, std::int32_t width,
                                std::int32_t height) {
    std::vector<std::string> cells;
    for (std::int32_t row = 0; row < s.wsRowNum; ++row)
        for (std::int32_t col = 0; col < s.wsColNum; ++col) cells.push_back(s.wallpaperOf(row, col));
    return planePictureKey(s.wallsType, s.wsRowNum, s.wsColNum, std::move(cells), spreadFile, width, height);
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

bool PlanePictureCache::keeps(const PlanePictureKey& key) const { return kept_ && *kept_ == key && picture_; }

bool PlanePictureCache::comingFresh(const PlanePictureKey& key) const {
    return making_ && *making_ == key && makingFrom_ == staleness_ && !wanted_;
}

void PlanePictureCache::invalidate() {
    std::lock_guard<std::mutex> guard(lock_);
    ++staleness_;
    kept_.reset();
    picture_.reset();
    ++generation_;
}

bool PlanePictureCache::ask(std::unique_lock<std::mutex>&, const PlanePictureKey& key) {
    if (keeps(key) || (wanted_ && *wanted_ == key)) return true;
    wanted_ = key;
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

void PlanePictureCache::prepare(const PlanePictureKey& key) {
    std::unique_lock<std::mutex> guard(lock_);
    if (stopping_ || comingFresh(key)) return;
    ask(guard, key);
}

std::shared_ptr<PlanePicture> PlanePictureCache::get(const PlanePictureKey& key, std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> guard(lock_);
    if (keeps(key)) return picture_;
    if (stopping_) return nullptr;
    // A picture of this key being made from the current files will do.
    if (!comingFresh(key) && !ask(guard, key)) return nullptr;
    const std::uint64_t asked = staleness_;
    done_.wait_for(guard, wait, [&] {
        return stopping_ || keeps(key) || staleness_ != asked || (!wanted_ && !making_);
    });
    return keeps(key) ? picture_ : nullptr;
}

std::shared_ptr<PlanePicture> PlanePictureCache::latest() const {
    std::lock_guard<std::mutex> guard(lock_);
    return picture_;
}

void PlanePictureCache::put(const PlanePictureKey& key, std::shared_ptr<PlanePicture> picture) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        kept_ = key;
        picture_ = std::move(picture);
        if (wanted_ && *wanted_ == key) wanted_.reset();
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
