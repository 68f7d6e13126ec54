#pragma once
// The largest grid, and the per-workspace tables sized for it: every table
// is 5 x 5 whatever the grid's size, so a workspace that a smaller grid
// leaves out keeps what it remembers until the grid grows again.
#include <array>
#include <cstdint>

namespace zelvane {

constexpr int kMaxGrid = 5;
// Whether (row, col) lies in a table of kMaxGrid x kMaxGrid workspaces.
constexpr bool inWorkspaceTable(std::int32_t row, std::int32_t col) {
    return row >= 0 && row < kMaxGrid && col >= 0 && col < kMaxGrid;
}

template <typename T>
using WorkspaceTable = std::array<std::array<T, kMaxGrid>, kMaxGrid>;  // [row][column]

}  // namespace zelvane
