#pragma once
// The shell's taskbar toolbar, read and reordered from outside the shell's
// process: the button records are fetched into a block of the shell's own
// memory and copied back. Every message to the shell has a time limit and a
// whole read has a budget, so a hung shell costs a caller a bounded wait.
// Any thread may call; the object holds no state between calls.
#include <windows.h>

#include "controller/taskbar.h"

namespace zelvane::win32 {

// The toolbar of the first "Shell_TrayWnd" that has the path
// "ReBarWindow32" > "MSTaskSwWClass" > "ToolbarWindow32"; null when none
// does. Never blocks.
HWND findTaskbarToolbar();

class ShellTaskbar : public Taskbar {
public:
    TaskbarRead readButtons(const TaskbarLimits& limits) override;
    bool moveButtonToFront(WindowId toolbar, std::size_t index, WindowId expected,
                           std::chrono::milliseconds timeout) override;
    std::vector<WindowId> windowsWantingButtons() override;
};

}  // namespace zelvane::win32
