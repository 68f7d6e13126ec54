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

// How the taskbar's buttons are put back into a saved order.
struct TrayReorder {
    // The moves, each: the button at this index goes to index 0.
    std::vector<std::size_t> moves;
    // False when a group cannot be made whole: on a taskbar with group
    // headers, a button stands before every header and no header is left
    // for it. The order is then not back, whatever the moves do.
    bool whole = true;
};

// The moves that bring the groups of the windows in `saved` to the front,
// in saved order, each group whole and in its own order; buttons of windows
// not saved end up behind. A group is a header (a 0 entry) and the buttons up
// to the next header; without headers each button stands alone. On a
// taskbar that shows headers a button before every header, or behind the
// header of a group it was not saved with, was torn from its group (the
// shell changed its buttons between our check and our move): it goes back to
// the group that holds a window it was saved with, or else behind a header
// left with no button. No moves when the taskbar is in order already.
TrayReorder planTrayReorder(const std::vector<WindowId>& saved, const std::vector<WindowId>& current);

// The windows of `wanting` that were saved: the ones the taskbar must show
// before a reorder can be right. A window that never gets a button and was
// never saved holds up nothing.
std::vector<WindowId> savedAmong(const std::vector<WindowId>& wanting, const std::vector<WindowId>& saved);

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
