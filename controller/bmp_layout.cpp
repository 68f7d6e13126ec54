#include "controller/bmp_layout.h"

#include <limits>

namespace zelvane {

namespace {

void put16(std::uint8_t* at, std::uint32_t v) {
    at[0] = static_cast<std::uint8_t>(v);
    at[1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::uint8_t* at, std::uint32_t v) {
    put16(at, v & 0xFFFF);
    put16(at + 2, v >> 16);
}

}  // namespace

std::uint32_t bmpRowBytes(std::int32_t width) {
    if (width <= 0) return 0;
    return (3u * static_cast<std::uint32_t>(width) + 3u) & ~3u;
}

std::optional<std::uint32_t> bmpFileSize(std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) return std::nullopt;
    const std::uint64_t size =
        kBmpHeaderSize + static_cast<std::uint64_t>(bmpRowBytes(width)) * static_cast<std::uint64_t>(height);
    if (size > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    return static_cast<std::uint32_t>(size);
}

std::array<std::uint8_t, kBmpHeaderSize> bmpHeaders(std::int32_t width, std::int32_t height) {
    std::array<std::uint8_t, kBmpHeaderSize> h{};
    const std::uint32_t fileSize = bmpFileSize(width, height).value_or(0);
    // BITMAPFILEHEADER
    h[0] = 'B';
    h[1] = 'M';
    put32(&h[2], fileSize);
    put32(&h[10], kBmpHeaderSize);  // pixel data offset; the reserved words stay 0
    // BITMAPINFOHEADER
    put32(&h[14], 40);
    put32(&h[18], static_cast<std::uint32_t>(width));
    put32(&h[22], static_cast<std::uint32_t>(height));
    put16(&h[26], 1);   // planes
    put16(&h[28], 24);  // bits per pixel; compression BI_RGB (0) and the rest stay 0
    return h;
}

}  // namespace zelvane
