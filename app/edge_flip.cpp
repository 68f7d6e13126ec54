#include "app/edge_flip.h"

#include "app/hotkeys.h"
#include "config/settings.h"

namespace zelvane {

namespace {

// How far inside the opposite edge the cursor lands, so that it does not
// touch an edge again at once.
constexpr std::int32_t kLandingInset = 5;

}  // namespace

Edge edgeAt(Point p, const Plane& plane) {
    if (p.x == plane.virtualLeft) return Edge::Left;
    if (p.x == plane.virtualRight() - 1) return Edge::Right;
    if (p.y == plane.virtualTop) return Edge::Top;
    if (p.y == plane.virtualBottom() - 1) return Edge::Bottom;
    return Edge::None;
}

EdgeStep edgeStep(Point p, const Plane& plane, bool loop) {
    EdgeStep s;
    s.edge = edgeAt(p, plane);
    s.cursorTo = p;
    const bool lastCol = plane.currentCol >= plane.cols - 1;
    const bool lastRow = plane.currentRow >= plane.rows - 1;
    switch (s.edge) {
        case Edge::None:
            return s;
        case Edge::Left:
            s.blocked = plane.cols <= 1 || (plane.currentCol <= 0 && !loop);
            s.cursorTo.x = plane.virtualRight() - kLandingInset;
            s.hotkey = kHotkeyLeft;
            break;
        case Edge::Right:
            s.blocked = plane.cols <= 1 || (lastCol && !loop);
            s.cursorTo.x = plane.virtualLeft + kLandingInset;
            s.hotkey = kHotkeyRight;
            break;
        case Edge::Top:
            s.blocked = plane.rows <= 1 || (plane.currentRow <= 0 && !loop);
            s.cursorTo.y = plane.virtualBottom() - kLandingInset;
            s.hotkey = kHotkeyUp;
            break;
        case Edge::Bottom:
            s.blocked = plane.rows <= 1 || (lastRow && !loop);
            s.cursorTo.y = plane.virtualTop + kLandingInset;
            s.hotkey = kHotkeyDown;
            break;
    }
    s.carryHotkey = s.hotkey - kHotkeyLeft + kHotkeyCarryLeft;
    return s;
}

std::int32_t heldModifiers(bool alt, bool ctrl, bool shift, bool win) {
    return (alt ? kModAlt : 0) | (ctrl ? kModCtrl : 0) | (shift ? kModShift : 0) | (win ? kModWin : 0);
}

bool movKeyHeld(std::int32_t movKey, std::int32_t held) {
    const std::int32_t wanted = movKey & (kModAlt | kModCtrl | kModShift | kModWin);
    return (held & wanted) == wanted;
}

PointerAction pointerAction(const PointerInput& in) {
    PointerAction a;
    a.step = edgeStep(in.cursor, in.plane, in.loop);
    if (a.step.edge == Edge::None) {
        const Rect& r = in.ctrlWndRect;
        const bool inside =
            r.left <= in.cursor.x && in.cursor.x <= r.right && r.top <= in.cursor.y && in.cursor.y <= r.bottom;
        if (in.ctrlWndVisible && !inside) a.kind = PointerAction::Kind::HideCtrlWnd;
        return a;
    }
    if (in.flipWanted && !a.step.blocked) {
        a.kind = PointerAction::Kind::Flip;
    } else if (in.popupCtrlWnd && !in.ctrlWndVisible && !in.windowBeingMoved) {
        a.kind = PointerAction::Kind::StartPopupDelay;
    }
    return a;
}

bool onEdgeLine(Point p, std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
    return p.x == left || p.x == left + width - 1 || p.y == top || p.y == top + height - 1;
}

}  // namespace zelvane
