#include <gtest/gtest.h>

#include "controller_fixture.h"
#include "fake_preview_surface.h"
#include "preview/preview_session.h"

namespace zelvane::testing {
namespace {

// A 3 x 3 grid on 1920 x 1080, previewed on a 960 x 540 canvas.
constexpr std::uint32_t kExTopmost = 0x8;
constexpr std::uint32_t kExTransparent = 0x20;

class PreviewSessionTest : public ControllerTest {
protected:
    void SetUp() override {
        desktop->screen = ScreenMetrics{1920, 1080, 0, 0, 1920, 1080};
        ControllerTest::SetUp();
        settings.setWsRowNum(3);
        settings.setWsColNum(3);
        session = std::make_unique<PreviewSession>(*ctrl, *surface, false);
        view = desktop->add(0, 0, 1920, 1080, "ZelvaneViewClass");
    }
    void TearDown() override {
        session.reset();
        ControllerTest::TearDown();
    }
    bool begin() { return session->begin(view, Rect{480, 270, 1440, 810}, Rect{480, 270, 1440, 810}); }
    void setExStyle(WindowId w, std::uint32_t exStyle) {
        desktop->edit(w, [&](auto& win) { win.exStyle = exStyle; });
    }
    void heldWindowIsRaised(bool composition);

