#include "preview/preview_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zelvane {

namespace {

std::int32_t clamp32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

// a x b / c in 64 bits, truncating; 0 when c is 0.
std::int64_t mulDiv(std::int64_t a, std::int64_t b, std::int64_t c) { return c == 0 ? 0 : a * b / c; }

}  // namespace

RestingGeometry restingGeometry(const PreviewLayout& l, std::int32_t scalePercent) {
    RestingGeometry g;
    const std::int64_t pw = l.planeWidth(), ph = l.planeHeight();
    if (pw <= 0 || ph <= 0 || l.rows <= 0 || l.cols <= 0) return g;
    std::int64_t w = mulDiv(l.screenWidth, scalePercent, 100);
    std::int64_t h = mulDiv(w, ph, pw);
    if (h > l.screenHeight) {
        h = mulDiv(l.screenHeight, scalePercent, 100);
        w = mulDiv(h, pw, ph);
    }
    g.restW = clamp32(w);
    g.restH = clamp32(h);
    g.restLeft = (l.screenWidth - g.restW) / 2;
    g.restTop = (l.screenHeight - g.restH) / 2;
    g.cellW = g.restW / l.cols;
    g.cellH = g.restH / l.rows;
    return g;
}

Rect mapPlaneRect(const Rect& r, std::int32_t planeLeft, std::int32_t planeTop, std::int32_t planeWidth,
                  std::int32_t planeHeight, const Rect& target) {
    const std::int64_t tw = std::int64_t{target.right} - target.left;
    const std::int64_t th = std::int64_t{target.bottom} - target.top;
    auto x = [&](std::int32_t v) { return clamp32(mulDiv(std::int64_t{v} - planeLeft, tw, planeWidth) + target.left); };
    auto y = [&](std::int32_t v) { return clamp32(mulDiv(std::int64_t{v} - planeTop, th, planeHeight) + target.top); };
    return Rect{x(r.left), y(r.top), x(r.right), y(r.bottom)};
}

Rect dirtyCanvasRect(const Rect& r, std::int32_t planeLeft, std::int32_t planeTop, std::int32_t planeWidth,
                     std::int32_t planeHeight, std::int32_t cw, std::int32_t ch) {
    const std::int64_t x = mulDiv(std::int64_t{r.left} - planeLeft, cw, planeWidth);
    const std::int64_t y = mulDiv(std::int64_t{r.top} - planeTop, ch, planeHeight);
    const std::int64_t w = mulDiv(std::int64_t{r.right} - r.left, cw, planeWidth) + 1;
    const std::int64_t h = mulDiv(std::int64_t{r.bottom} - r.top, ch, planeHeight) + 1;
    return Rect{clamp32(x), clamp32(y), clamp32(x + w), clamp32(y + h)};
}

Point screenToPlane(Point s, const RestingGeometry& rest, const PreviewLayout& l) {
    return Point{clamp32(mulDiv(std::int64_t{s.x} - rest.restLeft, l.planeWidth(), rest.restW) + l.virtualLeft),
                 clamp32(mulDiv(std::int64_t{s.y} - rest.restTop, l.planeHeight(), rest.restH) + l.virtualTop)};
}

std::optional<Workspace> cellAt(Point s, const RestingGeometry& rest, const PreviewLayout& l) {
    if (!rest.contains(s) || rest.cellW <= 0 || rest.cellH <= 0) return std::nullopt;
    Workspace ws{l.rows - 1, l.cols - 1};
    for (std::int32_t r = 0; r < l.rows; ++r)
        if (std::int64_t{r + 1} * rest.cellH + rest.restTop >= s.y) {
            ws.row = r;
            break;
        }
    for (std::int32_t c = 0; c < l.cols; ++c)
        if (std::int64_t{c + 1} * rest.cellW + rest.restLeft >= s.x) {
            ws.col = c;
            break;
        }
    return ws;
}

double easeOut(std::int32_t i, std::int32_t n) {
    if (n <= 0) return 1.0;
    i = std::clamp(i, 0, n);
    const double rest = static_cast<double>(n - i) / n;
    return 1.0 - rest * rest * rest * rest;
}

std::int32_t zoomFrameCount(std::int32_t transitionTime) { return std::max(1, transitionTime / kFrameMs); }

