#pragma once
// One record per top-level window: what the controller knows of it.
#include <cstdint>
#include <optional>
#include <string>

#include "controller/desktop.h"
#include "controller/plane.h"

namespace zelvane {
struct LiveWindow;
}

namespace zelvane {

struct WndInfo {
    WindowId hwnd = kNoWindow;
    bool exempt = false;     // never moved, hidden or shown (shell, own windows, excluded classes)
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
    bool moveBy(std::int32_t dx, std::int32_t dy);

    // Refreshes the record from its live window, measured on the plane's
    // current workspace.
    void update(const LiveWindow& live, const Plane& plane);
    bool isOnCurrentWS(const Plane& plane) const;
    // Where the window goes on the screen when plane's current workspace shows.
    Point screenPosition(const Plane& plane) const {
        return {left - plane.offsetX(), top - plane.offsetY()};
    }

    // Where the window sits on the screen when its own workspace shows: the
    // workspace that holds its top-left corner (the first one if that lies
    // before the plane).
    Point homeScreenPosition(const Plane& plane) const;

    // One line of the window-list file: ten comma-separated fields.
    std::string toText() const;
    static std::optional<WndInfo> fromText(const std::string& line);
};

}  // namespace zelvane
