#pragma once
// Pure rules of the taskbar order: how a saved order is put back with
// "move this button to the front" steps, when the taskbar has caught up with
// the windows, and how a read across processes is kept within its limits.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "controller/desktop.h"

namespace zelvane {

// The moves (each: the button at this index goes to index 0) that bring the
// buttons of `saved` to the front in saved order, each with the rest of its
// group. A group is a header (a 0 entry) and the buttons up to the next
// header; a button before the first header is a group of one. Saved windows
// without a button are skipped; buttons of windows not saved end up behind.
std::vector<std::size_t> planTrayReorder(const std::vector<WindowId>& saved, const std::vector<WindowId>& current);

// Applies one move to a copy of the list, as the toolbar does.
void moveToFront(std::vector<WindowId>& buttons, std::size_t index);

// True when every window in `wanting` has a button.
bool taskbarHasAll(const std::vector<WindowId>& buttons, const std::vector<WindowId>& wanting);

// How many buttons to read for the count the shell reported: none for a
// count that cannot be true (negative, or above `maxButtons`).
std::optional<std::size_t> buttonsToRead(std::int64_t reported, std::size_t maxButtons);

// The time left for the calls of one read: each call gets its own limit, cut
// to what is left of the whole read; nothing once that is spent.
class CallBudget {
public:
    using Clock = std::chrono::steady_clock;
    CallBudget(std::chrono::milliseconds perCall, std::chrono::milliseconds total, Clock::time_point start)
        : perCall_(perCall), end_(start + total) {}
    // The limit for a call starting at `now`, or nothing when the budget is spent.
    std::optional<std::chrono::milliseconds> nextCall(Clock::time_point now) const;

private:
    std::chrono::milliseconds perCall_;
    Clock::time_point end_;
};

// Bytes of a pointer in the shell's process. A 32-bit process on 64-bit
// Windows (WOW64) talks to a 64-bit shell unless the shell runs under WOW64 too.
int shellPointerBytes(int ourPointerBytes, bool weRunUnderWow64, bool shellRunsUnderWow64);

}  // namespace zelvane
