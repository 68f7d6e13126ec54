#pragma once
// Where the cursor touches the edge of the virtual screen, whether that leads
// to the neighbouring workspace, and what the main window does about a
// cursor position reported by the mouse hook.
#include <cstdint>

#include "controller/desktop.h"
#include "controller/plane.h"

namespace zelvane {

enum class Edge { None, Left, Right, Top, Bottom };

// The edge the point lies on, the right and bottom edges being the last
// pixel inside. A corner counts as the first edge in the order left, right,
// top, bottom.
Edge edgeAt(Point p, const Plane& plane);

struct EdgeStep {
    Edge edge = Edge::None;
    // At the border of the grid without looping, or on a grid one workspace
    // wide (or high) in the edge's direction: there is nowhere to go.
    bool blocked = false;
    Point cursorTo;        // 5 pixels inside the opposite edge
    int hotkey = 0;        // the direction's hotkey, 100001 to 100004
    int carryHotkey = 0;   // the same carrying the foreground window, 100005 to 100008
};

EdgeStep edgeStep(Point p, const Plane& plane, bool loop);

// The modifier keys that are down, as a set of the setting's bits
// (1 Alt, 2 Ctrl, 4 Shift, 8 Win).
std::int32_t heldModifiers(bool alt, bool ctrl, bool shift, bool win);

// True when every modifier of movKey is down; always true for movKey 0.
bool movKeyHeld(std::int32_t movKey, std::int32_t held);

struct PointerInput {
    Point cursor;
    Plane plane;
    bool loop = false;
    // The switching modifiers are down, or the right button is held.
    bool flipWanted = false;
    bool popupCtrlWnd = false;
    bool windowBeingMoved = false;
    bool ctrlWndVisible = false;
    Rect ctrlWndRect;  // meaningful while the control window is visible
};

struct PointerAction {
    enum class Kind {
        None,
        Flip,             // move the cursor to step.cursorTo and post step.hotkey
        StartPopupDelay,  // the cursor rests on an edge without flipping
        HideCtrlWnd,      // the cursor left the visible control window
    } kind = Kind::None;
    EdgeStep step;
};

PointerAction pointerAction(const PointerInput& in);

// True when the point is on one of the four edge lines of the virtual
// screen at (left, top) of the given size: the popup-delay worker's test.
bool onEdgeLine(Point p, std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height);

}  // namespace zelvane
