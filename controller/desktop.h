#pragma once
// The one interface between the workspace logic and the window system.
// Only the placement executor holds it: the model decides on plain data, the
// executor reads the windows and carries the decisions out through this
// port, so the logic compiles and is tested without a window system; the
// Win32 build implements it in win32/.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "controller/geometry.h"

namespace zelvane {

// A top-level window handle, as an integer (0 is "no window").
using WindowId = std::uintptr_t;
constexpr WindowId kNoWindow = 0;

// A window to show again, at pos (unless empty), if this process dies: its
// home position, where a clean exit would put it.
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

// Which run of the system a window handle belongs to. Handles are valid only
// within the logon session that made them, and the system reuses them after
// a reboot, so a handle written down in one run names an unrelated window
// (or nothing) in another.
struct SessionStamp {
    std::uint64_t logon = 0;     // the logon session; unique within one boot
    std::int64_t bootTime = 0;   // when the system started, in seconds since 1970 (UTC)
    std::uint64_t uptimeMs = 0;  // how long it had been running when this was read
};

class Desktop {
public:
    virtual ~Desktop() = default;

    // Queries. None of them waits for the window's program; any thread.
    virtual ScreenMetrics metrics() const = 0;
    virtual std::vector<WindowId> topLevelWindows() const = 0;  // top of the Z order first
    virtual bool isWindow(WindowId w) const = 0;
    virtual bool isVisible(WindowId w) const = 0;
    virtual bool isMinimized(WindowId w) const = 0;
    virtual Rect windowRect(WindowId w) const = 0;
    virtual std::string className(WindowId w) const = 0;  // UTF-8, at most 511 characters
    // The window belongs to this process (a message box of ours, say).
    virtual bool ownedByThisProcess(WindowId w) const = 0;
    virtual std::uint32_t style(WindowId w) const = 0;
    virtual std::uint32_t exStyle(WindowId w) const = 0;
    // Shown by its program but kept off the screen by the system (a
    // suspended app, a window on another of the system's own desktops).
    virtual bool isCloaked(WindowId w) const = 0;
    virtual WindowId owner(WindowId w) const = 0;
    virtual WindowId foregroundWindow() const = 0;
    virtual WindowId shellWindow() const = 0;  // the desktop's own window

    // Posts one request to w's own thread: move to pos (unless empty, which
    // keeps the window where it is), then show or hide it, never activating
    // it and keeping its size and Z order. Never waits: the window's program
    // carries the requests out in the order they were posted, when it next
    // answers, so the newest one decides where the window ends up. False when
    // the system refused the request (the window is gone, or belongs to a
    // program we may not place, such as one running as administrator).
    virtual bool placeWindow(WindowId w, std::optional<Point> pos, bool show) = 0;
    // The window's program has not taken its messages for a while (the
    // system's own test of a hung program).
    virtual bool isHung(WindowId w) const = 0;
    // The thread that owns w (0 when w is gone): one thread carries out the
    // requests posted to its windows in order.
    virtual std::uint32_t windowThread(WindowId w) const = 0;
    // Asks the thread of w to report `ticket` once it has taken the requests
    // posted to it so far; the report reaches the notice handler on the UI
    // thread, while it takes its messages, or never (a thread that hangs for
    // good). False when the request could not be made (w is gone).
    virtual bool requestNotice(WindowId w, std::uint64_t ticket) = 0;
    // Where the reports go; an empty function stops them. UI thread only.
    virtual void setNoticeHandler(std::function<void(std::uint64_t)> handler) = 0;

    // Brings w to the foreground; may wait for the window that has it now.
    // stillWanted is asked right before each attempt (the wait may have
    // outlasted the request): false gives up. Only the activation workers
    // call it, never the UI thread.
    virtual bool setForeground(WindowId w, const std::function<bool()>& stillWanted) = 0;
    // Waits (at most limitMs) until no modifier key (Alt, Ctrl, Shift, Win) is down.
    virtual void waitForModifiersReleased(int limitMs) = 0;

    // Where each window whose state we changed (hidden on another workspace,
    // shown off the screen for the preview, moved aside) must go should this
    // process die: the list is kept where a crash handler can reach it
    // without allocating. Each call replaces the previous list.
    virtual void setRescueList(const std::vector<RescuePlacement>& list) = 0;

    // This run of the system, for the window-list file.
    virtual SessionStamp sessionStamp() const = 0;
};

}  // namespace zelvane
