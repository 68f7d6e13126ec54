#pragma once
// The cells of the workspace plane: which workspace holds the larger part of
// a window, and an offset inside a cell kept so that the window lies on the
// screen. Plain arithmetic, shared by every rule that says where a window
// belongs or where it goes when we let go of it.
#include <cstdint>

#include "controller/geometry.h"
#include "controller/plane.h"

namespace zelvane {

// A workspace's place in the plane's grid of cells; it may lie outside the
// grid (a window on a row that was removed, or beyond the plane's edges).
struct Cell {
    std::int32_t row = 0;
    std::int32_t col = 0;
};

inline bool operator==(Cell a, Cell b) { return a.row == b.row && a.col == b.col; }
inline bool operator!=(Cell a, Cell b) { return !(a == b); }

// Along one axis: the cell (cells of `size` counted from `origin`, negative
// before it) that holds the larger part of [start, end); on a tie the first
// of them, the one of the start; for an empty span the cell of its start.
std::int32_t largerPartCell(std::int64_t start, std::int64_t end, std::int32_t origin, std::int32_t size);

// An offset inside a cell of `size`, moved so that a span of `length` lies
// wholly inside the cell where it fits; one that does not fit starts at the
// cell's start (a window's title bar stays within reach).
std::int32_t fitIntoCell(std::int32_t offset, std::int32_t length, std::int32_t size);

// The cell that holds the larger part of r (plane coordinates).
Cell largerPartCell(const Rect& r, const Plane& p);

// The plane coordinates of a cell's top-left corner.
Point cellOrigin(Cell c, const Plane& p);

}  // namespace zelvane
