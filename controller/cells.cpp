#include "controller/cells.h"

namespace zelvane {

namespace {

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

std::int32_t largerPartCell(std::int64_t start, std::int64_t end, std::int32_t origin, std::int32_t size) {
    if (size <= 0) return 0;
    const std::int64_t first = floorDiv(start - origin, size);
    if (end <= start) return static_cast<std::int32_t>(first);
    const std::int64_t last = floorDiv(end - 1 - origin, size);
    if (last == first) return static_cast<std::int32_t>(first);
    const std::int64_t inFirst = origin + (first + 1) * size - start;
    if (last == first + 1) {
        const std::int64_t inLast = end - (origin + last * size);
        return static_cast<std::int32_t>(inLast > inFirst ? last : first);
    }
    // It spans a whole cell: the first whole one, unless the first is whole too.
    return static_cast<std::int32_t>(inFirst == size ? first : first + 1);
}

std::int32_t fitIntoCell(std::int32_t offset, std::int32_t length, std::int32_t size) {
    if (length >= size) return 0;
    if (offset < 0) return 0;
    if (offset > size - length) return size - length;
    return offset;
}

Cell largerPartCell(const Rect& r, const Plane& p) {
    return {largerPartCell(r.top, r.bottom, p.virtualTop, p.virtualHeight),
            largerPartCell(r.left, r.right, p.virtualLeft, p.virtualWidth)};
}

Point cellOrigin(Cell c, const Plane& p) {
    return {p.virtualLeft + c.col * p.virtualWidth, p.virtualTop + c.row * p.virtualHeight};
}

}  // namespace zelvane
