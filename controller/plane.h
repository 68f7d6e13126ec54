#pragma once
// The workspace plane: every workspace is a cell the size of the whole
// virtual screen, and a window's place is kept in plane coordinates, so that
// making a workspace current is a plain offset of every window.
#include <cstdint>

#include "config/grid.h"

namespace zelvane {

struct Plane {
    std::int32_t rows = 2;
    std::int32_t cols = 2;
    std::int32_t currentRow = 0;
    std::int32_t currentCol = 0;
    std::int32_t virtualLeft = 0;
    std::int32_t virtualTop = 0;
    std::int32_t virtualWidth = 0;
    std::int32_t virtualHeight = 0;

    // Offset of the current workspace from the virtual screen.
    std::int32_t offsetX() const { return currentCol * virtualWidth; }
    std::int32_t offsetY() const { return currentRow * virtualHeight; }
    std::int32_t virtualRight() const { return virtualLeft + virtualWidth; }
    std::int32_t virtualBottom() const { return virtualTop + virtualHeight; }

    Plane at(std::int32_t row, std::int32_t col) const {
        Plane p = *this;
        p.currentRow = row;
        p.currentCol = col;
        return p;
    }
};

}  // namespace zelvane
