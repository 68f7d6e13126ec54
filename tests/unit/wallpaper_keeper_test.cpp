// Each workspace's wallpaper over a fake system side: which picture is put
// up and when it is not, the snapshots and the pieces of "distant view"
// (cut on the keeper's worker), and the user's own wallpaper, recorded and
// put back.
#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "app/load_settings.h"
#include "app/menu_model.h"
#include "config/text_file.h"
#include "controller/wallpaper_geometry.h"
#include "controller_fixture.h"
#include "fake_memories.h"

namespace zelvane::testing {
namespace {

using namespace std::chrono_literals;

class WallpaperKeeperTest : public ControllerTest {
protected:
    void SetUp() override {
        ControllerTest::SetUp();
        mine = file("mine.bmp", "M");
        system->shown = DesktopWallpaper{mine, "0", "2", "", ""};
        ctrl->wallpaper().setSystem(system);
    }
    std::string file(const std::string& name, const std::string& text) {
        const std::string path = (dir / name).u8string();
        EXPECT_TRUE(replaceFileContents(path, text));
        return path;
    }
    std::string contents(const std::string& path) { return readTextFile(path).value_or("(missing)"); }
    MenuFollowUp run(std::uintptr_t id) { return applyMenuCommand(*ctrl, settings, id); }
    WallpaperKeeper& walls() { return ctrl->wallpaper(); }
    std::string piece(int row, int col) { return walls().workspaceBitmapPath(row, col); }
    // Waits for the worker and takes in what it cut, as the main window does on the notice.
    void cutsDone() {
        ASSERT_TRUE(walls().waitForCuts(5s));
        walls().takeCutPieces();
    }
    std::size_t putCount() { return system->putsSoFar().size(); }
    bool recorded() { return std::filesystem::exists(walls().recordPath()); }

