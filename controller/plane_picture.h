#pragma once
// The one picture of the wallpapers of the whole workspace plane, shared by
// the preview's background and the control window. Drawing it reads up to 25
// screen-sized files, so it is drawn on a worker, once, and kept until it
// goes stale (a wallpaper, the grid or the display changes); its users take
// it as it is. What the picture is made of belongs to the window system's
// side (a builder it hands in); here is only when it is made and kept.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "config/settings.h"

namespace zelvane {

// What the picture shows and at which size: equal keys give equal
// pictures, as long as the files stay as they are.
struct PlanePictureKey {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t rows = 1;
    std::int32_t cols = 1;
    std::int32_t wallsType = 0;           // 0: the desktop's own wallpaper in every cell
    std::vector<std::string> cellFiles;  // individual view: each workspace's file, row by row
    std::string spreadFile;              // distant view: the one spread picture
};
bool operator==(const PlanePictureKey& a, const PlanePictureKey& b);
inline bool operator!=(const PlanePictureKey& a, const PlanePictureKey& b) { return !(a == b); }

// The key of the settings' pictures at w x h; only what the mode draws is
// kept, so that a file of another mode changing leaves the picture fresh.
PlanePictureKey planePictureKey(std::int32_t wallsType, std::int32_t rows, std::int32_t cols,
                                std::vector<std::string> cellFiles, std::string spreadFile, std::int32_t width,
                                std::int32_t height);
PlanePictureKey planePictureKey(const Settings& s, const std::string& spreadFile, std::int32_t width,
                                std::int32_t height);

// A picture as the window system's side made it.
class PlanePicture {
public:
    virtual ~PlanePicture() = default;
};

class PlanePictureCache {
public:
    // Makes the picture of a key; runs on the cache's worker. Null when it
    // cannot be made.
    using Builder = std::function<std::shared_ptr<PlanePicture>(const PlanePictureKey&)>;

    explicit PlanePictureCache(Builder build);
    // Waits for a picture being made (its files are read to the end).
    ~PlanePictureCache();
    PlanePictureCache(const PlanePictureCache&) = delete;
    PlanePictureCache& operator=(const PlanePictureCache&) = delete;

    // Called on the worker each time a picture is ready. Set before the first prepare.
    void setReadyNotice(std::function<void()> notice) { notice_ = std::move(notice); }

    // The pictures behind it changed: the kept picture is stale, and one
    // being made from the old files is dropped when done.
    void invalidate();
    // Has the picture of `key` made on the worker unless it is kept or on
    // its way already. Never waits.
    void prepare(const PlanePictureKey& key);
    // The picture of `key`: the kept one, or the one being made, waited for
    // at most `wait` (started here when nobody asked for it yet). Null when
    // none is ready in time or it cannot be made.
    std::shared_ptr<PlanePicture> get(const PlanePictureKey& key, std::chrono::milliseconds wait);
    // The kept picture, whatever its key; null when stale or none. Never waits.
    std::shared_ptr<PlanePicture> latest() const;
    // A picture made elsewhere (the preview's picture of the desktop) is
    // kept as the picture of `key`.
    void put(const PlanePictureKey& key, std::shared_ptr<PlanePicture> picture);
    // Changes whenever latest() changes.
    std::uint64_t generation() const;
    // Pictures the builder made (for the tests).
    int builds() const;

private:
    void workerMain();
    // Under the lock: has the worker make `key` unless it is kept or coming.
    bool ask(std::unique_lock<std::mutex>& guard, const PlanePictureKey& key);
    bool keeps(const PlanePictureKey& key) const;
    // Being made from the files as they are now, and nothing newer asked for.
    bool comingFresh(const PlanePictureKey& key) const;

    Builder build_;
    std::function<void()> notice_;
    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::optional<PlanePictureKey> kept_;
    std::shared_ptr<PlanePicture> picture_;
    std::optional<PlanePictureKey> wanted_;  // for the worker to make
    std::optional<PlanePictureKey> making_;  // what the worker is making
    std::uint64_t makingFrom_ = 0;            // and the invalidations when it started
    std::uint64_t staleness_ = 0;             // invalidations so far
    std::uint64_t generation_ = 0;
    int builds_ = 0;
    bool stopping_ = false;
    std::thread worker_;  // started with the first picture asked for
};

}  // namespace zelvane
