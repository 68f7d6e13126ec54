#pragma once
// One record per top-level window: what the controller knows of it.
#include <cstdint>
#include <optional>
#include <string>

#include "controller/cells.h"
#include "controller/desktop.h"
#include "controller/plane.h"

namespace zelvane {
struct LiveWindow;
}

namespace zelvane {

// Why a window is never moved, hidden or shown.
enum class ExemptReason {
    None,
    SystemClass,  // the shell's windows and our own window classes
    Excluded,     // a class the user listed
    PlayerSkin,   // a media player's skin host
    OwnWindow,    // a window of this process (a message box of ours)
    Cloaked,      // kept off the screen by the system; left alone while it is
    Refused,      // the system refused to place it (a program running as administrator)
};

struct WndInfo {
    WindowId hwnd = kNoWindow;
    bool exempt = false;     // never moved, hidden or shown (shell, own windows, excluded classes)
    ExemptReason reason = ExemptReason::None;  // why it is exempt
    bool managed = false;    // was visible when last measured, so switches move it
    bool minimized = false;  // was minimized when last measured
    std::string className;   // UTF-8
    // The window rectangle in plane coordinates.
    std::int32_t left = 0;
    std::int32_t right = 0;
    std::int32_t top = 0;
    std::int32_t bottom = 0;
    // How far a window must reach into a neighbouring workspace to belong to it.
    double marginX = 0;
    double marginY = 0;

    std::int32_t width() const { return right - left; }
    std::int32_t height() const { return bottom - top; }
    Rect planeRect() const { return {left, top, right, bottom}; }
    bool moveBy(std::int32_t dx, std::int32_t dy);

    // Refreshes the record from its live window, measured on the plane's
    // current workspace.
    void update(const LiveWindow& live, const Plane& plane);
    bool isOnCurrentWS(const Plane& plane) const;
    // Where the window goes on the screen when plane's current workspace shows.
    Point screenPosition(const Plane& plane) const {
        return {left - plane.offsetX(), top - plane.offsetY()};
    }

    // The window's own workspace: the cell that holds the larger part of it
    // (on a tie the one of its top-left corner). It may lie outside the grid.
    Cell homeCell(const Plane& plane) const;
    // The cell that holds its top-left corner: the workspace a window that
    // overhangs the plane's outer edges still belongs to.
    Cell cornerCell(const Plane& plane) const;
    // Where the window sits on the screen when its own workspace shows,
    // moved so that it lies wholly on the screen where it fits (where it
    // does not, its top-left corner is on the screen).
    Point homeScreenPosition(const Plane& plane) const;
    // Where the window goes when we let go of it (a clean exit, a crash
    // rescue): a window of the current workspace stays where it is, the
    // user sees it there; any other goes to its home screen position.
    Point releasePosition(const Plane& plane) const;
    // Moves the window from one cell to another, keeping its place inside.
    void moveToCell(Cell from, Cell to, const Plane& plane);
    // The screen changed from `from` to `to`: the window keeps its cell and
    // its place inside it, moved (along the sides whose length changed) so
    // that it lies on the new screen where it fits.
    void rebase(Cell cell, const Plane& from, const Plane& to);

    // One line of the window-list file: ten comma-separated fields.
    std::string toText() const;
    static std::optional<WndInfo> fromText(const std::string& line);
};

}  // namespace zelvane