    std::shared_ptr<FakeWallpaperSystem> system = std::make_shared<FakeWallpaperSystem>();
    std::string mine;
};

TEST_F(WallpaperKeeperTest, EachWorkspaceShowsItsOwnPictureTiledFromTheOrigin) {
    EXPECT_FALSE(walls().apply(0, 0));  // "default": left alone
    EXPECT_TRUE(system->puts.empty());

    settings.setWallsType(1);
    const std::string a = file("a.bmp", "A");
    settings.setWallpaper(0, 1, a);
    EXPECT_TRUE(walls().apply(0, 1));
    EXPECT_EQ(system->shown, (DesktopWallpaper{a, "1", "0", "0", "0"}));

    // A missing picture leaves the desktop without one.
    settings.setWallpaper(1, 1, (dir / "gone.bmp").u8string());
    EXPECT_FALSE(walls().apply(1, 1));
    EXPECT_EQ(system->shown.path, "");
    // Past the 5 x 5 table: refused, nothing touched.
    const std::size_t before = putCount();
    EXPECT_FALSE(walls().apply(5, 0));
    EXPECT_EQ(putCount(), before);
}

TEST_F(WallpaperKeeperTest, ASwitchPutsAPictureUpOnlyWhenTheDesktopShowsAnother) {
    settings.setWallsType(1);
    const std::string a = file("a.bmp", "A"), b = file("b.bmp", "B");
    settings.setWallpaper(0, 0, a);
    settings.setWallpaper(0, 1, a);
    settings.setWallpaper(1, 0, b);
    walls().apply(-1, -1);
    ASSERT_EQ(putCount(), 1u);
    // The same file: the system is not asked to decode it again.
    switchTo(0, 1);
    EXPECT_EQ(putCount(), 1u);
    switchTo(1, 0);
    EXPECT_EQ(system->shown.path, b);
    EXPECT_EQ(putCount(), 2u);
    // A wallpaper chosen elsewhere meanwhile: ours goes up again.
    system->shown.path = mine;
    switchTo(1, 0);
    EXPECT_EQ(system->shown.path, b);
    EXPECT_EQ(putCount(), 3u);
}

TEST_F(WallpaperKeeperTest, TheUsersOwnWallpaperIsRecordedOnceAndPutBackOnlyOnceItWorked) {
    settings.setWallsType(1);
    settings.setWallpaper(0, 0, file("a.bmp", "A"));
    settings.setWallpaper(0, 1, file("b.bmp", "B"));
    walls().apply(0, 0);
    walls().apply(0, 1);
    // Recorded before the first change, in the data folder, with what the system showed.
    EXPECT_EQ(contents(walls().recordPath()), mine + "\n0\n2\n\n\n" + mine + "\n0\n2\n\n\n");

    // The user's picture lies on a drive that is gone: the put-back fails
    // and the record stays for the next try.
    std::filesystem::rename(mine, mine + ".away");
    EXPECT_EQ(run(kCmdWallsDefault), MenuFollowUp::WallpaperChanged);
    EXPECT_EQ(system->puts.back().path, mine);
    EXPECT_TRUE(recorded());
    // Back again: the next run still knows what the user had, although the
    // desktop shows our picture.
    std::filesystem::rename(mine + ".away", mine);
    SettingsFile nextSettings(systemClassList());
    auto next = makeController(nextSettings);
    next->wallpaper().setSystem(system);
    nextSettings.setWallsType(1);
    nextSettings.setWallpaper(0, 0, file("c.bmp", "C"));
    nextSettings.setWallpaper(0, 1, (dir / "b.bmp").u8string());
    next->wallpaper().apply(0, 0);
    EXPECT_EQ(applyMenuCommand(*next, nextSettings, kCmdWallsDefault), MenuFollowUp::WallpaperChanged);
    EXPECT_EQ(system->shown, (DesktopWallpaper{mine, "0", "2", "", ""}));
    EXPECT_FALSE(recorded());
    // Nothing recorded any more: a second restore changes nothing.
    const std::size_t before = putCount();
    next->wallpaper().restoreUser();
    EXPECT_EQ(putCount(), before);
}

// The picture the desktop shows at the first change is also the one the
// user named for the first workspace: it is still theirs, and comes back.
TEST_F(WallpaperKeeperTest, AWorkspacesPictureShownBeforeTheFirstChangeIsRecordedAsTheUsers) {
    settings.setWallsType(1);
    settings.setWallpaper(0, 0, mine);
    settings.setWallpaper(0, 1, file("b.bmp", "B"));
    walls().apply(0, 1);
    EXPECT_TRUE(recorded());
    EXPECT_EQ(run(kCmdWallsDefault), MenuFollowUp::WallpaperChanged);
    EXPECT_EQ(system->shown.path, mine);
}

// A record left (or not) by a run that ended without putting it back, what
// the desktop shows when the next run starts and what the user chooses while
// it runs, and what comes back at the end.
TEST_F(WallpaperKeeperTest, ARecordGivesWayToAWallpaperTheUserChoseSince) {
    const std::string newer = file("newer.bmp", "N");
    const struct {
        const char* what;
        bool recordLeft;
        std::string shownAtStart, chosenMeanwhile, back;
    } cases[] = {
        {"our picture, left by a crash", true, piece(0, 1), "", mine},
        {"no picture (ours was refused)", true, "", "", mine},
        {"still the user's picture", true, mine, "", mine},
        {"a picture the user chose since", true, newer, "", newer},
        {"a picture the user chose while we ran", false, mine, newer, newer},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.recordLeft) {
            ASSERT_TRUE(replaceFileContents(walls().recordPath(), mine + "\n0\n2\n\n\n" + mine + "\n0\n2\n\n\n"));
        }
        system->shown = DesktopWallpaper{c.shownAtStart, "1", "0", "0", "0"};
        SettingsFile s(systemClassList());
        auto later = makeController(s);
        later->wallpaper().setSystem(system);
        s.setWallsType(1);
        s.setWallpaper(0, 0, file("a.bmp", "A"));
        later->wallpaper().apply(0, 0);
        if (!c.chosenMeanwhile.empty()) system->shown = DesktopWallpaper{c.chosenMeanwhile, "0", "2", "", ""};
        later->wallpaper().restoreUser();  // "default", or the end of the run
        EXPECT_EQ(system->shown.path, c.back);
        EXPECT_FALSE(recorded());
    }
}

// From Windows 7 on the system may report its own copy of the wallpaper,
// which our changes overwrite; here its source is not known.
TEST_F(WallpaperKeeperTest, TheSystemsTranscodedCopyIsKeptAsTheUsersPictureAndOursIsRecognisedByWhatTheSystemReports) {
    std::filesystem::create_directories(dir / "Themes");
    system->reportAs = file("Themes/TranscodedWallpaper", "M");
    settings.setWallsType(1);
    settings.setWallpaper(0, 0, file("a.bmp", "A"));
    walls().apply(0, 0);
    EXPECT_EQ(contents(system->reportAs), "A");
    const std::string copy = (dir / "_userWallpaper").u8string();
    EXPECT_EQ(contents(copy), "M");
    EXPECT_EQ(contents(walls().recordPath()).substr(0, copy.size() + 1), copy + "\n");

    // Distant view, then "Save the current wallpaper" while a piece shows:
    // the report (the transcoded copy again) is what it was after our put,
    // so the piece is not snapshotted over the spread picture.
    EXPECT_EQ(run(kCmdWallsDistant), MenuFollowUp::WallpaperChanged);
    cutsDone();
    EXPECT_EQ(system->snapshots, 1);
    run(kCmdSaveWallpaper);
    cutsDone();
    EXPECT_EQ(system->snapshots, 1);

    run(kCmdWallsDefault);
    EXPECT_EQ(system->shown.path, copy);
    EXPECT_EQ(contents(system->reportAs), "M");
}

TEST_F(WallpaperKeeperTest, CaptureSavesTheCurrentWorkspacesSnapshotUnlessItShowsItAlready) {
    switchTo(1, 0);
    EXPECT_EQ(run(kCmdSaveWallpaper), MenuFollowUp::WallpaperChanged);
    EXPECT_EQ(settings.values().wallsType, 1);  // switched to per-workspace wallpapers first
    const std::string path = piece(1, 0);
    EXPECT_EQ(path, (dir / "2_1.bmp").u8string());
    EXPECT_EQ(settings.values().wallpaperOf(1, 0), path);
    EXPECT_EQ(contents(path), "snapshot of " + mine);

    // Once the desktop shows that very file, a snapshot would copy it onto itself.
    walls().apply(-1, -1);
    EXPECT_TRUE(walls().capture());
    EXPECT_EQ(system->snapshots, 1);
}

TEST_F(WallpaperKeeperTest, DistantViewSpreadsOnePictureAndNeverSnapshotsItsOwnPieces) {
    settings.setWsRowNum(1);
    settings.setWsColNum(1);
    EXPECT_EQ(run(kCmdWallsDistant), MenuFollowUp::WallpaperChanged);
    EXPECT_EQ(ctrl->wsRowNum(), 2);  // a spread needs two cells each way
    EXPECT_EQ(ctrl->wsColNum(), 2);
    cutsDone();
    EXPECT_EQ(contents(walls().previewBgPath()), "snapshot of " + mine);
    ASSERT_EQ(system->crops.size(), 4u);
    EXPECT_EQ(system->crops[0], spreadCrop(1280, 800, 2, 2, 125, 0, 0));  // the current workspace's first
    EXPECT_EQ(system->crops[2], spreadCrop(1280, 800, 2, 2, 125, 0, 1));  // then columns outer, rows inner
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(settings.values().wallpaperOf(r, c), piece(r, c));
            EXPECT_EQ(contents(piece(r, c)), "crop of snapshot of " + mine);
        }
    EXPECT_EQ(system->shown.path, piece(0, 0));
    EXPECT_EQ(run(kCmdWallsDistant), MenuFollowUp::None);

