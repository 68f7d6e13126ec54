#include "preview/preview_keys.h"

namespace zelvane {

namespace {

constexpr unsigned kVkReturn = 0x0D;
constexpr unsigned kVkEscape = 0x1B;
constexpr unsigned kVkSpace = 0x20;
constexpr unsigned kVkLeft = 0x25;
constexpr unsigned kVkUp = 0x26;
constexpr unsigned kVkRight = 0x27;
constexpr unsigned kVkDown = 0x28;
constexpr unsigned kVkShift = 0x10;
constexpr unsigned kVkControl = 0x11;
constexpr unsigned kVkMenu = 0x12;
constexpr unsigned kVkLWin = 0x5B;
constexpr unsigned kVkRWin = 0x5C;

std::int32_t wrap(std::int32_t v, std::int32_t n) { return n <= 0 ? 0 : ((v % n) + n) % n; }

}  // namespace

PreviewKey previewKeyOf(unsigned vk) {
    switch (vk) {
        case kVkLeft:
        case 'B':
        case 'H':
            return PreviewKey::Left;
        case kVkRight:
        case 'F':
        case 'L':
            return PreviewKey::Right;
        case kVkUp:
        case 'K':
        case 'P':
            return PreviewKey::Up;
        case kVkDown:
        case 'J':
        case 'N':
            return PreviewKey::Down;
        case kVkReturn:
            return PreviewKey::Enter;
        case kVkEscape:
            return PreviewKey::Escape;
        case kVkSpace:
            return PreviewKey::Space;
        default:
            return PreviewKey::None;
    }
}

Workspace moveSelection(Workspace s, PreviewKey key, std::int32_t rows, std::int32_t cols) {
    switch (key) {
        case PreviewKey::Left:
            return {s.row, wrap(s.col - 1, cols)};
        case PreviewKey::Right:
            return {s.row, wrap(s.col + 1, cols)};
        case PreviewKey::Up:
            return {wrap(s.row - 1, rows), s.col};
        case PreviewKey::Down:
            return {wrap(s.row + 1, rows), s.col};
        default:
            return s;
    }
}

std::optional<Workspace> numberedWorkspace(unsigned vk, std::int32_t rows, std::int32_t cols) {
    if (vk < '1' || vk > '9' || cols <= 0) return std::nullopt;
    const std::int32_t n = static_cast<std::int32_t>(vk - '1');
    if (n / cols >= rows) return std::nullopt;
    return Workspace{n / cols, n % cols};
}

bool modifierSetHeld(std::int32_t m, const std::function<bool(unsigned)>& isDown) {
    if ((m & 1) && isDown(kVkMenu)) return true;
    if ((m & 2) && isDown(kVkControl)) return true;
    if ((m & 4) && isDown(kVkShift)) return true;
    if ((m & 8) && (isDown(kVkLWin) || isDown(kVkRWin))) return true;
    return false;
}

std::optional<EdgeStep> edgeStepAt(Point c, std::int32_t left, std::int32_t top, std::int32_t right,
                                   std::int32_t bottom) {
    if (c.x == left) return EdgeStep{PreviewKey::Left, {right - 5, c.y}};
    if (c.x == right - 1) return EdgeStep{PreviewKey::Right, {left + 5, c.y}};
    if (c.y == top) return EdgeStep{PreviewKey::Up, {c.x, bottom - 5}};
    if (c.y == bottom - 1) return EdgeStep{PreviewKey::Down, {c.x, top + 5}};
    return std::nullopt;
}

}  // namespace zelvane
