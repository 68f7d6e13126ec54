#pragma once
// The one interface between the workspace logic and the window system.
// The controller sees windows only through it, so the logic compiles and is
// tested without a window system; the Win32 build implements it in win32/.
#include <cstdint>
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

    // These may block for as long as the window's program does not answer.
    // Only the placement workers call them, never the UI thread.
    virtual void moveWindow(WindowId w, std::int32_t x, std::int32_t y) = 0;  // size and Z order kept
    virtual void showWindow(WindowId w, bool show) = 0;                       // never activates
    virtual bool setForeground(WindowId w) = 0;
    // Waits (at most limitMs) until no modifier key (Alt, Ctrl, Shift, Win) is down.
    virtual void waitForModifiersReleased(int limitMs) = 0;

    // These never block: the request is queued to the window's own thread and
    // carried out, in order, when its program answers again.
    virtual void moveWindowAsync(WindowId w, std::int32_t x, std::int32_t y) = 0;
    virtual void showWindowAsync(WindowId w, bool show) = 0;
};

}  // namespace zelvane
