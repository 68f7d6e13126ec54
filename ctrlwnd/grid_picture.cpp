#include "ctrlwnd/grid_picture.h"

#include <algorithm>
#include <cstddef>

namespace zelvane {

namespace {

// Row (or column) of coordinate v in cells of `size`: lines belong to the
// cell before them, the leftover strip to the last cell.
std::int32_t indexAt(std::int32_t v, std::int32_t size, std::int32_t count) {
    if (size <= 0 || v <= 0) return 0;
    return std::min((v - 1) / size, count - 1);
}

}  // namespace

Box GridPicture::cell(std::int32_t row, std::int32_t col) const {
    Box b;
    if (row < 0 || row >= rows || col < 0 || col >= cols) return b;
    const std::int32_t left = std::min(col * cellWidth(), width);
    const std::int32_t top = std::min(row * cellHeight(), height);
    b.x = left;
    b.y = top;
    b.w = std::min((col + 1) * cellWidth(), width) - left;
    b.h = std::min((row + 1) * cellHeight(), height) - top;
    return b;
}

std::optional<GridCell> cellAt(const GridPicture& g, std::int32_t x, std::int32_t y) {
    if (g.rows < 1 || g.cols < 1 || x < 0 || y < 0 || x >= g.width || y >= g.height) return std::nullopt;
    return GridCell{indexAt(y, g.cellHeight(), g.rows), indexAt(x, g.cellWidth(), g.cols)};
}

std::vector<Segment> gridLines(const GridPicture& g) {
    std::vector<Segment> lines;
    for (std::int32_t r = 1; r < g.rows; ++r) {
        const std::int32_t y = r * g.cellHeight();
        lines.push_back(Segment{Point{0, y}, Point{g.width, y}});
    }
    for (std::int32_t c = 1; c < g.cols; ++c) {
        const std::int32_t x = c * g.cellWidth();
        lines.push_back(Segment{Point{x, 0}, Point{x, g.height}});
    }
    return lines;
}

void dimExceptCell(std::uint8_t* pixels, const GridPicture& g, GridCell current) {
    if (!pixels || g.width <= 0 || g.height <= 0) return;
    const Box lit = g.cell(current.row, current.col);
    const std::size_t stride = static_cast<std::size_t>(g.width) * 4;
    for (std::int32_t y = 0; y < g.height; ++y) {
        // Row y from the top is row height - 1 - y of the bottom-up buffer.
        std::uint8_t* line = pixels + static_cast<std::size_t>(g.height - 1 - y) * stride;
        const bool litRow = y >= lit.y && y < lit.y + lit.h;
        for (std::int32_t x = 0; x < g.width; ++x) {
            if (litRow && x >= lit.x && x < lit.x + lit.w) continue;
            std::uint8_t* px = line + static_cast<std::size_t>(x) * 4;
            for (int i = 0; i < 4; ++i) px[i] = static_cast<std::uint8_t>(px[i] / 2);
        }
    }
}

std::uint8_t fadeAlpha(int step) {
    const int s = std::clamp(step, 0, kFadeSteps - 1);
    return static_cast<std::uint8_t>(kShownAlpha * s / (kFadeSteps - 1));
}

Point popupOrigin(Point cursor, std::int32_t w, std::int32_t h, const Rect& vs) {
    Point p;
    p.x = std::max(std::min(cursor.x - w / 2, vs.right - w), vs.left);
    p.y = std::max(std::min(cursor.y - h / 2, vs.bottom - h), vs.top);
    return p;
}

Size clampBufferSize(std::int32_t w, std::int32_t h, std::int32_t virtualWidth, std::int32_t virtualHeight) {
    return Size{std::clamp(w, 1, std::max(virtualWidth, 1)), std::clamp(h, 1, std::max(virtualHeight, 1))};
}

}  // namespace zelvane
