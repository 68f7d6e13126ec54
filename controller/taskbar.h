#pragma once
// The shell's taskbar as the taskbar-order keeper sees it: a list of buttons,
// each naming the window behind it (0 for a group header or a button whose
// data could not be read). The Windows side reads and moves the buttons of
// the shell's toolbar from outside the shell's process.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <vector>

#include "controller/desktop.h"

namespace zelvane {

struct TaskbarLimits {
    std::chrono::milliseconds perCall{100};  // one message to the shell
    std::chrono::milliseconds total{250};    // the whole read
    std::size_t maxButtons = 512;            // a larger count is taken for garbage
    const std::atomic<bool>* cancel = nullptr;  // set: stop before the next call
};

enum class TaskbarReadStatus {
    Done,       // buttons holds the whole list
    NoTaskbar,  // no shell toolbar on this desktop
    NoAccess,   // the shell's process cannot be read (rights, or another pointer size)
    Unfinished  // the shell did not answer within the limits, or the read was cancelled
};

struct TaskbarRead {
    TaskbarReadStatus status = TaskbarReadStatus::NoTaskbar;
    WindowId toolbar = kNoWindow;  // the toolbar that was read, for the moves that follow
    std::vector<WindowId> buttons;
};

class Taskbar {
public:
    virtual ~Taskbar() = default;

    // Reads the button list. Blocks for at most about limits.total; any thread.
    virtual TaskbarRead readButtons(const TaskbarLimits& limits) = 0;
    // Moves the button at `index` to index 0 if it still names `expected`
    // (kNoWindow for a header). False when it names another window, the
    // shell refused or did not answer within `timeout`, or afterwards
    // another button than `expected` stands at index 0 (the shell changed
    // its buttons between the check and the move). Any thread.
    virtual bool moveButtonToFront(WindowId toolbar, std::size_t index, WindowId expected,
                                   std::chrono::milliseconds timeout) = 0;
    // The windows that should have a button now: visible, not tool windows,
    // and either unowned or marked as application windows. Never blocks.
    virtual std::vector<WindowId> windowsWantingButtons() = 0;
};

}  // namespace zelvane