std::int32_t panFrameCount(std::int32_t transitionTime, std::int32_t rows, std::int32_t cols) {
    const long double distance = std::sqrt(static_cast<long double>(rows) * rows + static_cast<long double>(cols) * cols);
    const long double n = std::trunc(transitionTime * distance / kFrameMs);
    if (n < 1) return 1;
    return n > 100000 ? 100000 : static_cast<std::int32_t>(n);
}

double easeOut(double t) {
    t = std::clamp(t, 0.0, 1.0);
    const double rest = 1.0 - t;
    return 1.0 - rest * rest * rest * rest;
}

std::int64_t zoomDurationMs(std::int32_t transitionTime) { return std::int64_t{zoomFrameCount(transitionTime)} * kFrameMs; }

std::int64_t panDurationMs(std::int32_t transitionTime, std::int32_t rows, std::int32_t cols) {
    return std::int64_t{panFrameCount(transitionTime, rows, cols)} * kFrameMs;
}

Rect zoomRect(double t, Workspace sel, const RestingGeometry& rest, const PreviewLayout& l) {
    t = std::clamp(t, 0.0, 1.0);
    const std::int64_t x0 = std::int64_t{sel.col} * rest.cellW + rest.restLeft - l.virtualLeft;
    const std::int64_t y0 = std::int64_t{sel.row} * rest.cellH + rest.restTop - l.virtualTop;
    const std::int64_t dW = std::int64_t{l.virtualWidth} - rest.cellW;
    const std::int64_t dH = std::int64_t{l.virtualHeight} - rest.cellH;
    const std::int64_t w = l.virtualWidth - static_cast<std::int64_t>(dW * t);
    const std::int64_t h = l.virtualHeight - static_cast<std::int64_t>(dH * t);
    const std::int64_t left = static_cast<std::int64_t>(x0 * t) - sel.col * w;
    const std::int64_t top = static_cast<std::int64_t>(y0 * t) - sel.row * h;
    return Rect{clamp32(left), clamp32(top), clamp32(left + l.cols * w), clamp32(top + l.rows * h)};
}

Rect cellRect(const Rect& plane, Workspace cell, std::int32_t rows, std::int32_t cols) {
    rows = std::max(rows, 1);
    cols = std::max(cols, 1);
    const std::int64_t w = std::int64_t{plane.right} - plane.left, h = std::int64_t{plane.bottom} - plane.top;
    return Rect{clamp32(plane.left + cell.col * w / cols), clamp32(plane.top + cell.row * h / rows),
                clamp32(plane.left + (cell.col + std::int64_t{1}) * w / cols),
                clamp32(plane.top + (cell.row + std::int64_t{1}) * h / rows)};
}

Rect panRect(double p, Workspace from, Workspace to, const PreviewLayout& l) {
    p = std::clamp(p, 0.0, 1.0);
    const std::int64_t dX = std::int64_t{from.col - to.col} * l.virtualWidth;
    const std::int64_t dY = std::int64_t{from.row - to.row} * l.virtualHeight;
    const std::int64_t left = -std::int64_t{to.col} * l.virtualWidth - static_cast<std::int64_t>((1 - p) * dX);
    const std::int64_t top = -std::int64_t{to.row} * l.virtualHeight - static_cast<std::int64_t>((1 - p) * dY);
    return Rect{clamp32(left), clamp32(top), clamp32(left + l.planeWidth()), clamp32(top + l.planeHeight())};
}

Rect fullSizeRect(Workspace ws, const PreviewLayout& l) { return panRect(1.0, ws, ws, l); }

