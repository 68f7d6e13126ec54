#pragma once
// Where the workspace plane is drawn in the preview, and how it moves: the
// resting rectangle, the cells, the mapping of plane rectangles into the
// preview, the zoom and pan frames and their easing. Pure arithmetic, no
// window system; every product is taken in 64 bits, so five columns of
// 3840-pixel screens (a plane of 19200 pixels) times a 3840-pixel window
// cannot overflow. Any thread may call these.
#include <cstdint>
#include <optional>

#include "controller/switch_request.h"
#include "controller/desktop.h"

namespace zelvane {

// The plane at rest, centred on the primary screen, in primary-screen pixels.
struct RestingGeometry {
    std::int32_t restW = 0;
    std::int32_t restH = 0;
    std::int32_t restLeft = 0;
    std::int32_t restTop = 0;
    std::int32_t cellW = 0;
    std::int32_t cellH = 0;
    std::int32_t restRight() const { return restLeft + restW; }
    std::int32_t restBottom() const { return restTop + restH; }
    bool contains(Point p) const {
        return p.x >= restLeft && p.x < restRight() && p.y >= restTop && p.y < restBottom();
    }
};

// The sizes the preview works with.
struct PreviewLayout {
    std::int32_t screenWidth = 0;  // primary screen
    std::int32_t screenHeight = 0;
    std::int32_t virtualLeft = 0;
    std::int32_t virtualTop = 0;
    std::int32_t virtualWidth = 0;
    std::int32_t virtualHeight = 0;
    std::int32_t rows = 1;
    std::int32_t cols = 1;
    std::int32_t planeWidth() const { return virtualWidth * cols; }
    std::int32_t planeHeight() const { return virtualHeight * rows; }
};

// Width from the screen width and the scale (percent), height from the
// plane's aspect; when that height does not fit, the size comes from the
// screen height instead.
RestingGeometry restingGeometry(const PreviewLayout& layout, std::int32_t scalePercent);

// A plane rectangle (plane coordinates, origin at planeLeft/planeTop) drawn
// into `target` (the whole plane's rectangle there): truncating division
// after the multiplication.
Rect mapPlaneRect(const Rect& planeRect, std::int32_t planeLeft, std::int32_t planeTop, std::int32_t planeWidth,
                  std::int32_t planeHeight, const Rect& target);

// The canvas rectangle a dirty plane rectangle repaints: one pixel wider and
// higher than the mapped size, against rounding gaps.
Rect dirtyCanvasRect(const Rect& planeRect, std::int32_t planeLeft, std::int32_t planeTop, std::int32_t planeWidth,
                     std::int32_t planeHeight, std::int32_t canvasWidth, std::int32_t canvasHeight);

// A screen point over the resting plane, in plane coordinates.
Point screenToPlane(Point screen, const RestingGeometry& rest, const PreviewLayout& layout);

// The cell under a screen point; none outside the resting rectangle. A point
// on the line between two cells belongs to the upper (left) one.
std::optional<Workspace> cellAt(Point screen, const RestingGeometry& rest, const PreviewLayout& layout);

// Ease-out: 1 - ((n - i) / n)^4, frame i of n, i clamped to 0..n.
double easeOut(std::int32_t i, std::int32_t n);

// Frames of a zoom: transitionTime / 10, at least 1.
std::int32_t zoomFrameCount(std::int32_t transitionTime);
// Frames of a pan over (rows, cols) cells: trunc(transitionTime x distance / 10), at least 1.
std::int32_t panFrameCount(std::int32_t transitionTime, std::int32_t rows, std::int32_t cols);
// Frames are due every kFrameMs from the start: frame i (1-based) no earlier
// than i x kFrameMs. Pacing by the clock keeps the whole animation near its
// nominal time however long each paint takes, and keeps every frame.
constexpr std::int32_t kFrameMs = 10;
std::int64_t msUntilFrame(std::int32_t i, std::int64_t elapsedMs);

// The plane's rectangle in preview-window coordinates during a zoom:
// t = 0 shows the selected workspace filling the virtual screen, t = 1 the
// resting picture.
Rect zoomRect(double t, Workspace selection, const RestingGeometry& rest, const PreviewLayout& layout);

// The full-size plane while panning from `from` to `to`, at progress p.
Rect panRect(double p, Workspace from, Workspace to, const PreviewLayout& layout);

// The full-size plane with workspace ws filling the virtual screen.
Rect fullSizeRect(Workspace ws, const PreviewLayout& layout);

// The dim overlay's fade: steps and the alpha after step k.
std::int32_t fadeSteps(std::int32_t transitionTime);
std::uint8_t fadeAlpha(std::int32_t k, std::int32_t steps);

}  // namespace zelvane
