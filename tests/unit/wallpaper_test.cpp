// The wallpaper bitmaps' layout and geometry, and the controller's
// per-workspace wallpaper over a fake system side.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/load_settings.h"
#include "app/menu_model.h"
#include "config/text_file.h"
#include "controller/bmp_layout.h"
#include "controller/wallpaper_geometry.h"
#include "controller_fixture.h"

namespace zelvane::testing {
namespace {

std::uint32_t read32(const std::array<std::uint8_t, kBmpHeaderSize>& h, std::size_t at) {
    return h[at] | h[at + 1] << 8 | h[at + 2] << 16 | static_cast<std::uint32_t>(h[at + 3]) << 24;
}

TEST(BmpLayout, RowsArePaddedToFourBytesAndTheHeadersDescribeTheFile) {
    EXPECT_EQ(bmpRowBytes(333), 1000u);  // 999 rounded up
    EXPECT_EQ(bmpRowBytes(1), 4u);
    EXPECT_EQ(bmpRowBytes(4), 12u);
    EXPECT_EQ(bmpRowBytes(0), 0u);
    EXPECT_EQ(bmpFileSize(333, 2), 54u + 2000u);
    EXPECT_EQ(bmpFileSize(1280, 800), 54u + 3840u * 800u);
    // Nothing to write, and sizes the 32-bit field cannot hold.
    EXPECT_FALSE(bmpFileSize(0, 10));
    EXPECT_FALSE(bmpFileSize(10, -1));
    EXPECT_FALSE(bmpFileSize(65535, 65535));

    const auto h = bmpHeaders(333, 2);
    EXPECT_EQ(h[0], 'B');
    EXPECT_EQ(h[1], 'M');
    EXPECT_EQ(read32(h, 2), 2054u);
    EXPECT_EQ(read32(h, 6), 0u);  // reserved
    EXPECT_EQ(read32(h, 10), 54u);
    EXPECT_EQ(read32(h, 14), 40u);
    EXPECT_EQ(read32(h, 18), 333u);
    EXPECT_EQ(read32(h, 22), 2u);  // positive: bottom-up rows
    EXPECT_EQ(h[26] | h[27] << 8, 1);
    EXPECT_EQ(h[28] | h[29] << 8, 24);
    for (std::size_t i = 30; i < kBmpHeaderSize; ++i) EXPECT_EQ(h[i], 0) << i;
}

TEST(WallpaperGeometry, SpreadCropsTouchThePicturesEdges) {
    // 2 x 2 on 1000 x 800: 800 x 640 crops, 200 and 160 apart.
    EXPECT_EQ(spreadCrop(1000, 800, 2, 2, 125, 0, 0), (Box{0, 0, 800, 640}));
    EXPECT_EQ(spreadCrop(1000, 800, 2, 2, 125, 1, 0), (Box{0, 160, 800, 640}));
    EXPECT_EQ(spreadCrop(1000, 800, 2, 2, 125, 1, 1), (Box{200, 160, 800, 640}));
    // 5 x 5: the last crop ends within a rounding step of the far edge.
    const Box last = spreadCrop(1280, 800, 5, 5, 125, 4, 4);
    EXPECT_EQ(last.w, 1024);
    EXPECT_LE(last.x + last.w, 1280);
    EXPECT_GE(last.x + last.w, 1280 - 4);
    // One cell wide or high (never divided by zero): the middle.
    EXPECT_EQ(spreadCrop(1000, 800, 1, 1, 125, 0, 0), (Box{100, 80, 800, 640}));
    // A scale under 100 % would crop beyond the picture.
    EXPECT_EQ(spreadCrop(1000, 800, 2, 2, 50, 1, 1), (Box{0, 0, 1000, 800}));
}

TEST(WallpaperGeometry, OldAndNewTiling) {
    EXPECT_FALSE(isNewTiling(6, 1));  // Windows 7
    EXPECT_TRUE(isNewTiling(6, 2));
    EXPECT_TRUE(isNewTiling(10, 0));
    EXPECT_FALSE(isNewTiling(5, 9));

    const Box dest{10, 20, 400, 300};
    const std::vector<Blit> whole{Blit{dest, Box{0, 0, 1000, 800}}};
    EXPECT_EQ(wallpaperDrawBlits(Tiling{true, -500, -200, 2000, 1000}, dest, 1000, 800), whole);
    // The primary monitor at the virtual screen's corner: one unshifted copy.
    EXPECT_EQ(wallpaperDrawBlits(Tiling{false, 0, 0, 2000, 1000}, dest, 1000, 800), whole);

    // A monitor left of and above the primary one: the picture is cut at the
    // primary monitor's origin and its four parts change places.
    const Tiling old{false, -500, -200, 2000, 1000};
    const std::vector<Blit> four = wallpaperDrawBlits(old, Box{0, 0, 400, 200}, 1000, 800);
    ASSERT_EQ(four.size(), 4u);
    EXPECT_EQ(four[0], (Blit{Box{100, 40, 300, 160}, Box{0, 0, 750, 640}}));
    EXPECT_EQ(four[1], (Blit{Box{0, 40, 100, 160}, Box{750, 0, 250, 640}}));
    EXPECT_EQ(four[2], (Blit{Box{100, 0, 300, 40}, Box{0, 640, 750, 160}}));
    EXPECT_EQ(four[3], (Blit{Box{0, 0, 100, 40}, Box{750, 640, 250, 160}}));

    // Saving undoes the shift: every pixel of the picture lands once in the
    // file, and each copy keeps its size.
    const std::vector<Blit> save = snapshotSaveBlits(old, 2000, 1000);
    ASSERT_EQ(save.size(), 4u);
    long long area = 0;
    for (const Blit& b : save) {
        EXPECT_EQ(b.dst.w, b.src.w);
        EXPECT_EQ(b.dst.h, b.src.h);
        area += static_cast<long long>(b.dst.w) * b.dst.h;
    }
    EXPECT_EQ(area, 2000LL * 1000);
    EXPECT_EQ(save[0], (Blit{Box{0, 0, 1500, 800}, Box{500, 200, 1500, 800}}));
    EXPECT_EQ(snapshotSaveBlits(Tiling{false, 0, 0, 2000, 1000}, 2000, 1000).size(), 1u);
}

// The system side: files named like the real ones, with text saying what they hold.
class FakeWallpaperSystem : public WallpaperSystem {
public:
    DesktopWallpaper current() const override { return shown; }
    bool put(const DesktopWallpaper& w) override {
        puts.push_back(w);
        if (!w.path.empty() && !readTextFile(w.path)) return false;  // refused: no such picture
        shown = w;
        return true;
    }
    bool snapshotDesktop(const std::string& path) override {
        ++snapshots;
        return replaceFileContents(path, "snapshot of " + shown.path);
    }
    bool cutCrop(const std::string& source, Box crop, const std::string& dest) override {
        const auto from = readTextFile(source);
        if (!from) return false;
        crops.push_back(crop);
        return replaceFileContents(dest, "crop of " + *from);
    }