    // A bigger grid: the pieces are cut again from the same spread picture.
    settings.setWsRowNum(3);
    EXPECT_TRUE(walls().respread());
    cutsDone();
    EXPECT_EQ(system->snapshots, 1);
    EXPECT_EQ(system->crops.size(), 4u + 9u);
    EXPECT_EQ(contents(piece(2, 2)), "crop of snapshot of " + mine);
    // "Save the current wallpaper" while the desktop shows a piece: no
    // snapshot of the piece over the spread picture.
    run(kCmdSaveWallpaper);
    cutsDone();
    EXPECT_EQ(system->snapshots, 1);
    EXPECT_EQ(contents(walls().previewBgPath()), "snapshot of " + mine);
    // A picture the user put up meanwhile is taken as the new spread picture.
    system->shown.path = file("new.bmp", "N");
    run(kCmdSaveWallpaper);
    cutsDone();
    EXPECT_EQ(contents(walls().previewBgPath()), "snapshot of " + (dir / "new.bmp").u8string());

    // Back to individual pictures: every workspace shows the whole spread picture.
    EXPECT_EQ(run(kCmdWallsIndividual), MenuFollowUp::WallpaperChanged);
    EXPECT_EQ(settings.values().wallpaperOf(2, 2), walls().previewBgPath());
    EXPECT_EQ(system->shown.path, walls().previewBgPath());
}

