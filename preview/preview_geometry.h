#pragma once
// Where the workspace plane is drawn in the preview, and how it moves: the
// resting rectangle, the cells, the mapping of plane rectangles into the
// preview, the zoom and pan frames and their easing. Pure arithmetic, no
// window system; every product is taken in 64 bits, so five columns of
// 3840-pixel screens (a plane of 19200 pixels) times a 3840-pixel window
// cannot overflow. Any thread may call these.
#include <algorithm>
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
// The same for a linear progress t (0..1): fast at first, slow at the end.
double easeOut(double t);

// Frames of a zoom: transitionTime / 10, at least 1.
std::int32_t zoomFrameCount(std::int32_t transitionTime);
// Frames of a pan over (rows, cols) cells: trunc(transitionTime x distance / 10), at least 1.
std::int32_t panFrameCount(std::int32_t transitionTime, std::int32_t rows, std::int32_t cols);
// An animation lasts its frame count times kFrameMs: a zoom about
// transitionTime ms, a pan that much per cell of distance.
constexpr std::int32_t kFrameMs = 10;
std::int64_t zoomDurationMs(std::int32_t transitionTime);
std::int64_t panDurationMs(std::int32_t transitionTime, std::int32_t rows, std::int32_t cols);

// Runs an animation of durationMs that follows the clock. The first frame
// is drawn at once, one frame interval in, and the clock starts when it is
// on the screen: the first frame is often the dearest (pictures drawn for
// the first time) and must not eat into the motion. Each later frame shows
// the linear progress (0..1) of the moment it will be on the screen, taken
// as when it starts plus what the frame before cost to draw, never less
// than the frame before showed. Frames are due every kFrameMs; a slow one is
// followed at once by the next, which jumps ahead (the frames in between
// are dropped), so the motion lasts durationMs however slow drawing is,
// overrunning it by at most one frame. The last frame has progress exactly
// 1. now() gives milliseconds, wait(ms) sleeps, frame(progress) draws.
// Returns the frames drawn.
template <typename Now, typename Wait, typename Frame>
std::int32_t runAnimation(std::int64_t durationMs, Now now, Wait wait, Frame frame) {
    if (durationMs <= kFrameMs) {
        frame(1.0);
        return 1;
    }
    double shown = static_cast<double>(kFrameMs) / static_cast<double>(durationMs);
    frame(shown);
    const std::int64_t start = now() - kFrameMs;
    std::int64_t lastCost = 0;
    std::int64_t due = 2 * kFrameMs;
    for (std::int32_t frames = 2;; ++frames) {
        std::int64_t began = now() - start;
        if (began < due) {
            wait(due - began);
            began = now() - start;
        }
        const double t = static_cast<double>(began + lastCost) / static_cast<double>(durationMs);
        shown = t >= 1.0 ? 1.0 : std::max(shown, t);
        frame(shown);
        if (shown >= 1.0) return frames;
        lastCost = now() - start - began;
        due = (began / kFrameMs + 1) * kFrameMs;
    }
}

// The plane's rectangle in preview-window coordinates during a zoom:
// t = 0 shows the selected workspace filling the virtual screen, t = 1 the
// resting picture.
Rect zoomRect(double t, Workspace selection, const RestingGeometry& rest, const PreviewLayout& layout);

// Where cell `cell` of a grid of rows x cols is drawn when the whole plane
// is drawn at `plane` (each cell an equal share, truncated).
Rect cellRect(const Rect& plane, Workspace cell, std::int32_t rows, std::int32_t cols);

// The full-size plane while panning from `from` to `to`, at progress p.
Rect panRect(double p, Workspace from, Workspace to, const PreviewLayout& layout);

// The full-size plane with workspace ws filling the virtual screen.
Rect fullSizeRect(Workspace ws, const PreviewLayout& layout);

// The distant view's background (one picture spread over the whole plane)
// magnifies as the preview zooms in: at rest the picture covers the whole
// plane, and with one workspace filling the screen that workspace shows the
// crop of the picture that is its desktop wallpaper (spreadCrop). For the
// plane drawn at `plane` on the view, the picture's place on the view: a
// picture of canvasWidth x canvasHeight (the resting size) stretched into
// the returned rectangle.
Rect spreadPicturePlacement(const Rect& plane, std::int32_t canvasWidth, std::int32_t canvasHeight,
                            const PreviewLayout& layout, std::int32_t spreadScale);

// The part of the plane's rectangle that lies on the view (viewWidth x
// viewHeight at the origin), and the part of a canvas of canvasWidth x
// canvasHeight that a stretch of the canvas onto `plane` puts there, rounded
// outwards: stretching only that part draws what stretching the whole canvas
// would (to within a pixel), without working on the pixels off the view.
// Empty when nothing is on the view.
struct VisiblePart {
    Rect view;    // on the view window
    Rect canvas;  // of the canvas
    bool empty() const { return view.right <= view.left || view.bottom <= view.top; }
};
VisiblePart visiblePart(const Rect& plane, std::int32_t viewWidth, std::int32_t viewHeight, std::int32_t canvasWidth,
                        std::int32_t canvasHeight);

// The dim overlay's fade: steps and the alpha after step k.
std::int32_t fadeSteps(std::int32_t transitionTime);
std::uint8_t fadeAlpha(std::int32_t k, std::int32_t steps);

}  // namespace zelvane