    DesktopWallpaper shown{"C:\\mine.bmp", "0", "2", "", ""};
    std::vector<DesktopWallpaper> puts;
    std::vector<Box> crops;
    int snapshots = 0;
};

class WallpaperTest : public ControllerTest {
protected:
    void SetUp() override {
        ControllerTest::SetUp();
        ctrl->setWallpaperSystem(system);
    }
    std::string file(const std::string& name, const std::string& text) {
        const std::string path = (dir / name).u8string();
        EXPECT_TRUE(replaceFileContents(path, text));
        return path;
    }
    std::string contents(const std::string& path) { return readTextFile(path).value_or("(missing)"); }
    MenuFollowUp run(std::uintptr_t id) { return applyMenuCommand(*ctrl, settings, id); }

    std::shared_ptr<FakeWallpaperSystem> system = std::make_shared<FakeWallpaperSystem>();
};

TEST_F(WallpaperTest, EachWorkspaceShowsItsOwnPictureTiledFromTheOrigin) {
    EXPECT_FALSE(ctrl->applyWallpaper(0, 0));  // "default": left alone
    EXPECT_TRUE(system->puts.empty());

    settings.setWallsType(1);
    const std::string a = file("a.bmp", "A");
    settings.setWallpaper(0, 1, a);
    EXPECT_TRUE(ctrl->applyWallpaper(0, 1));
    EXPECT_EQ(system->shown, (DesktopWallpaper{a, "1", "0", "0", "0"}));

    // A missing picture leaves the desktop without one.
    settings.setWallpaper(1, 1, (dir / "gone.bmp").u8string());
    EXPECT_FALSE(ctrl->applyWallpaper(1, 1));
    EXPECT_EQ(system->shown.path, "");
    // Past the 5 x 5 table: refused, nothing touched, no picture.
    const std::size_t before = system->puts.size();
    EXPECT_FALSE(ctrl->applyWallpaper(5, 0));
    EXPECT_EQ(system->puts.size(), before);
    EXPECT_EQ(settings.values().wallpaperOf(5, 0), "");
    EXPECT_EQ(settings.values().wallpaperOf(0, -1), "");
}

TEST_F(WallpaperTest, TheUsersOwnWallpaperIsRecordedOnceAndPutBackOnDefault) {
    settings.setWallsType(1);
    settings.setWallpaper(0, 0, file("a.bmp", "A"));
    ctrl->applyWallpaper(0, 0);
    ctrl->applyWallpaper(0, 0);
    // Recorded before the first change, in the data folder.
    EXPECT_EQ(contents(ctrl->userWallpaperRecordPath()), "C:\\mine.bmp\n0\n2\n\n\n");

    // A crash: the next run finds the record and keeps it, although the
    // desktop shows our picture now.
    SettingsFile nextSettings(systemClassList());
    auto next = makeController(nextSettings);
    next->setWallpaperSystem(system);
    nextSettings.setWallsType(1);
    nextSettings.setWallpaper(0, 0, file("b.bmp", "B"));
    next->applyWallpaper(0, 0);
    EXPECT_EQ(contents(next->userWallpaperRecordPath()), "C:\\mine.bmp\n0\n2\n\n\n");

    EXPECT_EQ(applyMenuCommand(*next, nextSettings, kCmdWallsDefault), MenuFollowUp::WallpaperChanged);
    EXPECT_EQ(system->puts.back(), (DesktopWallpaper{"C:\\mine.bmp", "0", "2", "", ""}));
    EXPECT_FALSE(std::filesystem::exists(next->userWallpaperRecordPath()));
    // Nothing recorded any more: a second restore changes nothing.
    const std::size_t before = system->puts.size();
    next->restoreUserWallpaper();
    EXPECT_EQ(system->puts.size(), before);
}

TEST_F(WallpaperTest, CaptureSavesTheCurrentWorkspacesSnapshotUnlessItShowsItAlready) {
    switchTo(1, 0);
    EXPECT_EQ(run(kCmdSaveWallpaper), MenuFollowUp::WallpaperChanged);
    EXPECT_EQ(settings.values().wallsType, 1);  // switched to per-workspace wallpapers first
    const std::string path = ctrl->workspaceBitmapPath(1, 0);
    EXPECT_EQ(path, (dir / "2_1.bmp").u8string());
    EXPECT_EQ(settings.values().wallpaperOf(1, 0), path);
    EXPECT_EQ(contents(path), "snapshot of C:\\mine.bmp");

    // Once the desktop shows that very file, a snapshot would copy it onto itself.
    ctrl->applyWallpaper(-1, -1);
    EXPECT_TRUE(ctrl->captureWallpaper());
    EXPECT_EQ(system->snapshots, 1);
}

TEST_F(WallpaperTest, DistantViewSpreadsOnePictureAndNeverSnapshotsItsOwnCrops) {
    settings.setWsRowNum(1);
    settings.setWsColNum(1);
    EXPECT_EQ(run(kCmdWallsDistant), MenuFollowUp::WallpaperChanged);
    EXPECT_EQ(ctrl->wsRowNum(), 2);  // a spread needs two cells each way
    EXPECT_EQ(ctrl->wsColNum(), 2);
    EXPECT_EQ(contents(ctrl->previewBgPath()), "snapshot of C:\\mine.bmp");
    ASSERT_EQ(system->crops.size(), 4u);
    EXPECT_EQ(system->crops[1], spreadCrop(1280, 800, 2, 2, 125, 1, 0));  // columns outer, rows inner
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(settings.values().wallpaperOf(r, c), ctrl->workspaceBitmapPath(r, c));
            EXPECT_EQ(contents(ctrl->workspaceBitmapPath(r, c)), "crop of snapshot of C:\\mine.bmp");
        }
    EXPECT_EQ(system->shown.path, ctrl->workspaceBitmapPath(0, 0));
    EXPECT_EQ(run(kCmdWallsDistant), MenuFollowUp::None);

