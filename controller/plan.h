#pragma once
// What passes between the workspace model and the placement executor: a
// snapshot of the live windows goes in, a plan comes out. Plain data.
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "controller/desktop.h"

namespace zelvane {

// One top-level window as it was read at one moment.
struct LiveWindow {
    WindowId id = kNoWindow;
    bool visible = false;
    bool minimized = false;
    Rect rect;               // read for visible windows and for those we place
    bool inFlight = false;   // a placement posted to it is not carried out yet: visible and rect are stale
    // Shown by its program but kept off the screen by the system (a
    // suspended app, a window on another of the system's own desktops): read
    // for visible windows (kReadCloaking).
    bool cloaked = false;
    // Read only for windows the model has no record of (kReadClass).
    bool described = false;
    std::string className;
    std::uint32_t style = 0;
    bool ours = false;  // a window of this process
    // Read only for the preview.
    std::uint32_t exStyle = 0;
    WindowId owner = kNoWindow;
};

// What a snapshot reads of a window, as bits: the model says, the executor
// reads. Every read is a call into the window system, and a snapshot covers
// every top-level window (hundreds on a busy desktop), so each plan asks
// only for what it looks at.
enum ReadBits : unsigned {
    kReadNothing = 0,            // only that the window exists
    kReadVisibility = 1,         // visible, and when it is, minimized and the rectangle
    kReadGeometry = 2,           // minimized and the rectangle even when hidden
    kReadClass = 4,              // class, style and whether it is one of ours
    kReadClassIfShown = 8,       // the same of a window that is visible and not minimized
    kReadPreviewTraits = 16,     // extended style, owner and cloaking, of a window visible or read in full
    kReadCloaking = 32,          // whether a visible window is cloaked
};

struct Snapshot {
    std::vector<LiveWindow> windows;  // every top-level window, top of the Z order first
    WindowId foreground = kNoWindow;
    WindowId shell = kNoWindow;

    const LiveWindow* find(WindowId w) const {
        const auto it = index.find(w);
        return it == index.end() ? nullptr : &windows[it->second];
    }
    // Rebuilds the look-up after windows changed.
    void reindex() {
        index.clear();
        for (std::size_t i = 0; i < windows.size(); ++i) index.emplace(windows[i].id, i);
    }

private:
    std::unordered_map<WindowId, std::size_t> index;
};

// Move a window to pos (unless empty) and show or hide it.
struct Placement {
    WindowId window = kNoWindow;
    std::optional<Point> pos;
    bool show = false;
};

struct Plan {
    std::vector<Placement> placements;     // in the order they are to be posted
    WindowId focus = kNoWindow;             // to bring forward once shown; none: leave the foreground alone
    // Should this process die after the plan, these windows go here: every
    // window whose state we changed, at its home position.
    std::vector<RescuePlacement> rescue;
};

}  // namespace zelvane
