#include <gtest/gtest.h>

#include "preview/preview_geometry.h"
#include "preview/preview_keys.h"
#include "preview/taskbar_record.h"
#include "controller/wallpaper_geometry.h"

#include <limits>
#include <vector>

namespace zelvane {
namespace {

PreviewLayout layout(std::int32_t w, std::int32_t h, std::int32_t rows, std::int32_t cols) {
    return PreviewLayout{w, h, 0, 0, w, h, rows, cols};
}

TEST(PreviewGeometryTest, RestingRectangleKeepsThePlaneAspectAndFitsTheScreen) {
    const RestingGeometry g = restingGeometry(layout(1920, 1080, 2, 3), 50);
    EXPECT_EQ(g.restW, 960);
    EXPECT_EQ(g.restH, 360);
    EXPECT_EQ(g.restLeft, 480);
    EXPECT_EQ(g.restTop, 360);
    EXPECT_EQ(g.cellW, 320);
    EXPECT_EQ(g.cellH, 180);

    // Five rows, one column: the height from the width would not fit.
    const RestingGeometry tall = restingGeometry(layout(1920, 1080, 5, 1), 90);
    EXPECT_EQ(tall.restH, 972);
    EXPECT_EQ(tall.restW, 972 * 1920 / 5400);
    EXPECT_LE(tall.restH, 1080);

    // Degenerate metrics give an empty rectangle, not a division by zero.
    EXPECT_EQ(restingGeometry(layout(0, 0, 2, 2), 90).restW, 0);
}

TEST(PreviewGeometryTest, PlaneRectanglesMapWithoutOverflowOnLargePlanes) {
    // 3 x 3 on 1920 x 1080 with a 960 x 540 canvas: the whole plane is one pixel wider.
    EXPECT_EQ(dirtyCanvasRect(Rect{0, 0, 5760, 3240}, 0, 0, 5760, 3240, 960, 540), (Rect{0, 0, 961, 541}));
    EXPECT_EQ(mapPlaneRect(Rect{4000, 1200, 4800, 1800}, 0, 0, 5760, 3240, Rect{0, 0, 960, 540}),
              (Rect{666, 200, 800, 300}));

    // Five columns of 3840-pixel screens zoomed in: 32-bit products overflow here.
    const std::int32_t pw = 5 * 3840, ph = 5 * 2160;
    const Rect zoomed{-4 * 3840, -4 * 2160, 3840, 2160};
    EXPECT_EQ(mapPlaneRect(Rect{pw - 100, ph - 100, pw, ph}, 0, 0, pw, ph, zoomed),
              (Rect{3740, 2060, 3840, 2160}));
    EXPECT_EQ(mapPlaneRect(Rect{0, 0, pw, ph}, 0, 0, pw, ph, zoomed), zoomed);

    // A plane whose virtual screen starts left of the primary screen.
    EXPECT_EQ(mapPlaneRect(Rect{-1280, 0, 0, 800}, -1280, 0, 2560, 800, Rect{10, 10, 266, 90}),
              (Rect{10, 10, 138, 90}));
}

TEST(PreviewGeometryTest, HitTestingAndScreenToPlane) {
    const PreviewLayout l = layout(1920, 1080, 2, 3);
    const RestingGeometry g = restingGeometry(l, 50);  // 480,360 960x360, cells 320x180
    EXPECT_FALSE(cellAt({479, 400}, g, l));
    EXPECT_FALSE(cellAt({1440, 400}, g, l));
    EXPECT_FALSE(cellAt({600, 720}, g, l));
    EXPECT_EQ(cellAt({480, 360}, g, l)->row, 0);
    // On the line between two cells: the upper and the left one.
    const auto onLine = cellAt({480 + 320, 360 + 180}, g, l);
    ASSERT_TRUE(onLine);
    EXPECT_EQ(onLine->row, 0);
    EXPECT_EQ(onLine->col, 0);
    const auto last = cellAt({1439, 719}, g, l);
    EXPECT_EQ(last->row, 1);
    EXPECT_EQ(last->col, 2);

    EXPECT_EQ(screenToPlane({480, 360}, g, l).x, 0);
    const Point p = screenToPlane({480 + 480, 360 + 270}, g, l);
    EXPECT_EQ(p.x, 2880);
    EXPECT_EQ(p.y, 1620);
}

TEST(PreviewGeometryTest, EasingAndFrameCounts) {
    EXPECT_DOUBLE_EQ(easeOut(0, 20), 0.0);
    EXPECT_DOUBLE_EQ(easeOut(20, 20), 1.0);
    EXPECT_DOUBLE_EQ(easeOut(10, 20), 1.0 - 0.0625);
    EXPECT_DOUBLE_EQ(easeOut(30, 20), 1.0);  // clamped
    for (int i = 1; i <= 20; ++i) EXPECT_GT(easeOut(i, 20), easeOut(i - 1, 20));

    EXPECT_EQ(zoomFrameCount(120), 12);
    EXPECT_EQ(zoomFrameCount(5), 1);
    EXPECT_EQ(zoomFrameCount(0), 1);
    EXPECT_EQ(panFrameCount(200, 0, 1), 20);
    EXPECT_EQ(panFrameCount(200, 1, 1), 28);
    EXPECT_EQ(panFrameCount(200, 0, 2), 40);
    EXPECT_EQ(panFrameCount(5, 0, 1), 1);

    EXPECT_EQ(zoomDurationMs(200), 200);
    EXPECT_EQ(panDurationMs(200, 1, 1), 280);
    EXPECT_DOUBLE_EQ(easeOut(0.5), 1.0 - 0.0625);
}

// An animation follows the clock: whatever each frame costs to draw, the
// motion (from the first frame on the screen to the last) lasts about its
// duration, with progress rising to exactly 1; slow frames make it drop
// frames, never last longer.
TEST(PreviewGeometryTest, AnimationsFollowTheClockAndDropFramesRatherThanStretchTime) {
    struct Case {
        std::int64_t duration;
        std::int64_t drawCost;  // each frame
        std::int32_t minFrames, maxFrames;
        std::int64_t firstCost = 0;  // the first frame, when it costs more than the others
    };
    const Case cases[] = {
        {200, 1, 19, 21},       // cheap frames: one every 10 ms
        {200, 35, 5, 7},        // slow frames: every 35 ms, the rest dropped
        {200, 500, 2, 3},       // every frame slower than the whole animation
        {0, 5, 1, 1},           // no duration: straight to the end
        {200, 13, 10, 16, 90},  // a dear first frame, then cheap ones: the motion keeps its time
    };
    for (const Case& c : cases) {
        std::int64_t clock = 1000;
        std::vector<double> shown;
        std::vector<std::int64_t> ends;  // when each frame is on the screen
        const std::int32_t frames = runAnimation(
            c.duration, [&] { return clock; }, [&](std::int64_t ms) { clock += ms; },
            [&](double t) {
                shown.push_back(t);
                clock += shown.size() == 1 && c.firstCost ? c.firstCost : c.drawCost;
                ends.push_back(clock);
            });
        ASSERT_EQ(frames, static_cast<std::int32_t>(shown.size()));
        EXPECT_GE(frames, c.minFrames) << c.drawCost;
        EXPECT_LE(frames, c.maxFrames) << c.drawCost;
        EXPECT_DOUBLE_EQ(shown.back(), 1.0);
        for (std::size_t i = 1; i < shown.size(); ++i) EXPECT_GE(shown[i], shown[i - 1]) << c.drawCost;
        if (c.duration <= kFrameMs) continue;
        EXPECT_LT(shown.front(), 0.1) << c.drawCost;
        // The motion, from the first frame on the screen to the last: the
        // duration (less the first interval), overrun by at most one frame.
        const std::int64_t motion = ends.back() - ends.front();
        EXPECT_LE(motion, c.duration + 2 * c.drawCost) << c.drawCost;
        if (c.drawCost < c.duration / 4) {
            EXPECT_GE(motion, c.duration - kFrameMs - c.drawCost) << c.drawCost;
            EXPECT_LE(motion, c.duration + c.drawCost) << c.drawCost;
        }
    }
}

TEST(PreviewGeometryTest, ZoomStartsFullSizeAndEndsAtRestAndPanEndsOnTheTarget) {
    const PreviewLayout l = layout(1920, 1080, 2, 3);
    const RestingGeometry g = restingGeometry(l, 50);
    const Workspace sel{1, 2};
    EXPECT_EQ(zoomRect(0.0, sel, g, l), fullSizeRect(sel, l));
    EXPECT_EQ(fullSizeRect(sel, l), (Rect{-3840, -1080, 1920, 1080}));
    EXPECT_EQ(zoomRect(1.0, sel, g, l), (Rect{g.restLeft, g.restTop, g.restRight(), g.restBottom()}));

    EXPECT_EQ(panRect(0.0, {0, 0}, {0, 1}, l), fullSizeRect({0, 0}, l));
    EXPECT_EQ(panRect(1.0, {0, 0}, {0, 1}, l), fullSizeRect({0, 1}, l));
    const Rect half = panRect(0.5, {0, 0}, {1, 1}, l);
    EXPECT_EQ(half.left, -960);
    EXPECT_EQ(half.top, -540);
    EXPECT_EQ(half.right - half.left, l.planeWidth());

    EXPECT_EQ(fadeSteps(0), 1);
    EXPECT_EQ(fadeAlpha(1, 1), 128);
    EXPECT_EQ(fadeAlpha(5, 10), 64);
}

// The zoom-out's first frames draw the still copy of the screen into the
// selected cell: full size it is exactly the screen, at rest exactly the
// resting cell, and in between the cell stays inside the plane with the
// cells beside it sharing its edges (no gap, no overlap, whatever the
// rounding).
TEST(PreviewGeometryTest, TheSelectedCellOfAZoomFrameStartsAsTheScreenAndEndsAsTheRestingCell) {
    const struct {
        PreviewLayout l;
        Workspace sel;
    } cases[] = {
        {layout(1920, 1080, 2, 2), {0, 0}},
        {layout(1920, 1080, 2, 3), {1, 2}},
        {layout(1366, 768, 5, 5), {2, 3}},
        {layout(1280, 1024, 1, 1), {0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.l.rows << "x" << c.l.cols << " cell " << c.sel.row << "," << c.sel.col);
        const RestingGeometry g = restingGeometry(c.l, 73);
        EXPECT_EQ(cellRect(zoomRect(0.0, c.sel, g, c.l), c.sel, c.l.rows, c.l.cols),
                  (Rect{0, 0, c.l.virtualWidth, c.l.virtualHeight}));
        const std::int32_t left = c.sel.col * g.cellW + g.restLeft, top = c.sel.row * g.cellH + g.restTop;
        EXPECT_EQ(cellRect(zoomRect(1.0, c.sel, g, c.l), c.sel, c.l.rows, c.l.cols),
                  (Rect{left, top, left + g.cellW, top + g.cellH}));
        for (double t : {0.1, 0.37, 0.8}) {
            const Rect plane = zoomRect(t, c.sel, g, c.l);
            const Rect cell = cellRect(plane, c.sel, c.l.rows, c.l.cols);
            EXPECT_LE(plane.left, cell.left);
            EXPECT_LE(cell.right, plane.right);
            EXPECT_LT(cell.left, cell.right);
            if (c.sel.col + 1 < c.l.cols) {
                EXPECT_EQ(cellRect(plane, {c.sel.row, c.sel.col + 1}, c.l.rows, c.l.cols).left, cell.right);
            }
            if (c.sel.row + 1 < c.l.rows) {
                EXPECT_EQ(cellRect(plane, {c.sel.row + 1, c.sel.col}, c.l.rows, c.l.cols).top, cell.bottom);
            }
        }
    }
    // The last cell ends on the plane's edge even when the width does not divide.
    EXPECT_EQ(cellRect(Rect{0, 0, 1001, 7}, {0, 2}, 1, 3), (Rect{667, 0, 1001, 7}));
}

// The distant view's picture: over the whole plane at rest; with one
// workspace filling the screen, that workspace shows exactly the crop the
// desktop shows as its wallpaper; during a slide between two workspaces it
// moves on continuously.
TEST(PreviewGeometryTest, TheSpreadPictureMagnifiesWithTheZoomIntoEachWorkspacesOwnCrop) {
    const PreviewLayout l = layout(1280, 800, 2, 3);
    const RestingGeometry g = restingGeometry(l, 90);
    const std::int32_t cw = g.restW, ch = g.restH;
    const Rect rest{g.restLeft, g.restTop, g.restRight(), g.restBottom()};
    EXPECT_EQ(spreadPicturePlacement(rest, cw, ch, l, 125), rest);
    for (const Workspace ws : {Workspace{0, 0}, Workspace{1, 1}, Workspace{0, 2}}) {
        const Rect placed = spreadPicturePlacement(fullSizeRect(ws, l), cw, ch, l, 125);
        // The picture stands for the virtual screen: the screen (0..1280)
        // shows the crop's part of it.
        const Box crop = spreadCrop(1280, 800, 2, 3, 125, ws.row, ws.col);
        const double perPixelX = 1280.0 / (placed.right - placed.left);
        const double perPixelY = 800.0 / (placed.bottom - placed.top);
        EXPECT_NEAR(-placed.left * perPixelX, crop.x, 2) << ws.row << "," << ws.col;
        EXPECT_NEAR(1280 * perPixelX, crop.w, 2) << ws.row << "," << ws.col;
        EXPECT_NEAR(-placed.top * perPixelY, crop.y, 2) << ws.row << "," << ws.col;
        EXPECT_NEAR(800 * perPixelY, crop.h, 2) << ws.row << "," << ws.col;
    }
    // Half-way through a slide from (0,0) to (0,1): half-way between the two crops.
    const Rect from = spreadPicturePlacement(panRect(0, {0, 0}, {0, 1}, l), cw, ch, l, 125);
    const Rect to = spreadPicturePlacement(panRect(1, {0, 0}, {0, 1}, l), cw, ch, l, 125);
    const Rect half = spreadPicturePlacement(panRect(0.5, {0, 0}, {0, 1}, l), cw, ch, l, 125);
    EXPECT_NEAR(half.left, (from.left + to.left) / 2, 2);
    // Zooming out from (1, 2): the picture shrinks steadily onto the plane.
    std::int32_t lastWidth = std::numeric_limits<std::int32_t>::max();
    for (double t = 0; t <= 1.0; t += 0.125) {
        const Rect r = spreadPicturePlacement(zoomRect(t, {1, 2}, g, l), cw, ch, l, 125);
        EXPECT_LT(r.right - r.left, lastWidth) << t;
        lastWidth = r.right - r.left;
    }
}

// Only the part of the canvas that lands on the view is stretched, and it
// lands where the whole stretch would have put it.
TEST(PreviewGeometryTest, OnlyTheVisiblePartOfTheCanvasIsStretched) {
    struct Case {
        Rect plane;
        Rect canvas;  // expected part of a 1152 x 720 canvas
        Rect view;
    };
    const Case cases[] = {
        {Rect{64, 40, 1216, 760}, Rect{0, 0, 1152, 720}, Rect{64, 40, 1216, 760}},  // at rest: all of it
        {Rect{0, 0, 2560, 1600}, Rect{0, 0, 577, 361}, Rect{0, 0, 1282, 802}},      // (0,0) full size
        {Rect{-1280, -800, 1280, 800}, Rect{576, 360, 1152, 720}, Rect{0, 0, 1280, 800}},  // (1,1) full size
        {Rect{2000, 0, 4560, 1600}, Rect{}, Rect{}},                                // off the view
    };
    for (const Case& c : cases) {
        const VisiblePart v = visiblePart(c.plane, 1280, 800, 1152, 720);
        EXPECT_EQ(v.canvas, c.canvas);
        EXPECT_EQ(v.view, c.view);
        if (v.empty()) continue;
        // It covers the view's share of the plane.
        EXPECT_LE(v.view.left, std::max(0, c.plane.left));
        EXPECT_GE(v.view.right, std::min(1280, c.plane.right));
    }
}

TEST(PreviewKeysTest, TheThreeBindingsMoveTheSelectionAndWrap) {
    struct Case {
        unsigned vk;
        PreviewKey key;
    };
    const Case cases[] = {{0x25, PreviewKey::Left}, {'H', PreviewKey::Left},   {'B', PreviewKey::Left},
                          {0x27, PreviewKey::Right}, {'L', PreviewKey::Right}, {'F', PreviewKey::Right},
                          {0x26, PreviewKey::Up},    {'K', PreviewKey::Up},    {'P', PreviewKey::Up},
                          {0x28, PreviewKey::Down},  {'J', PreviewKey::Down},  {'N', PreviewKey::Down},
                          {0x0D, PreviewKey::Enter}, {0x1B, PreviewKey::Escape}, {0x20, PreviewKey::Space},
                          {'A', PreviewKey::None}};
    for (const Case& c : cases) EXPECT_EQ(previewKeyOf(c.vk), c.key) << c.vk;

    const Workspace corner{0, 0};
    EXPECT_EQ(moveSelection(corner, PreviewKey::Left, 2, 3).col, 2);
    EXPECT_EQ(moveSelection(corner, PreviewKey::Up, 2, 3).row, 1);
    EXPECT_EQ(moveSelection({1, 2}, PreviewKey::Right, 2, 3).col, 0);
    EXPECT_EQ(moveSelection({1, 2}, PreviewKey::Down, 2, 3).row, 0);
    EXPECT_EQ(moveSelection({1, 2}, PreviewKey::Enter, 2, 3).col, 2);

    // Digits during a slide count row by row; none past the grid.
    struct Digit {
        unsigned vk;
        std::optional<Workspace> ws;
    };
    const Digit digits[] = {{'1', Workspace{0, 0}}, {'3', Workspace{0, 2}}, {'4', Workspace{1, 0}},
                            {'6', Workspace{1, 2}}, {'7', std::nullopt},    {'0', std::nullopt},
                            {0x25, std::nullopt}};
    for (const Digit& d : digits) {
        const auto ws = numberedWorkspace(d.vk, 2, 3);
        ASSERT_EQ(ws.has_value(), d.ws.has_value()) << d.vk;
        if (ws) {
            EXPECT_TRUE(ws->row == d.ws->row && ws->col == d.ws->col) << d.vk;
        }
    }
}

TEST(PreviewKeysTest, ModifierSetsAndEdgeSteps) {
    auto only = [](unsigned held) { return [held](unsigned vk) { return vk == held; }; };
    EXPECT_TRUE(modifierSetHeld(1 | 4, only(0x10)));   // Shift of Alt+Shift
    EXPECT_FALSE(modifierSetHeld(1 | 4, only(0x11)));  // Ctrl is not in it
    EXPECT_TRUE(modifierSetHeld(8, only(0x5C)));       // either Win key
    EXPECT_FALSE(modifierSetHeld(0, [](unsigned) { return true; }));

    const auto left = edgeStepAt({0, 300}, 0, 0, 1280, 800);
    ASSERT_TRUE(left);
    EXPECT_EQ(left->direction, PreviewKey::Left);
    EXPECT_EQ(left->cursor.x, 1275);
    EXPECT_EQ(edgeStepAt({1279, 300}, 0, 0, 1280, 800)->cursor.x, 5);
    EXPECT_EQ(edgeStepAt({300, 799}, 0, 0, 1280, 800)->direction, PreviewKey::Down);
    EXPECT_FALSE(edgeStepAt({300, 300}, 0, 0, 1280, 800));
}

TEST(PreviewKeysTest, TaskbarRecordRoundTripsAndRejectsJunk) {
    EXPECT_EQ(parseTaskbarRecord(taskbarRecordText({0x1234, 0xABCDEF})),
              (std::vector<std::uintptr_t>{0x1234, 0xABCDEF}));
    EXPECT_EQ(parseTaskbarRecord("0\nzz\n12\r\n-5\n123456789abcdef012\n"), (std::vector<std::uintptr_t>{0x12}));
    std::string many;
    for (int i = 1; i <= 40; ++i) many += "1f\n";
    EXPECT_EQ(parseTaskbarRecord(many).size(), 16u);
}

}  // namespace
}  // namespace zelvane