    // A bigger grid: the crops are cut again from the same spread picture.
    settings.setWsRowNum(3);
    EXPECT_TRUE(ctrl->respreadWallpaper());
    EXPECT_EQ(system->snapshots, 1);
    EXPECT_EQ(system->crops.size(), 4u + 9u);
    EXPECT_EQ(contents(ctrl->workspaceBitmapPath(2, 2)), "crop of snapshot of C:\\mine.bmp");
    // "Save the current wallpaper" while the desktop shows a crop: no snapshot
    // of the crop over the spread picture.
    run(kCmdSaveWallpaper);
    EXPECT_EQ(system->snapshots, 1);
    EXPECT_EQ(contents(ctrl->previewBgPath()), "snapshot of C:\\mine.bmp");
    // A picture the user put up meanwhile is taken as the new spread picture.
    system->shown.path = file("new.bmp", "N");
    run(kCmdSaveWallpaper);
    EXPECT_EQ(contents(ctrl->previewBgPath()), "snapshot of " + (dir / "new.bmp").u8string());

    // Back to individual pictures: every workspace shows the whole spread picture.
    EXPECT_EQ(run(kCmdWallsIndividual), MenuFollowUp::WallpaperChanged);
    EXPECT_EQ(settings.values().wallpaperOf(2, 2), ctrl->previewBgPath());
    EXPECT_EQ(system->shown.path, ctrl->previewBgPath());
}

TEST_F(WallpaperTest, TheSettingsFilePutsTheCurrentWorkspacesWallpaperUp) {
    const std::string a = file("a.bmp", "A");
    const std::string rc = file("zlvrc", "wallsType = 1\nwallpaper = 1-1|" + a + "\n");
    EXPECT_TRUE(loadSettings(settings, *ctrl, rc));
    EXPECT_EQ(system->shown.path, a);
    // A load that stops early puts nothing up.
    system->puts.clear();
    EXPECT_FALSE(loadSettings(settings, *ctrl, file("bad", "wallsType = 1\nwsRowNum = x\n")));
    EXPECT_TRUE(system->puts.empty());
}

}  // namespace
}  // namespace zelvane::testing
