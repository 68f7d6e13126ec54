#include "controller/wallpaper_geometry.h"

#include <algorithm>

namespace zelvane {

namespace {

void addIfVisible(std::vector<Blit>& out, Box dst, Box src) {
    if (dst.w > 0 && dst.h > 0 && src.w > 0 && src.h > 0) out.push_back(Blit{dst, src});
}

// a * b / c in 64 bits, toward zero; 0 when c is 0.
std::int32_t scaled(std::int32_t a, std::int32_t b, std::int32_t c) {
    if (c == 0) return 0;
    return static_cast<std::int32_t>(static_cast<std::int64_t>(a) * b / c);
}

}  // namespace

bool isNewTiling(std::uint32_t major, std::uint32_t minor) { return major > 6 || (major == 6 && minor >= 2); }

std::vector<Blit> wallpaperDrawBlits(const Tiling& t, Box dest, std::int32_t bw, std::int32_t bh) {
    std::vector<Blit> out;
    if (t.newTiling || t.virtualWidth <= 0 || t.virtualHeight <= 0) {
        addIfVisible(out, dest, Box{0, 0, bw, bh});
        return out;
    }
    const std::int32_t left = std::min(t.virtualLeft, 0);
    const std::int32_t top = std::min(t.virtualTop, 0);
    const std::int32_t ox = scaled(left, dest.w, t.virtualWidth);
    const std::int32_t oy = scaled(top, dest.h, t.virtualHeight);
    const std::int32_t sx = scaled(left, bw, t.virtualWidth);
    const std::int32_t sy = scaled(top, bh, t.virtualHeight);
    const std::int32_t x = dest.x;
    const std::int32_t y = dest.y;
    addIfVisible(out, Box{x - ox, y - oy, dest.w + ox, dest.h + oy}, Box{0, 0, bw + sx, bh + sy});
    addIfVisible(out, Box{x, y - oy, -ox, dest.h + oy}, Box{bw + sx, 0, -sx, bh + sy});
    addIfVisible(out, Box{x - ox, y, dest.w + ox, -oy}, Box{0, bh + sy, bw + sx, -sy});
    addIfVisible(out, Box{x, y, -ox, -oy}, Box{bw + sx, bh + sy, -sx, -sy});
    return out;
}

std::vector<Blit> snapshotSaveBlits(const Tiling& t, std::int32_t w, std::int32_t h) {
    std::vector<Blit> out;
    if (t.newTiling || t.virtualWidth <= 0 || t.virtualHeight <= 0) {
        addIfVisible(out, Box{0, 0, w, h}, Box{0, 0, w, h});
        return out;
    }
    const std::int32_t ox = scaled(std::min(t.virtualLeft, 0), w, t.virtualWidth);
    const std::int32_t oy = scaled(std::min(t.virtualTop, 0), h, t.virtualHeight);
    addIfVisible(out, Box{0, 0, w + ox, h + oy}, Box{-ox, -oy, w + ox, h + oy});
    addIfVisible(out, Box{w + ox, 0, -ox, h + oy}, Box{0, -oy, -ox, h + oy});
    addIfVisible(out, Box{0, h + oy, w + ox, -oy}, Box{-ox, 0, w + ox, -oy});
    addIfVisible(out, Box{w + ox, h + oy, -ox, -oy}, Box{0, 0, -ox, -oy});
    return out;
}

TileFill tileFill(std::int32_t w, std::int32_t h, std::int32_t tileW, std::int32_t tileH, std::int32_t originX,
                  std::int32_t originY) {
    TileFill out;
    if (w <= 0 || h <= 0 || tileW <= 0 || tileH <= 0) return out;
    // The first copy with its corner inside the surface's first tile cell;
    // the copies left of and above it cover the strips before it.
    const std::int32_t ox = (originX % tileW + tileW) % tileW;
    const std::int32_t oy = (originY % tileH + tileH) % tileH;
    for (const std::int32_t y : {oy - tileH, oy})
        for (const std::int32_t x : {ox - tileW, ox})
            if (x + tileW > 0 && y + tileH > 0 && x < w && y < h) out.tiles.push_back(Box{x, y, tileW, tileH});
    // Across: the band of rows drawn so far, from the copy at ox on; each
    // step copies a whole number of tiles, so the pattern carries on.
    const std::int32_t band = std::min(oy + tileH, h);
    for (std::int32_t done = tileW; ox + done < w;) {
        const std::int32_t n = std::min(done, w - (ox + done));
        out.copies.push_back(Blit{Box{ox + done, 0, n, band}, Box{ox, 0, n, band}});
        done += n;
    }
    // Down: whole rows, from the copy at oy on.
    for (std::int32_t done = tileH; oy + done < h;) {
        const std::int32_t n = std::min(done, h - (oy + done));
        out.copies.push_back(Blit{Box{0, oy + done, w, n}, Box{0, oy, w, n}});
        done += n;
    }
    return out;
}

Box spreadCrop(std::int32_t virtualWidth, std::int32_t virtualHeight, std::int32_t rows, std::int32_t cols,
               std::int32_t spreadScale, std::int32_t row, std::int32_t col) {
    const std::int32_t scale = std::max(spreadScale, 100);  // never a crop larger than the picture
    Box crop;
    crop.w = scaled(virtualWidth, 100, scale);
    crop.h = scaled(virtualHeight, 100, scale);
    const auto offset = [](std::int32_t spare, std::int32_t cells, std::int32_t index) {
        if (cells < 2) return spare / 2;
        return spare / (cells - 1) * std::clamp(index, 0, cells - 1);
    };
    crop.x = offset(virtualWidth - crop.w, cols, col);
    crop.y = offset(virtualHeight - crop.h, rows, row);
    return crop;
}

}  // namespace zelvane
