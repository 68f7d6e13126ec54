#pragma once
// The switch request message carries its workspace inside the message itself,
// so nothing crosses the queue by pointer: any program on the desktop can post
// this message, and a pointer it sent would be freed by us.
#include <cstdint>
#include <optional>

namespace zelvane {

inline constexpr unsigned kMsgSwitchRequest = 0xBFF7;

struct Workspace {
    std::int32_t row = 0;
    std::int32_t col = 0;
};

// Column in the low 16 bits, row in the next 16 (both 0..4).
inline std::uintptr_t packWorkspace(Workspace ws) {
    return (static_cast<std::uintptr_t>(ws.row & 0xFFFF) << 16) | static_cast<std::uintptr_t>(ws.col & 0xFFFF);
}

// The request's workspace if it lies inside the grid; a request from
// elsewhere with anything else in it is dropped.
inline std::optional<Workspace> unpackWorkspace(std::uintptr_t lParam, std::int32_t rows, std::int32_t cols) {
    if (lParam > 0xFFFFFFFFu) return std::nullopt;
    const Workspace ws{static_cast<std::int32_t>((lParam >> 16) & 0xFFFF), static_cast<std::int32_t>(lParam & 0xFFFF)};
    if (ws.row >= rows || ws.col >= cols) return std::nullopt;
    return ws;
}

}  // namespace zelvane
