#include "controller/tray_order.h"

#include <algorithm>
#include <unordered_set>

namespace zelvane {

namespace {

struct Block {
    std::size_t lo;
    std::size_t hi;
};

// The group of the button at j: from its header to the button before the
// next header. Without a header above it, the button stands alone; taking
// the whole list as its group would make the moves rotate the list back to
// where it was.
Block blockOf(const std::vector<WindowId>& buttons, std::size_t j) {
    std::optional<std::size_t> header;
    for (std::size_t i = j; i-- > 0;) {
        if (buttons[i] == kNoWindow) {
            header = i;
            break;
        }
    }
    if (!header) return {j, j};
    std::size_t hi = j;
    while (hi + 1 < buttons.size() && buttons[hi + 1] != kNoWindow) ++hi;
    return {*header, hi};
}

}  // namespace

void moveToFront(std::vector<WindowId>& buttons, std::size_t index) {
    if (index >= buttons.size()) return;
    std::rotate(buttons.begin(), buttons.begin() + static_cast<std::ptrdiff_t>(index),
                buttons.begin() + static_cast<std::ptrdiff_t>(index) + 1);
}

std::vector<std::size_t> planTrayReorder(const std::vector<WindowId>& saved, const std::vector<WindowId>& current) {
    // A window saved twice counts where it was first seen.
    std::vector<WindowId> order;
    std::unordered_set<WindowId> seen;
    for (WindowId w : saved)
        if (w != kNoWindow && seen.insert(w).second) order.push_back(w);

    std::vector<WindowId> buttons = current;
    std::vector<std::size_t> moves;
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const auto found = std::find(buttons.begin(), buttons.end(), *it);
        if (found == buttons.end()) continue;
        const Block b = blockOf(buttons, static_cast<std::size_t>(found - buttons.begin()));
        if (b.lo == 0) continue;  // already in front, in its own order
        for (std::size_t k = b.lo; k <= b.hi; ++k) {
            moves.push_back(b.hi);
            moveToFront(buttons, b.hi);
        }
    }
    // A taskbar that is already in order is left alone: no flicker, no calls.
    if (buttons == current) moves.clear();
    return moves;
}

bool taskbarHasAll(const std::vector<WindowId>& buttons, const std::vector<WindowId>& wanting) {
    const std::unordered_set<WindowId> have(buttons.begin(), buttons.end());
    return std::all_of(wanting.begin(), wanting.end(), [&](WindowId w) { return have.count(w) != 0; });
}

std::optional<std::size_t> buttonsToRead(std::int64_t reported, std::size_t maxButtons) {
    if (reported < 0 || static_cast<std::uint64_t>(reported) > maxButtons) return std::nullopt;
    return static_cast<std::size_t>(reported);
}

std::optional<std::chrono::milliseconds> CallBudget::nextCall(Clock::time_point now) const {
    if (now >= end_) return std::nullopt;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end_ - now);
    if (left.count() < 1) return std::nullopt;
    return std::min(perCall_, left);
}

int shellPointerBytes(int ourPointerBytes, bool weRunUnderWow64, bool shellRunsUnderWow64) {
    const bool system64 = ourPointerBytes == 8 || weRunUnderWow64;
    if (!system64) return 4;
    return shellRunsUnderWow64 ? 4 : 8;
}

}  // namespace zelvane