    std::shared_ptr<FakePreviewSurface> surface = std::make_shared<FakePreviewSurface>();
    std::unique_ptr<PreviewSession> session;
    WindowId view = kNoWindow;
};

TEST_F(PreviewSessionTest, ChoosesTheWindowsToShowAndDrawsThemOnTheCapturePath) {
    const auto plain = desktop->add(100, 100, 400, 300);
    const auto cloaked = desktop->add(200, 200, 300, 300);
    const auto clickThrough = desktop->add(300, 300, 100, 100);
    const auto minimized = desktop->add(0, 0, 10, 10);
    desktop->edit(minimized, [](auto& w) { w.minimized = true; });
    const auto button = desktop->add(0, 1040, 60, 40, "Button");  // exempt, still previewed
    const auto cover = desktop->add(0, 0, 1920, 1080, "ZelvaneCoverClass");
    desktop->edit(cloaked, [](auto& w) { w.cloaked = true; });
    setExStyle(clickThrough, kExTransparent);
    desktop->edit(cover, [&](auto& w) { w.owner = view; });

    session->hideTaskbar();
    ASSERT_TRUE(begin());
    EXPECT_TRUE(ctrl->previewActive());
    EXPECT_EQ(surface->sources, (std::set<WindowId>{plain, button}));
    // Pictures are asked for once the first frame is up, and only of
    // managed windows: exempt ones are not drawn on this path.
    EXPECT_TRUE(surface->captures.empty());
    session->requestPictures();
    EXPECT_EQ(surface->captures, (std::vector<WindowId>{plain}));
    EXPECT_FALSE(PreviewSession(*ctrl, *surface, false).begin(view, Rect{0, 0, 10, 10}, Rect{0, 0, 10, 10}));  // one preview at a time

    ASSERT_TRUE(session->paint(false, true));
    EXPECT_EQ(surface->backgrounds, (std::vector<Rect>{Rect{0, 0, 961, 541}}));
    EXPECT_EQ(surface->drawn[plain], (Rect{16, 16, 16 + 66, 16 + 50}));
    EXPECT_EQ(surface->presented.back(), (Rect{480, 270, 1440, 810}));
    // Nothing dirty and no refresh: only presented again.
    surface->backgrounds.clear();
    session->paint(false, true);
    EXPECT_TRUE(surface->backgrounds.empty());

    ASSERT_TRUE(session->end(-1, -1));
    EXPECT_FALSE(ctrl->previewActive());
    EXPECT_TRUE(surface->sources.empty());
    EXPECT_FALSE(surface->canvas);
    EXPECT_EQ(surface->taskbarShows, 1);
}

TEST_F(PreviewSessionTest, ThumbnailsAreRegisteredBottomUpAndExemptWindowsGetOnePerCell) {
    surface->composition = true;
    const auto low = desktop->add(100, 100, 400, 300);
    const auto high = desktop->add(1920 * 2 + 100, 1080 + 100, 400, 300);  // on (1, 2), hidden
    desktop->edit(high, [](auto& w) { w.visible = false; });
    // Known to the controller from before, hidden by a switch.
    settings.setWsRowNum(3);
    const auto button = desktop->add(0, 1040, 60, 40, "Button");
    ASSERT_TRUE(begin());

    std::vector<WindowId> order;
    for (const auto& t : surface->thumbnails) {
        EXPECT_TRUE(t.reRegister);
        if (order.empty() || order.back() != t.w) order.push_back(t.w);
    }
    EXPECT_EQ(order, (std::vector<WindowId>{low, button}));  // the hidden window was never measured as managed
    std::vector<std::uint32_t> slots;
    for (const auto& t : surface->thumbnails)
        if (t.w == button) slots.push_back(t.slot);
    EXPECT_EQ(slots, (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    // Column 1, row 0 of the button: shifted one screen right, then scaled.
    EXPECT_EQ(surface->thumbnails[1 + 3].rect, (Rect{480 + 320, 270 + 173, 480 + 330, 270 + 180}));

    // Moving the plane repositions without registering again; a drag moves the thumbnail.
    surface->thumbnails.clear();
    session->setRect(Rect{0, 0, 5760, 3240});
    for (const auto& t : surface->thumbnails) EXPECT_FALSE(t.reRegister);
    surface->thumbnails.clear();
    ASSERT_TRUE(session->moveWindowBy(low, 1920, 0));
    ASSERT_EQ(surface->thumbnails.size(), 1u);
    EXPECT_EQ(surface->thumbnails[0].rect, (Rect{2020, 100, 2420, 400}));
    EXPECT_FALSE(session->moveWindowBy(button, 10, 10));  // exempt windows stay
    session->end(-1, -1);
}

// A window held for dragging is drawn and found above every window but the
// topmost ones, on either path, until the preview ends.
void PreviewSessionTest::heldWindowIsRaised(bool composition) {
    surface->composition = composition;
    const auto held = desktop->add(100, 100, 400, 300);
    const auto over = desktop->add(200, 200, 400, 300);
    const auto topmost = desktop->add(250, 250, 100, 100);
    setExStyle(topmost, kExTopmost);
    ASSERT_TRUE(begin());
    EXPECT_EQ(session->windowAt(220, 220), over);

    surface->thumbnails.clear();
    surface->drawOrder.clear();
    session->raise(held);
    EXPECT_EQ(session->windowAt(220, 220), held);
    EXPECT_EQ(session->windowAt(260, 260), topmost);
    if (composition) {
        // Registered anew, then the topmost window again above it.
        std::vector<WindowId> order;
        for (const auto& t : surface->thumbnails) {
            EXPECT_TRUE(t.reRegister);
            order.push_back(t.w);
        }
        EXPECT_EQ(order, (std::vector<WindowId>{held, topmost}));
        // A refresh that registers everything again (a new topmost window
        // opened) keeps the stacking.
        const auto added = desktop->add(300, 300, 50, 50);
        setExStyle(added, kExTopmost);
        surface->thumbnails.clear();
        session->paint(true, false);
        order.clear();
        for (const auto& t : surface->thumbnails) order.push_back(t.w);
        EXPECT_EQ(order, (std::vector<WindowId>{over, held, topmost, added}));
    } else {
        session->paint(false, false);
        EXPECT_EQ(surface->drawOrder, (std::vector<WindowId>{over, held, topmost}));
    }
    session->end(-1, -1);
    ASSERT_TRUE(begin());  // the next preview stacks by the Z order again
    EXPECT_EQ(session->windowAt(220, 220), over);
    session->end(-1, -1);
}

TEST_F(PreviewSessionTest, AHeldWindowIsRaisedOnTheCapturePath) { heldWindowIsRaised(false); }
TEST_F(PreviewSessionTest, AHeldWindowIsRaisedOnTheThumbnailPath) { heldWindowIsRaised(true); }

TEST_F(PreviewSessionTest, DuringASlideAnExemptWindowStaysAtItsScreenPlace) {
    surface->composition = true;
    session->setAnimatedSwitch(true);
    const auto button = desktop->add(10, 1040, 60, 40, "Button");
    switchTo(1, 1);
    ASSERT_TRUE(begin());
    session->setRect(Rect{-1920, -1080, 3840, 2160});
    ASSERT_FALSE(surface->thumbnails.empty());
    for (const auto& t : surface->thumbnails) {
        EXPECT_EQ(t.w, button);
        EXPECT_EQ(t.slot, 0u);
        EXPECT_EQ(t.rect, (Rect{10, 1040, 70, 1080}));
    }
    session->end(-1, -1);
}

TEST_F(PreviewSessionTest, ACarriedWindowTravelsWithTheSlideAndItsThumbnailNeverMoves) {
    surface->composition = true;
    session->setAnimatedSwitch(true);
    const auto carried = desktop->add(100, 100, 400, 300);
    const auto other = desktop->add(700, 100, 300, 300);
    ASSERT_TRUE(session->begin(view, Rect{0, 0, 5760, 3240}, Rect{0, 0, 5760, 3240}));
    surface->thumbnails.clear();
    for (int left : {0, -500, -1200, -1920}) session->setRectCarrying(Rect{left, 0, left + 5760, 3240}, carried);
    for (const auto& t : surface->thumbnails) {
        if (t.w == carried) {
            EXPECT_EQ(t.rect, (Rect{100, 100, 500, 400}));
        }
    }
    Rect otherLast;
    for (const auto& t : surface->thumbnails)
        if (t.w == other) otherLast = t.rect;
    EXPECT_EQ(otherLast, (Rect{700 - 1920, 100, 1000 - 1920, 400}));
    ASSERT_TRUE(session->end(0, 1));
    settle();
    // Lands on (0, 1) where it was on the screen; the other stays behind, hidden.
    EXPECT_EQ(rectOf(carried), (Rect{100, 100, 500, 400}));
    EXPECT_TRUE(visible(carried));
    EXPECT_FALSE(visible(other));
}

TEST_F(PreviewSessionTest, DraggedWindowLandsOnItsNewWorkspaceHiddenAndTopmostComesBack) {
    const auto dragged = desktop->add(100, 100, 400, 300);
    const auto topmost = desktop->add(500, 500, 200, 200);
    setExStyle(topmost, kExTopmost);
    ASSERT_TRUE(begin());
    settle();
    // Out of the preview's way while it is open.
    EXPECT_EQ(rectOf(topmost).left, 1920);

    session->paint(false, false);
    EXPECT_EQ(session->windowAt(150, 150), dragged);
    EXPECT_EQ(session->windowAt(50, 50), kNoWindow);
    ASSERT_TRUE(session->moveWindowBy(dragged, 1920, 0));  // into cell (0, 1)
    EXPECT_EQ(session->windowAt(150, 150), kNoWindow);
    EXPECT_EQ(session->windowAt(2020, 150), dragged);
    // The old place and the new one are repainted at the next paint.
    surface->backgrounds.clear();
    session->paint(false, false);
    EXPECT_EQ(surface->backgrounds.size(), 2u);

    ASSERT_TRUE(session->end(-1, -1));
    settle();
    EXPECT_FALSE(visible(dragged));
    EXPECT_EQ(rectOf(dragged), (Rect{2020, 100, 2420, 400}));
    EXPECT_TRUE(visible(topmost));
    EXPECT_EQ(rectOf(topmost), (Rect{500, 500, 700, 700}));

    switchTo(0, 1);
    EXPECT_TRUE(visible(dragged));
    EXPECT_EQ(rectOf(dragged), (Rect{100, 100, 500, 400}));
}

TEST_F(PreviewSessionTest, EndingOnAnotherWorkspaceSwitchesAndHungWindowsDoNotHoldItUp) {
    const auto here = desktop->add(100, 100, 400, 300);
    const auto hung = desktop->add(600, 100, 400, 300);
    desktop->setHung(hung, true);
    ASSERT_TRUE(begin());
    ASSERT_TRUE(session->end(2, 2));  // returns at once although `hung` cannot be hidden now
    EXPECT_TRUE(desktop->waitFor(here, [](const auto& w) { return !w.visible; }));
    EXPECT_EQ(ctrl->currentRow(), 2);
    EXPECT_EQ(ctrl->currentCol(), 2);
    EXPECT_FALSE(visible(here));
    EXPECT_TRUE(visible(hung));
    desktop->answer(hung);
    EXPECT_TRUE(desktop->waitFor(hung, [](const auto& w) { return !w.visible; }));
}

TEST_F(PreviewSessionTest, RefreshAddsNewWindowsAndDropsClosedOnesAndAFailedCanvasStillEnds) {
    const auto first = desktop->add(100, 100, 400, 300);
    ASSERT_TRUE(begin());
    const auto later = desktop->add(700, 100, 300, 300);
    desktop->close(first);
    ASSERT_TRUE(session->paint(true, false));
    EXPECT_EQ(surface->sources, (std::set<WindowId>{later}));
    EXPECT_EQ(surface->backgrounds.back(), (Rect{0, 0, 961, 541}));  // everything repainted
    session->end(-1, -1);

    surface->canvasFails = true;
    EXPECT_FALSE(begin());
    EXPECT_TRUE(ctrl->previewActive());
    EXPECT_FALSE(session->paint(true, true));
    EXPECT_FALSE(ctrl->switchWS(0, 1, kNoWindow));
    EXPECT_TRUE(session->end(-1, -1));
    EXPECT_FALSE(ctrl->previewActive());

    // releaseAll's way out frees everything without placing.
    surface->canvasFails = false;
    ASSERT_TRUE(begin());
    session.reset();
    EXPECT_FALSE(ctrl->previewActive());
    EXPECT_TRUE(surface->sources.empty());
}

// Until its own picture comes in, a window that was on the screen is drawn
// from the still picture of the screen, at its screen place there; windows
// of other workspaces have nothing to show yet. A picture that comes in
// repaints its window's part of the canvas, and no other window.
TEST_F(PreviewSessionTest, WindowsOnTheScreenShowTheirStillPixelsUntilTheirPictureComesIn) {
    switchTo(1, 1);
    const auto here = desktop->add(100, 100, 400, 300);         // on (1, 1), the current workspace
    const auto over = desktop->add(300, 200, 400, 300);         // above it, overlapping
    const auto away = desktop->add(1920 * 3, 0, 400, 300);      // off the screen: another workspace
    ASSERT_TRUE(session->freeze(view));
    ASSERT_TRUE(begin());
    session->paint(false, false);
    ASSERT_EQ(surface->drawnFrom.count(here), 1u);
    EXPECT_EQ(surface->drawnFrom[here], (std::optional<Rect>{Rect{100, 100, 500, 400}}));
    EXPECT_EQ(surface->drawnFrom[over], (std::optional<Rect>{Rect{300, 200, 700, 500}}));
    EXPECT_EQ(surface->drawnFrom[away], std::nullopt);

    // `away`'s picture comes in: its place is repainted, the windows
    // elsewhere are not drawn again.
    surface->drawOrder.clear();
    surface->updates.clear();
    surface->fresh = {away};
    session->paint(false, true);
    ASSERT_EQ(surface->updates.size(), 1u);
    EXPECT_EQ(surface->drawOrder, (std::vector<WindowId>{away}));
    // `here`'s picture: `over`, which overlaps it, is drawn again above it.
    surface->drawOrder.clear();
    surface->fresh = {here};
    session->paint(false, true);
    EXPECT_EQ(surface->drawOrder, (std::vector<WindowId>{here, over}));
    // Nothing new: nothing drawn.
    surface->drawOrder.clear();
    session->paint(false, true);
    EXPECT_TRUE(surface->drawOrder.empty());
    session->end(-1, -1);
    EXPECT_FALSE(surface->frozen);
}

// Whichever way a preview ends, even one that never began, the taskbar it
// hid comes back, once; a preview that did not hide it shows nothing.
TEST_F(PreviewSessionTest, EveryWayOutShowsTheTaskbarItHid) {
    struct Case {
        const char* name;
        bool hide, begins, canvasFails, ends;
        int shows;
        bool canvasOnly = false;  // begun with its first half only (a zoom-out cut short)
    };
    const Case cases[] = {
        {"ended", true, true, false, true, 1},
        {"destroyed open", true, true, false, false, 1},
        {"canvas failed", true, true, true, true, 1},
        {"never began, ended", true, false, false, true, 1},
        {"never began, destroyed", true, false, false, false, 1},
        {"a slide", false, true, false, true, 0},
        {"half begun, ended", true, true, false, true, 1, true},
        {"half begun, destroyed", true, true, false, false, 1, true},
    };
    for (const Case& c : cases) {
        session.reset();
        surface = std::make_shared<FakePreviewSurface>();
        surface->canvasFails = c.canvasFails;
        session = std::make_unique<PreviewSession>(*ctrl, *surface, !c.hide);
        if (c.hide) session->hideTaskbar();
        if (c.begins && c.canvasOnly) session->beginCanvas(view, Rect{480, 270, 1440, 810}, Rect{0, 0, 1920, 1080});
        if (c.begins && !c.canvasOnly) begin();
        if (c.ends) session->end(-1, -1);
        session.reset();
        EXPECT_EQ(surface->taskbarShows, c.shows) << c.name;
        EXPECT_FALSE(ctrl->previewActive()) << c.name;
    }
}

// The zoom-out begins the preview in two halves between its frames, drawing
// the still copy of the screen into the moving cell meanwhile: the canvas
// alone shows and places no window, and an end after it puts nothing out of
// place; the windows come with the second half, once.
TEST_F(PreviewSessionTest, BegunInTwoHalvesTheWindowsComeWithTheSecondAndAnEndBetweenLosesNone) {
    const auto here = desktop->add(100, 100, 400, 300);
    ASSERT_TRUE(session->freeze(view));
    session->showFrozen();
    session->showFrozenAt(Rect{96, 54, 1824, 1026});
    EXPECT_EQ(surface->frozenAt, (std::vector<Rect>{Rect{0, 0, 1920, 1080}, Rect{96, 54, 1824, 1026}}));
    EXPECT_FALSE(session->beginWindows());  // not before the canvas
    EXPECT_FALSE(ctrl->previewActive());

    ASSERT_TRUE(session->beginCanvas(view, Rect{480, 270, 1440, 810}, Rect{0, 0, 1920, 1080}));
    EXPECT_TRUE(ctrl->previewActive());
    EXPECT_TRUE(surface->canvas);
    EXPECT_TRUE(surface->sources.empty());
    ASSERT_TRUE(session->beginWindows());
    EXPECT_EQ(surface->sources, (std::set<WindowId>{here}));
    EXPECT_FALSE(session->beginWindows());  // once

    // Ended between the halves: the window stays where it is, shown.
    session = std::make_unique<PreviewSession>(*ctrl, *surface, false);
    ASSERT_FALSE(ctrl->previewActive());
    ASSERT_TRUE(session->beginCanvas(view, Rect{480, 270, 1440, 810}, Rect{0, 0, 1920, 1080}));
    ASSERT_TRUE(session->end(-1, -1));
    settle();
    EXPECT_FALSE(ctrl->previewActive());
    EXPECT_TRUE(visible(here));
    EXPECT_EQ(desktop->get(here).rect, (Rect{100, 100, 500, 400}));
}

// Before the windows are placed for the workspace chosen, the view shows
// the desktop that workspace will have: its own wallpaper in individual or
// distant view, not the one the desktop shows now.
TEST_F(PreviewSessionTest, TheEndShowsTheDesktopOfTheWorkspaceChosen) {
    surface->composition = true;
    settings.setWallpaper(0, 0, "C:\\zlv\\1_1.bmp");
    settings.setWallpaper(1, 2, "C:\\zlv\\2_3.bmp");
    struct Case {
        std::int32_t wallsType;
        Workspace chosen;
        std::string cover;
    };
    const Case cases[] = {{0, {1, 2}, ""}, {1, {1, 2}, "C:\\zlv\\2_3.bmp"}, {2, {-1, -1}, "C:\\zlv\\1_1.bmp"}};
    for (const Case& c : cases) {
        settings.setWallsType(c.wallsType);
        surface->covers.clear();
        ASSERT_TRUE(begin());
        ASSERT_TRUE(session->end(c.chosen.row, c.chosen.col));
        EXPECT_EQ(surface->covers, (std::vector<std::string>{c.cover})) << c.wallsType;
        switchTo(0, 0);
    }
}

}  // namespace
}  // namespace zelvane::testing
