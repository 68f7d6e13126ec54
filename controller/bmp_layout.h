#pragma once
// The layout of the 24-bit BMP files the wallpaper snapshots are kept in:
// a 14-byte file header, a 40-byte BITMAPINFOHEADER, then the pixel rows
// bottom-up, each padded to a multiple of 4 bytes. No window system here.
#include <array>
#include <cstdint>
#include <optional>

namespace zelvane {

constexpr std::uint32_t kBmpHeaderSize = 54;  // file header + info header

// Bytes of one pixel row: 3 per pixel, rounded up to a multiple of 4.
std::uint32_t bmpRowBytes(std::int32_t width);

// Size of the whole file; nothing when the picture is empty, negative, or
// too large for the 32-bit size field.
std::optional<std::uint32_t> bmpFileSize(std::int32_t width, std::int32_t height);

// Both headers of a width x height 24-bit BI_RGB file (height positive:
// rows run bottom-up). Only for sizes bmpFileSize accepts.
std::array<std::uint8_t, kBmpHeaderSize> bmpHeaders(std::int32_t width, std::int32_t height);

}  // namespace zelvane
