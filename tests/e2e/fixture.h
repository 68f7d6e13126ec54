#pragma once
// Common ground of the end-to-end tests: a window host, the expected layout
// of its windows, and the Zelvane processes a test started, all cleaned up
// after each test.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "keys.h"
#include "layout.h"
#include "poll.h"
#include "window_host.h"
#include "zelvane_process.h"

namespace e2e {

// Waits for the layout of every tracked window for `ws`, failing the test
// with the list of misplaced windows.
#define ASSERT_SETTLED(ws)                                           \
    do {                                                             \
        const std::string misplaced_ = layout.waitFor(ws);          \
        ASSERT_TRUE(misplaced_.empty()) << misplaced_ << zelvaneStatus(); \
    } while (0)

// Which hooks report the mouse to Zelvane: its own, or the 64-bit companion
// host in their place (ZELVANE_TEST_COMPANION, app/mouse_hooks.h). For tests
// that run both ways.
enum class Hooks { Own, Companion };
// The suffix of a test run with these hooks: "OwnHooks" or "Companion".
std::string hooksName(const ::testing::TestParamInfo<Hooks>& info);
// Makes z's next starts use these hooks.
void useHooks(ZelvaneProcess& z, Hooks hooks);

// The shell's taskbar, or a stand-in of its class opened in host where the
// desktop shows none (Wine's virtual desktop has a hidden one).
HWND taskbarWindow(WindowHost& host);

class ZelvaneTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts Zelvane with `homePath` (a fresh home when empty) and waits
    // until its main window is up and its hotkeys are registered.
    ZelvaneProcess* startZelvane(std::wstring homePath = {});

    // A distinct on-screen rectangle for the i-th window of a workspace.
    RECT slot(int i) const;
    // Opens a window that belongs to `ws`, placed as if (0, 0) were current.
    Tracked* openOn(Workspace ws, const std::string& name, int slotIndex);
    // Opens `perWorkspace` windows on every workspace of the grid.
    void openOnEveryWorkspace(int perWorkspace);

    // Presses Alt+Shift+key (an arrow or a digit) and returns the workspace
    // the program should go to from `from`.
    Workspace press(Workspace from, WORD key);
    // Same with Alt+Win: the foreground window goes along.
    Workspace pressCarrying(Workspace from, WORD key);

    // For failure messages: whether each running Zelvane still answers
    // messages, and any message box it shows.
    std::string zelvaneStatus() const;

    // Ends Zelvane and, first, the guard it started, as ending its whole
    // process tree would: nothing puts its windows back until it starts again.
    void killWithGuard(ZelvaneProcess* z);

    // Brings the window to the foreground and waits until it is there.
    ::testing::AssertionResult activate(Tracked* t);

    Grid grid = Grid::fromSystem();
    WindowHost host;
    Layout layout{grid};
    std::vector<std::unique_ptr<ZelvaneProcess>> zelvanes;
};

}  // namespace e2e