// "Save the current wallpaper" in individual view, then distant view: the
// snapshot the user just saved is spread, not an old spread picture cut over it.
TEST_F(WallpaperKeeperTest, DistantViewAfterASavedSnapshotSpreadsAFreshSnapshot) {
    run(kCmdWallsDistant);
    cutsDone();
    run(kCmdWallsIndividual);
    system->shown.path = file("holiday.bmp", "H");  // the user's new picture
    run(kCmdSaveWallpaper);
    const std::string saved = piece(0, 0);
    EXPECT_EQ(contents(saved), "snapshot of " + (dir / "holiday.bmp").u8string());
    walls().apply(-1, -1);
    ASSERT_EQ(system->shown.path, saved);

    run(kCmdWallsDistant);
    cutsDone();
    EXPECT_EQ(contents(walls().previewBgPath()), "snapshot of " + saved);
    EXPECT_EQ(contents(saved), "crop of snapshot of " + saved);
}

TEST_F(WallpaperKeeperTest, PiecesAreCutOnAWorkerAndSwitchesDoNotWaitForThem) {
    run(kCmdWallsDistant);
    cutsDone();
    const std::size_t cropsBefore = system->crops.size();
    system->holdCuts = true;
    settings.setWsRowNum(3);
    settings.setWsColNum(3);
    ASSERT_TRUE(walls().respread());  // returns with nothing cut yet
    EXPECT_TRUE(walls().cutting());
    // A workspace whose piece is not cut yet shows the whole spread picture.
    switchTo(2, 2);
    EXPECT_EQ(system->shown.path, walls().previewBgPath());
    system->release();
    cutsDone();
    EXPECT_EQ(system->crops.size(), cropsBefore + 9u);
    // The piece of the workspace current when the grid changed came first.
    EXPECT_EQ(system->crops[cropsBefore], spreadCrop(1280, 800, 3, 3, 125, 0, 0));
    EXPECT_EQ(system->shown.path, piece(2, 2));
}

TEST_F(WallpaperKeeperTest, APieceThatCannotBeCutLeavesNoOldPictureUnderItsName) {
    run(kCmdWallsDistant);
    cutsDone();
    ASSERT_EQ(contents(piece(1, 1)), "crop of snapshot of " + mine);
    system->failingPiece = piece(1, 1);
    settings.setWsRowNum(3);
    settings.setWsColNum(3);
    walls().respread();
    cutsDone();
    EXPECT_FALSE(std::filesystem::exists(piece(1, 1)));
    EXPECT_EQ(settings.values().wallpaperOf(1, 1), walls().previewBgPath());
    EXPECT_EQ(settings.values().wallpaperOf(2, 1), piece(2, 1));
}

TEST_F(WallpaperKeeperTest, StaleTemporaryPicturesAreSweptFromTheDataFolder) {
    const struct {
        const char* name;
        bool swept;
    } files[] = {{"1_2.bmp.tmp-123-4", true},   {"previewBg.bmp.tmp-9-0", true}, {"_wallpaper.tmp-5-6", true},
                 {"1_2.bmp", false},             {"_redume.tmp-1-2", false},      {"notes.txt", false}};
    for (const auto& f : files) file(f.name, "x");
    walls().setDataDir(dir.u8string());
    for (const auto& f : files) EXPECT_EQ(std::filesystem::exists(dir / f.name), !f.swept) << f.name;
}

TEST_F(WallpaperKeeperTest, TheSettingsFilePutsTheCurrentWorkspacesWallpaperUp) {
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
