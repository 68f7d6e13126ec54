#pragma once
// Conversions between the master volume in percent and the values the audio
// interfaces use: the endpoint's scalar 0.0..1.0 and a mixer control's
// unsigned value between the driver's bounds.
#include <cstdint>
#include <optional>

namespace zelvane {

// Percent of a mixer value: (value - min) * 100 / (max - min), truncated,
// worked out in 64 bits. A value outside the bounds counts as the nearer
// bound; bounds with max <= min give nothing (a driver without a range).
std::optional<int> mixerPercent(std::uint32_t value, std::uint32_t minimum, std::uint32_t maximum);

// The mixer value for a percent: (max - min) * percent / 100 + min, in 64
// bits, with the percent clamped to 0..100; nothing when max <= min.
std::optional<std::uint32_t> mixerValue(int percent, std::uint32_t minimum, std::uint32_t maximum);

// Percent of the endpoint's scalar, rounded to the nearest; nothing for a
// value that is not a number.
std::optional<int> scalarPercent(float scalar);
float percentScalar(int percent);

}  // namespace zelvane
