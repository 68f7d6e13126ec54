// The end of a run: a clean exit hands every window back at its place; a
// run killed with its guard leaves the window list behind, and the next
// start takes the hidden windows back onto their workspaces.
#include "child_process.h"
#include "fixture.h"
#include "message_spy.h"

namespace e2e {
namespace {

class LifecycleTest : public ZelvaneTest {};

TEST_F(LifecycleTest, CloseShowsEveryHiddenWindowAtItsPlace) {
    openOnEveryWorkspace(2);
    ZelvaneProcess* z = startZelvane();
    ASSERT_NE(nullptr, z);
    Workspace ws = press({}, '4');
    ASSERT_SETTLED(ws);
    EXPECT_TRUE(fileExists(z->resumeFile())) << "no window list written at the switch";

    PostMessageW(z->mainWindow(), WM_CLOSE, 0, 0);
    std::string misplaced = layout.waitAllReleased();
    EXPECT_TRUE(misplaced.empty()) << misplaced;
    ASSERT_TRUE(z->waitExit(30s));
    EXPECT_FALSE(fileExists(z->resumeFile())) << "window list left behind by a clean exit";
}

TEST_F(LifecycleTest, RestartAfterKillKeepsHiddenWindowsOnTheirWorkspaces) {
    openOnEveryWorkspace(2);
    ZelvaneProcess* z = startZelvane();
    ASSERT_NE(nullptr, z);
    // Every window has been placed once, then (0,0) is current again.
    Workspace ws = press({}, VK_DOWN);
    ASSERT_SETTLED(ws);
    ws = press(ws, VK_RIGHT);
    ASSERT_SETTLED(ws);
    ws = press(ws, '1');
    ASSERT_SETTLED(ws);

    killWithGuard(z);
    ASSERT_TRUE(fileExists(z->resumeFile())) << "a killed run left no window list";
    // Windows of the other workspaces stay hidden while no Zelvane runs.
    ASSERT_SETTLED(ws);

    ZelvaneProcess* again = startZelvane(z->homePath());
    ASSERT_NE(nullptr, again);
    ASSERT_SETTLED(ws);
    // Each comes back when its workspace is entered.
    for (WORD key : {WORD('4'), WORD(VK_UP), WORD('3'), WORD(VK_UP)}) {
        ws = press(ws, key);
        ASSERT_SETTLED(ws);
    }

    PostMessageW(again->mainWindow(), WM_CLOSE, 0, 0);
    std::string misplaced = layout.waitAllReleased();
    EXPECT_TRUE(misplaced.empty()) << misplaced;
    EXPECT_TRUE(again->waitExit(30s));
}

TEST_F(LifecycleTest, RestartAfterKillOnAnotherWorkspaceStillReleasesAllAtExit) {
    // Killed while (1,1) is current: wherever the next run starts, the
    // windows must stay on their workspaces and all be handed back at exit.
    openOnEveryWorkspace(1);
    ZelvaneProcess* z = startZelvane();
    ASSERT_NE(nullptr, z);
    Workspace ws = press({}, '4');
    ASSERT_SETTLED(ws);
    killWithGuard(z);

    ZelvaneProcess* again = startZelvane(z->homePath());
    ASSERT_NE(nullptr, again);
    // Visit every workspace by number: absolute jumps, whatever is current.
    for (WORD key : {WORD('1'), WORD('2'), WORD('3'), WORD('4')}) {
        ws = press(ws, key);
        ASSERT_SETTLED(ws);
    }
    PostMessageW(again->mainWindow(), WM_CLOSE, 0, 0);
    std::string misplaced = layout.waitAllReleased();
    EXPECT_TRUE(misplaced.empty()) << misplaced;
    EXPECT_TRUE(again->waitExit(30s));
}

// Zelvane dies of an access violation: its own crash handler shows the
// windows it hid at their places before it goes (the guard, which would do
// the same after it has gone, is ended first).
class CrashTest : public ZelvaneTest {
protected:
    void crashAndCheck() {
        openOnEveryWorkspace(1);
        ZelvaneProcess* z = startZelvane();
        ASSERT_NE(nullptr, z);
        Workspace ws = press({}, '4');
        ASSERT_SETTLED(ws);
        for (DWORD pid : childProcesses(z->pid(), kGuardExe)) ASSERT_TRUE(WatchedProcess(pid).kill());
        MessageSpy spy;
        ASSERT_TRUE(spy.attach(z->mainWindow())) << spy.error();
        ASSERT_TRUE(spy.crashTarget());
        ASSERT_TRUE(z->waitExit(30s)) << "the fault did not end Zelvane";
        const std::string misplaced = layout.waitAllReleased();
        EXPECT_TRUE(misplaced.empty()) << misplaced;
    }
};

// Wine, like Windows for a 32-bit program unless the program asks
// otherwise, swallows a fault raised inside a system callback on the UI
// thread (a hook, a window procedure called from the system), so the fault
// is raised on a thread of Zelvane's own.
TEST_F(CrashTest, AnAccessViolationShowsEveryHiddenWindow) { crashAndCheck(); }

}  // namespace
}  // namespace e2e
