#pragma once
// Where the wallpaper pictures go: the crops of the spread picture in
// "distant view", and the copies that draw a wallpaper file, or save a
// snapshot, so that it lines up with the way the system tiles it. No window
// system here; the GDI side turns each Blit into one StretchBlt or BitBlt.
#include <cstdint>
#include <vector>

#include "controller/desktop.h"

namespace zelvane {

struct Box {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t w = 0;
    std::int32_t h = 0;
};
inline bool operator==(const Box& a, const Box& b) { return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h; }

struct Blit {
    Box dst;
    Box src;
};
inline bool operator==(const Blit& a, const Blit& b) { return a.dst == b.dst && a.src == b.src; }

// How the system tiles the wallpaper. Before Windows 8 (6.2) a tiled
// wallpaper starts at the primary monitor's origin, which lies at
// (-virtualLeft, -virtualTop) inside the virtual screen; from 6.2 on it
// starts at the virtual screen's corner.
struct Tiling {
    bool newTiling = true;
    std::int32_t virtualLeft = 0;  // 0 or negative
    std::int32_t virtualTop = 0;
    std::int32_t virtualWidth = 0;
    std::int32_t virtualHeight = 0;
};

bool isNewTiling(std::uint32_t major, std::uint32_t minor);

// The stretches that draw a bw x bh wallpaper file into dest as the desktop
// shows it: one stretch with the new tiling, the file cut at the primary
// monitor's origin and its quarters swapped with the old. Empty copies are
// left out.
std::vector<Blit> wallpaperDrawBlits(const Tiling& t, Box dest, std::int32_t bw, std::int32_t bh);

// The inverse for a snapshot of w x h: the copies from the picture into the
// file so that the file, tiled by the system, gives the picture back.
std::vector<Blit> snapshotSaveBlits(const Tiling& t, std::int32_t w, std::int32_t h);

// How a w x h surface is covered with copies of a tileW x tileH pattern, one
// copy's corner at (originX, originY) (anywhere; the pattern repeats from
// there both ways), in few calls: the tile is drawn at most four times (`tiles`,
// clipped by the surface), then the part already covered is copied onto the
// rest, doubling each time (`copies`, in order, inside the surface). A 1 x 1
// pattern on a 3840 x 2160 screen takes about 30 calls, not eight million.
struct TileFill {
    std::vector<Box> tiles;
    std::vector<Blit> copies;
};
TileFill tileFill(std::int32_t w, std::int32_t h, std::int32_t tileW, std::int32_t tileH, std::int32_t originX,
                  std::int32_t originY);

// The part of the spread picture (of the virtual screen's size) that
// workspace (row, col) shows: spreadScale percent magnification, the crops
// of the first and the last workspace touching the picture's edges. A grid
// one cell wide (or high) shows the middle.
Box spreadCrop(std::int32_t virtualWidth, std::int32_t virtualHeight, std::int32_t rows, std::int32_t cols,
               std::int32_t spreadScale, std::int32_t row, std::int32_t col);

}  // namespace zelvane
