// The shared picture of the plane's wallpapers: made once on a worker, kept
// until it goes stale, never made twice for one key, and what it is made of.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "controller/plane_picture.h"

namespace zelvane::testing {
namespace {

using namespace std::chrono_literals;

struct Picture : PlanePicture {
    explicit Picture(PlanePictureKey s) : key(std::move(s)) {}
    PlanePictureKey key;
};

// A builder that counts, and can be held until released.
class Builder {
public:
    std::shared_ptr<PlanePicture> operator()(const PlanePictureKey& key) {
        std::unique_lock<std::mutex> g(m);
        ++started;
        changed.notify_all();
        changed.wait(g, [&] { return !held; });
        return std::make_shared<Picture>(key);
    }
    void hold(bool on) {
        std::lock_guard<std::mutex> g(m);
        held = on;
        changed.notify_all();
    }
    void waitStarted(int n) {
        std::unique_lock<std::mutex> g(m);
        changed.wait(g, [&] { return started >= n; });
    }
    std::mutex m;
    std::condition_variable changed;
    bool held = false;
    int started = 0;
};

const Picture* keyOf(const std::shared_ptr<PlanePicture>& p) { return static_cast<const Picture*>(p.get()); }

class PlanePictureTest : public ::testing::Test {
protected:
    Builder builder;
    PlanePictureCache cache{[this](const PlanePictureKey& s) { return builder(s); }};
    const PlanePictureKey twoByTwo = planePictureKey(1, 2, 2, {"a", "b", "c", "d"}, "spread", 1152, 720);
};

TEST_F(PlanePictureTest, MadeOnceAndKeptUntilItGoesStale) {
    std::atomic<int> notices{0};
    cache.setReadyNotice([&] { ++notices; });
    EXPECT_EQ(cache.latest(), nullptr);
    cache.prepare(twoByTwo);
    const auto first = cache.get(twoByTwo, 5s);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(keyOf(first)->key, twoByTwo);
    // The preview opens, the control window pops up, again and again: no new picture.
    const std::uint64_t generation = cache.generation();
    for (int i = 0; i < 3; ++i) {
        cache.prepare(twoByTwo);
        EXPECT_EQ(cache.get(twoByTwo, 0ms), first);
        EXPECT_EQ(cache.latest(), first);
    }
    EXPECT_EQ(cache.builds(), 1);
    EXPECT_EQ(cache.generation(), generation);
    for (int i = 0; i < 100 && notices.load() == 0; ++i) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(notices.load(), 1);  // told once the picture was ready, on the worker

    // A wallpaper changed: stale until made again.
    cache.invalidate();
    EXPECT_EQ(cache.latest(), nullptr);
    EXPECT_NE(cache.generation(), generation);
    EXPECT_NE(cache.get(twoByTwo, 5s), nullptr);
    EXPECT_EQ(cache.builds(), 2);
    // Another grid is another picture.
    auto threeByThree = twoByTwo;
    threeByThree.rows = threeByThree.cols = 3;
    EXPECT_EQ(keyOf(cache.get(threeByThree, 5s))->key, threeByThree);
    EXPECT_EQ(cache.builds(), 3);
}

TEST_F(PlanePictureTest, AUserWaitsForThePictureOnItsWayInsteadOfMakingAnother) {
    builder.hold(true);
    cache.prepare(twoByTwo);
    builder.waitStarted(1);
    std::thread release([&] {
        std::this_thread::sleep_for(50ms);
        builder.hold(false);
    });
    const auto got = cache.get(twoByTwo, 5s);
    release.join();
    EXPECT_NE(got, nullptr);
    EXPECT_EQ(cache.builds(), 1);
    // Nobody waits longer than asked.
    builder.hold(true);
    cache.invalidate();
    EXPECT_EQ(cache.get(twoByTwo, 20ms), nullptr);
    builder.hold(false);
}

TEST_F(PlanePictureTest, APictureMadeFromFilesThatChangedMeanwhileIsDropped) {
    builder.hold(true);
    cache.prepare(twoByTwo);
    builder.waitStarted(1);
    cache.invalidate();  // the files change while the old ones are read
    builder.hold(false);
    const auto fresh = cache.get(twoByTwo, 5s);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(cache.builds(), 2);
}

TEST_F(PlanePictureTest, APictureMadeElsewhereIsKeptForItsKey) {
    const auto desktop = std::make_shared<Picture>(twoByTwo);
    cache.put(twoByTwo, desktop);
    EXPECT_EQ(cache.get(twoByTwo, 0ms), desktop);
    EXPECT_EQ(cache.latest(), desktop);
    EXPECT_EQ(cache.builds(), 0);
}

TEST(PlanePictureKey, OnlyWhatTheModeDrawsCounts) {
    Settings s;
    s.wallpaper[0][1] = "b.bmp";
    s.wallsType = 1;
    const auto individual = planePictureKey(s, "spread.bmp", 100, 60);
    EXPECT_EQ(individual.cellFiles, (std::vector<std::string>{"", "b.bmp", "", ""}));
    EXPECT_EQ(individual.spreadFile, "");
    s.wallsType = 2;
    EXPECT_EQ(planePictureKey(s, "spread.bmp", 100, 60).cellFiles, std::vector<std::string>{});
    EXPECT_EQ(planePictureKey(s, "spread.bmp", 100, 60).spreadFile, "spread.bmp");
    s.wallsType = 0;
    auto other = s;
    other.wallpaper[0][0] = "x.bmp";
    EXPECT_EQ(planePictureKey(s, "spread.bmp", 100, 60), planePictureKey(other, "other.bmp", 100, 60));
    EXPECT_NE(planePictureKey(s, "spread.bmp", 100, 60), planePictureKey(s, "spread.bmp", 101, 60));
}

}  // namespace
}  // namespace zelvane::testing
