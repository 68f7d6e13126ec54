#pragma once
// The control window's picture without the window system: its cells, which
// cell a click lands in, the grid lines, the dimming of the cells that are
// not current, the fade-in steps and where the window pops up.
#include <cstdint>
#include <optional>
#include <vector>

#include "controller/wallpaper_geometry.h"

namespace zelvane {

struct GridPicture {
    std::int32_t width = 0;   // the drawing buffer, pixels
    std::int32_t height = 0;
    std::int32_t rows = 1;
    std::int32_t cols = 1;

    std::int32_t cellWidth() const { return cols > 0 ? width / cols : 0; }
    std::int32_t cellHeight() const { return rows > 0 ? height / rows : 0; }
    // The cell's pixels, clipped to the buffer (empty for a cell outside the grid).
    Box cell(std::int32_t row, std::int32_t col) const;
};

struct GridCell {
    std::int32_t row = 0;
    std::int32_t col = 0;
};
inline bool operator==(const GridCell& a, const GridCell& b) { return a.row == b.row && a.col == b.col; }

// The cell under (x, y) of the buffer. A point on a grid line belongs to the
// cell above or to the left of it; the strip right of the last column or
// below the last row (the buffer is rarely a multiple of the grid) belongs
// to the last column or row. Nothing for a point outside the buffer.
std::optional<GridCell> cellAt(const GridPicture& g, std::int32_t x, std::int32_t y);

struct Segment {
    Point from;
    Point to;
};
// The lines between the cells: rows - 1 across, then cols - 1 down.
std::vector<Segment> gridLines(const GridPicture& g);

// Halves every byte (blue, green, red and the fourth) of a bottom-up 32-bit
// buffer of g.width x g.height, except inside the current cell, which keeps
// its own brightness.
void dimExceptCell(std::uint8_t* pixels, const GridPicture& g, GridCell current);

// The fade-in: kFadeSteps alpha values ending at kShownAlpha.
constexpr int kFadeSteps = 5;
constexpr std::uint8_t kShownAlpha = 200;
std::uint8_t fadeAlpha(int step);

// Top left of a w x h window centred on the cursor, kept inside `area` (the
// cursor's monitor; its left and top edges win when the window is larger).
Point popupOrigin(Point cursor, std::int32_t w, std::int32_t h, const Rect& area);

// A drawing buffer size the system can make: at least 1 x 1 and never larger
// than the virtual screen, whatever size a message claims.
struct Size {
    std::int32_t w = 0;
    std::int32_t h = 0;
};
Size clampBufferSize(std::int32_t w, std::int32_t h, std::int32_t virtualWidth, std::int32_t virtualHeight);

}  // namespace zelvane
