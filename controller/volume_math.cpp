#include "controller/volume_math.h"

#include <algorithm>
#include <cmath>

namespace zelvane {

std::optional<int> mixerPercent(std::uint32_t value, std::uint32_t minimum, std::uint32_t maximum) {
    if (maximum <= minimum) return std::nullopt;
    const std::uint64_t v = std::clamp(value, minimum, maximum);
    return static_cast<int>((v - minimum) * 100u / (std::uint64_t{maximum} - minimum));
}

std::optional<std::uint32_t> mixerValue(int percent, std::uint32_t minimum, std::uint32_t maximum) {
    if (maximum <= minimum) return std::nullopt;
    const std::uint64_t p = static_cast<std::uint64_t>(std::clamp(percent, 0, 100));
    return static_cast<std::uint32_t>((std::uint64_t{maximum} - minimum) * p / 100u + minimum);
}

std::optional<int> scalarPercent(float scalar) {
    if (std::isnan(scalar)) return std::nullopt;
    const float clamped = std::clamp(scalar, 0.0f, 1.0f);
    return static_cast<int>(clamped * 100.0f + 0.5f);
}

float percentScalar(int percent) { return static_cast<float>(std::clamp(percent, 0, 100)) / 100.0f; }

}  // namespace zelvane
