#pragma once
// The one interface between the workspace logic and the window system.
// The controller sees windows only through it, so the logic compiles and is
// tested without a window system; the Win32 build implements it in win32/.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zelvane {

// A top-level window handle, as an integer (0 is "no window").
using WindowId = std::uintptr_t;
constexpr WindowId kNoWindow = 0;

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

inline bool operator==(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator!=(const Rect& a, const Rect& b) { return !(a == b); }

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// A window to show again, at pos (unless empty), if this process dies.
struct RescuePlacement {
    WindowId window = kNoWindow;
    std::optional<Point> pos;
};

struct ScreenMetrics {
    std::int32_t screenWidth = 0;   // primary screen
    std::int32_t screenHeight = 0;
    std::int32_t virtualLeft = 0;   // all monitors together
    std::int32_t virtualTop = 0;
    std::int32_t virtualWidth = 0;
    std::int32_t virtualHeight = 0;
};

class Desktop {
public:
    virtual ~Desktop() = default;

    // Queries. None of them waits for the window's program.
    virtual ScreenMetrics metrics() const = 0;
    virtual std::vector<WindowId> topLevelWindows() const = 0;  // top of the Z order first
    virtual bool isWindow(WindowId w) const = 0;
    virtual bool isVisible(WindowId w) const = 0;
    virtual bool isMinimized(WindowId w) const = 0;
    virtual Rect windowRect(WindowId w) const = 0;
    virtual std::string className(WindowId w) const = 0;  // UTF-8, at most 511 characters
    virtual std::uint32_t style(WindowId w) const = 0;
    virtual WindowId foregroundWindow() const = 0;
    virtual WindowId shellWindow() const = 0;  // the desktop's own window

    // Posts one request to w's own thread: move to pos (unless empty, which
    // keeps the window where it is), then show or hide it, never activating
    // it and keeping its size and Z order. Never waits: the window's program
    // carries the requests out in the order they were posted, when it next
    // answers, so the newest one decides where the window ends up.
    virtual void placeWindow(WindowId w, std::optional<Point> pos, bool show) = 0;
    // Whether a request posted to w has not been carried out yet (its live
    // position and visibility are then stale).
    virtual bool placementPending(WindowId w) const = 0;
    // Ends a batch of placements: asks each program that got requests to say
    // when it has carried them out (one notice per thread, not per window).
    // Until then the batch's windows count as pending. UI thread only.
    virtual void flushPlacements() = 0;

    // Brings w to the foreground; may wait for the window that has it now.
    // Only the activation workers call it, never the UI thread.
    virtual bool setForeground(WindowId w) = 0;
    // Waits (at most limitMs) until no modifier key (Alt, Ctrl, Shift, Win) is down.
    virtual void waitForModifiersReleased(int limitMs) = 0;

    // Where each window hidden on another workspace must go should this
    // process die: the list is kept where a crash handler can reach it
    // without allocating. Each call replaces the previous list.
    virtual void setRescueList(const std::vector<RescuePlacement>& list) = 0;
};

}  // namespace zelvane
