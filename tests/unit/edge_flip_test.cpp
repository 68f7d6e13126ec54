#include "app/edge_flip.h"

#include <gtest/gtest.h>

#include "app/hotkeys.h"

namespace zelvane {
namespace {

using Kind = PointerAction::Kind;

// A 2 x 3 grid on a virtual screen that starts left of and above the
// primary monitor, as with a second monitor on the left.
Plane plane(std::int32_t row, std::int32_t col) {
    Plane p;
    p.rows = 2;
    p.cols = 3;
    p.currentRow = row;
    p.currentCol = col;
    p.virtualLeft = -1280;
    p.virtualTop = -200;
    p.virtualWidth = 3200;
    p.virtualHeight = 1200;
    return p;  // right edge x = 1919, bottom edge y = 999
}

TEST(EdgeFlip, EachEdgeLandsFivePixelsInsideTheOppositeOneWithItsHotkeys) {
    const Plane p = plane(0, 1);
    struct Case {
        Point at;
        Edge edge;
        Point landing;
        int hotkey;
    } cases[] = {
        {{-1280, 300}, Edge::Left, {1915, 300}, kHotkeyLeft},
        {{1919, 300}, Edge::Right, {-1275, 300}, kHotkeyRight},
        {{50, -200}, Edge::Top, {50, 995}, kHotkeyUp},
        {{50, 999}, Edge::Bottom, {50, -195}, kHotkeyDown},
    };
    for (const Case& c : cases) {
        const EdgeStep s = edgeStep(c.at, p, true);
        EXPECT_EQ(s.edge, c.edge) << c.at.x << "," << c.at.y;
        EXPECT_EQ(s.cursorTo.x, c.landing.x) << c.at.x << "," << c.at.y;
        EXPECT_EQ(s.cursorTo.y, c.landing.y) << c.at.x << "," << c.at.y;
        EXPECT_EQ(s.hotkey, c.hotkey);
        EXPECT_EQ(s.carryHotkey, c.hotkey + (kHotkeyCarryLeft - kHotkeyLeft));
    }
    // One pixel inside each edge, or outside the screen altogether, is no edge.
    for (const Point q : {Point{-1279, 300}, Point{1918, 300}, Point{50, -199}, Point{50, 998}, Point{1920, 300}})
        EXPECT_EQ(edgeAt(q, p), Edge::None) << q.x << "," << q.y;
}

TEST(EdgeFlip, CornersBelongToTheLeftOrRightEdge) {
    const Plane p = plane(1, 1);
    EXPECT_EQ(edgeAt({-1280, -200}, p), Edge::Left);
    EXPECT_EQ(edgeAt({-1280, 999}, p), Edge::Left);
    EXPECT_EQ(edgeAt({1919, -200}, p), Edge::Right);
    EXPECT_EQ(edgeAt({1919, 999}, p), Edge::Right);
    // The corner moves only across: the row is kept.
    const EdgeStep s = edgeStep({-1280, -200}, p, false);
    EXPECT_EQ(s.cursorTo.y, -200);
}

TEST(EdgeFlip, TheGridBorderBlocksUnlessLooping) {
    const Point left{-1280, 0}, right{1919, 0}, top{0, -200}, bottom{0, 999};
    // Top-left workspace: left and up lead out of the grid.
    EXPECT_TRUE(edgeStep(left, plane(0, 0), false).blocked);
    EXPECT_TRUE(edgeStep(top, plane(0, 0), false).blocked);
    EXPECT_FALSE(edgeStep(right, plane(0, 0), false).blocked);
    EXPECT_FALSE(edgeStep(bottom, plane(0, 0), false).blocked);
    // Bottom-right workspace: the other two.
    EXPECT_TRUE(edgeStep(right, plane(1, 2), false).blocked);
    EXPECT_TRUE(edgeStep(bottom, plane(1, 2), false).blocked);
    EXPECT_FALSE(edgeStep(left, plane(1, 2), false).blocked);
    EXPECT_FALSE(edgeStep(top, plane(1, 2), false).blocked);
    // Looping opens every border.
    for (const Point q : {left, right, top, bottom}) {
        EXPECT_FALSE(edgeStep(q, plane(0, 0), true).blocked);
        EXPECT_FALSE(edgeStep(q, plane(1, 2), true).blocked);
    }
}

TEST(EdgeFlip, AGridOneWorkspaceWideOrHighHasNowhereToGoThatWay) {
    Plane p = plane(0, 0);
    p.cols = 1;
    EXPECT_TRUE(edgeStep({-1280, 0}, p, true).blocked);
    EXPECT_TRUE(edgeStep({1919, 0}, p, true).blocked);
    EXPECT_FALSE(edgeStep({0, 999}, p, true).blocked);
    p.cols = 3;
    p.rows = 1;
    EXPECT_TRUE(edgeStep({0, -200}, p, true).blocked);
    EXPECT_FALSE(edgeStep({1919, 0}, p, true).blocked);
}

TEST(EdgeFlip, EveryModifierOfTheSettingMustBeHeld) {
    const std::int32_t altShift = 1 | 4;
    EXPECT_TRUE(movKeyHeld(altShift, heldModifiers(true, false, true, false)));
    EXPECT_TRUE(movKeyHeld(altShift, heldModifiers(true, true, true, true)));  // more is fine
    EXPECT_FALSE(movKeyHeld(altShift, heldModifiers(true, false, false, false)));
    EXPECT_FALSE(movKeyHeld(altShift, heldModifiers(false, true, true, true)));
    // Each bit stands for its own key.
    EXPECT_TRUE(movKeyHeld(2, heldModifiers(false, true, false, false)));
    EXPECT_FALSE(movKeyHeld(2, heldModifiers(true, false, true, true)));
    EXPECT_TRUE(movKeyHeld(8, heldModifiers(false, false, false, true)));
    EXPECT_FALSE(movKeyHeld(8, heldModifiers(true, true, true, false)));
    // No modifier in the setting: every edge contact flips.
    EXPECT_TRUE(movKeyHeld(0, heldModifiers(false, false, false, false)));
}

PointerInput at(Point p, bool flipWanted) {
    PointerInput in;
    in.cursor = p;
    in.plane = plane(0, 0);
    in.flipWanted = flipWanted;
    in.popupCtrlWnd = true;
    return in;
}

TEST(PointerAction, AnEdgeFlipsWhenWantedAndPossibleAndOtherwiseWaitsForThePopup) {
    EXPECT_EQ(pointerAction(at({1919, 10}, true)).kind, Kind::Flip);
    EXPECT_EQ(pointerAction(at({1919, 10}, true)).step.hotkey, kHotkeyRight);
    // Not wanted, or blocked at the border: the popup delay starts instead.
    EXPECT_EQ(pointerAction(at({1919, 10}, false)).kind, Kind::StartPopupDelay);
    EXPECT_EQ(pointerAction(at({-1280, 10}, true)).kind, Kind::StartPopupDelay);

    PointerInput in = at({1919, 10}, false);
    in.popupCtrlWnd = false;
    EXPECT_EQ(pointerAction(in).kind, Kind::None);
    in = at({1919, 10}, false);
    in.windowBeingMoved = true;
    EXPECT_EQ(pointerAction(in).kind, Kind::None);
    in = at({1919, 10}, false);
    in.ctrlWndVisible = true;
    in.ctrlWndRect = Rect{1800, 0, 1919, 100};
    EXPECT_EQ(pointerAction(in).kind, Kind::None);  // neither popped up again nor hidden
}

TEST(PointerAction, TheVisibleControlWindowHidesOnceTheCursorLeavesItsBorders) {
    PointerInput in = at({500, 500}, false);
    in.ctrlWndVisible = true;
    in.ctrlWndRect = Rect{400, 400, 600, 600};
    EXPECT_EQ(pointerAction(in).kind, Kind::None);
    for (const Point border : {Point{400, 500}, Point{600, 500}, Point{500, 400}, Point{500, 600}}) {
        in.cursor = border;
        EXPECT_EQ(pointerAction(in).kind, Kind::None) << border.x << "," << border.y;
    }
    for (const Point outside : {Point{399, 500}, Point{601, 500}, Point{500, 399}, Point{500, 601}}) {
        in.cursor = outside;
        EXPECT_EQ(pointerAction(in).kind, Kind::HideCtrlWnd) << outside.x << "," << outside.y;
    }
    in.ctrlWndVisible = false;
    EXPECT_EQ(pointerAction(in).kind, Kind::None);
}

}  // namespace
}  // namespace zelvane
