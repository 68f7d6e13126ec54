#include "app/hotkeys.h"

namespace zelvane {

namespace {

constexpr std::uint32_t kVkSpace = 0x20;
constexpr std::uint32_t kVkLeft = 0x25;
constexpr std::uint32_t kVkUp = 0x26;
constexpr std::uint32_t kVkRight = 0x27;
constexpr std::uint32_t kVkDown = 0x28;
constexpr std::uint32_t kVkDigit1 = 0x31;

}  // namespace

DirectionKeys directionKeys(const std::string& keyBind) {
    if (keyBind == "vi") return {'H', 'L', 'K', 'J'};
    if (keyBind == "emacs") return {'B', 'F', 'P', 'N'};
    return {kVkLeft, kVkRight, kVkUp, kVkDown};
}

std::vector<HotkeyBinding> hotkeyBindings(std::int32_t movKey, std::int32_t movWndKey, const std::string& keyBind) {
    const DirectionKeys d = directionKeys(keyBind);
    const std::uint32_t directions[] = {d.left, d.right, d.up, d.down};
    std::vector<HotkeyBinding> list;
    list.push_back({kHotkeyPreview, movKey, kVkSpace});
    for (int i = 0; i < 4; ++i) list.push_back({kHotkeyLeft + i, movKey, directions[i]});
    for (int i = 0; i < 4; ++i) list.push_back({kHotkeyCarryLeft + i, movWndKey, directions[i]});
    for (int i = 0; i < 9; ++i) list.push_back({kHotkeyJumpFirst + i, movKey, kVkDigit1 + i});
    for (int i = 0; i < 9; ++i) list.push_back({kHotkeyCarryJumpFirst + i, movWndKey, kVkDigit1 + i});
    return list;
}

namespace {

HotkeyCommand step(int direction, const GridState& g, bool carry) {
    HotkeyCommand c;
    c.row = g.currentRow;
    c.col = g.currentCol;
    c.carryForeground = carry;
    switch (direction) {
        case 0:  // left
            if (g.currentCol == 0 && !g.loop) return {};
            c.col = (g.cols - 1 + g.currentCol) % g.cols;
            break;
        case 1:  // right
            if (g.currentCol == g.cols - 1 && !g.loop) return {};
            c.col = (g.currentCol + 1) % g.cols;
            break;
        case 2:  // up
            if (g.currentRow == 0 && !g.loop) return {};
            c.row = (g.rows - 1 + g.currentRow) % g.rows;
            break;
        default:  // down
            if (g.currentRow == g.rows - 1 && !g.loop) return {};
            c.row = (g.currentRow + 1) % g.rows;
            break;
    }
    c.action = HotkeyCommand::Action::Switch;
    return c;
}

HotkeyCommand jump(int number, const GridState& g, bool carry) {
    HotkeyCommand c;
    c.row = number / g.cols;
    c.col = number % g.cols;
    c.carryForeground = carry;
    if (c.row >= g.rows || (c.row == g.currentRow && c.col == g.currentCol)) return {};
    c.action = HotkeyCommand::Action::Switch;
    return c;
}

}  // namespace

HotkeyCommand hotkeyCommand(int id, const GridState& g) {
    if (g.rows < 1 || g.cols < 1) return {};
    if (id >= kHotkeyLeft && id < kHotkeyCarryLeft) return step(id - kHotkeyLeft, g, false);
    if (id >= kHotkeyCarryLeft && id <= kHotkeyCarryDown) return step(id - kHotkeyCarryLeft, g, true);
    if (id >= kHotkeyJumpFirst && id < kHotkeyCarryJumpFirst) return jump(id - kHotkeyJumpFirst, g, false);
    if (id >= kHotkeyCarryJumpFirst && id < kHotkeyPreview) return jump(id - kHotkeyCarryJumpFirst, g, true);
    if (id == kHotkeyPreview) {
        HotkeyCommand c;
        c.action = HotkeyCommand::Action::OpenPreview;
        return c;
    }
    return {};
}

}  // namespace zelvane