Rect spreadPicturePlacement(const Rect& plane, std::int32_t cw, std::int32_t ch, const PreviewLayout& l,
                            std::int32_t spreadScale) {
    // In canvas units the picture is magnified by s and shifted by off:
    // canvas pixel x shows picture pixel x * s - off. k is how far the zoom
    // has gone, 0 at rest and 1 with one workspace filling the screen.
    const double pw = static_cast<double>(plane.right) - plane.left;
    const double ph = static_cast<double>(plane.bottom) - plane.top;
    const double planeW = l.planeWidth(), planeH = l.planeHeight();
    const double scale = std::max(spreadScale, 100) / 100.0;
    struct Axis {
        double s = 1, off = 0;
    };
    auto axis = [&](double size, double planeSize, double canvasSize, std::int32_t cells, double near, double far,
                    double screenSize, double virtualStart, double virtualSize) {
        Axis a;
        if (planeSize <= canvasSize || cells < 2 || canvasSize <= 0) return a;
        const double k = std::clamp((size - canvasSize) / (planeSize - canvasSize), 0.0, 1.0);
        a.s = 1 + (cells / scale - 1) * k;
        if (k <= 0) return a;
        // Where the plane stands between its first and its last workspace.
        const double b = (near + far - (screenSize - 2 * virtualStart)) / k + (screenSize - 2 * virtualStart - virtualSize);
        a.off = (a.s - 1) * canvasSize / 2 * (1 - b / ((cells - 1) * virtualSize));
        return a;
    };
    const Axis x = axis(pw, planeW, cw, l.cols, plane.left, plane.right, l.screenWidth, l.virtualLeft, l.virtualWidth);
    const Axis y = axis(ph, planeH, ch, l.rows, plane.top, plane.bottom, l.screenHeight, l.virtualTop, l.virtualHeight);
    // Picture pixel u sits at canvas pixel (u + off) / s, which the canvas
    // stretch puts at plane.left + that x pw / cw on the view.
    auto place = [](double u, const Axis& a, double start, double size, double canvasSize) {
        return start + (u + a.off) / a.s * size / canvasSize;
    };
    if (cw <= 0 || ch <= 0) return plane;
    return Rect{clamp32(static_cast<std::int64_t>(std::floor(place(0, x, plane.left, pw, cw)))),
                clamp32(static_cast<std::int64_t>(std::floor(place(0, y, plane.top, ph, ch)))),
                clamp32(static_cast<std::int64_t>(std::floor(place(cw, x, plane.left, pw, cw)))),
                clamp32(static_cast<std::int64_t>(std::floor(place(ch, y, plane.top, ph, ch))))};
}

VisiblePart visiblePart(const Rect& plane, std::int32_t viewWidth, std::int32_t viewHeight, std::int32_t cw,
                        std::int32_t ch) {
    VisiblePart v;
    const std::int64_t pw = std::int64_t{plane.right} - plane.left, ph = std::int64_t{plane.bottom} - plane.top;
    if (pw <= 0 || ph <= 0 || cw <= 0 || ch <= 0) return v;
    if (plane.left >= viewWidth || plane.right <= 0 || plane.top >= viewHeight || plane.bottom <= 0) return v;
    // Canvas columns [c0, c1) cover the view from plane.left + c0 x pw / cw on:
    // the first column reaching into the view and the last one starting in it.
    auto firstIn = [](std::int64_t start, std::int64_t size, std::int64_t cells, std::int64_t edge) {
        // The smallest c with start + (c + 1) x size / cells > edge.
        const std::int64_t c = ((edge - start) * cells) / size;
        return std::clamp<std::int64_t>(c, 0, cells);
    };
    const std::int64_t c0 = firstIn(plane.left, pw, cw, 0);
    const std::int64_t c1 = std::min<std::int64_t>(cw, firstIn(plane.left, pw, cw, viewWidth) + 1);
    const std::int64_t r0 = firstIn(plane.top, ph, ch, 0);
    const std::int64_t r1 = std::min<std::int64_t>(ch, firstIn(plane.top, ph, ch, viewHeight) + 1);
    if (c1 <= c0 || r1 <= r0) return v;
    v.canvas = Rect{clamp32(c0), clamp32(r0), clamp32(c1), clamp32(r1)};
    v.view = Rect{clamp32(plane.left + mulDiv(c0, pw, cw)), clamp32(plane.top + mulDiv(r0, ph, ch)),
                  clamp32(plane.left + mulDiv(c1, pw, cw)), clamp32(plane.top + mulDiv(r1, ph, ch))};
    return v;
}

std::int32_t fadeSteps(std::int32_t transitionTime) { return transitionTime > 0 ? 10 : 1; }

std::uint8_t fadeAlpha(std::int32_t k, std::int32_t steps) {
    if (steps <= 0) return 128;
    return static_cast<std::uint8_t>(128 * std::clamp(k, 0, steps) / steps);
}

}  // namespace zelvane
