// Windows Zelvane may not place, and the restart as administrator that
// cures it. Wine enforces no integrity levels: the first test runs a build
// whose stand-in desktop (tests/e2e/refusing_zelvane) refuses the windows
// whose title holds "[elevated]", as Windows refuses a program that is not
// elevated for the windows of one that is. The balloon that names such a
// window is not read back: Wine's tray does not show it (docs/wine.md).
#include "fixture.h"

#include <cstdio>

namespace e2e {
namespace {

// The instance that took over, which the fixture did not start: closed
// however the test ends (killed if it does not end).
struct Successor {
    DWORD pid;
    HANDLE process;
    ~Successor() {
        for (HWND main : topLevelWindows(pid, kMainClass)) PostMessageW(main, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process, 30000) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "the new instance did not end after WM_CLOSE; killed";
            TerminateProcess(process, 1);
        }
        CloseHandle(process);
    }
};

using ElevationTest = ZelvaneTest;

// How many placements the refusing build was refused (it writes one line
// for each into refused.log in its current folder, the home folder).
int refusals(const ZelvaneProcess& z) {
    FILE* f = _wfopen((z.homeDir() + L"\\refused.log").c_str(), L"r");
    if (!f) return 0;
    int lines = 0;
    for (int c = fgetc(f); c != EOF; c = fgetc(f))
        if (c == '\n') ++lines;
    fclose(f);
    return lines;
}

TEST_F(ElevationTest, AWindowThatMayNotBePlacedStaysOnEveryWorkspaceWhileTheOthersSwitch) {
    ExecutableOverride exe(folderOf(ZelvaneProcess::executable()) + L"\\ZelvaneRefusing.exe");
    ASSERT_TRUE(fileExists(ZelvaneProcess::executable())) << "the refusing build is missing";
    openOn({0, 0}, "a", 0);
    openOn({0, 1}, "b", 1);
    openOn({1, 1}, "d", 2);
    HostWindow* admin = host.open(L"[elevated] admin", makeRect(700, 450, 300, 200));
    ASSERT_TRUE(admin->ok());
    ZelvaneProcess* z = startZelvane();
    ASSERT_NE(nullptr, z);

    const RECT before = stateOf(admin->hwnd()).rect;
    Workspace ws = press({}, VK_RIGHT);
    ASSERT_SETTLED(ws);
    ws = press(ws, VK_DOWN);
    ASSERT_SETTLED(ws);
    ws = press(ws, '1');
    ASSERT_SETTLED(ws);
    // The refused window never moved and was never hidden; the program runs
    // on, and asked only once: from the refusal on, the window is left alone.
    const WindowState admitted = stateOf(admin->hwnd());
    EXPECT_TRUE(admitted.visible);
    EXPECT_TRUE(EqualRect(&before, &admitted.rect)) << describe(admitted);
    EXPECT_TRUE(z->running());
    EXPECT_TRUE(messageBoxesOf(z->pid()).empty());
    EXPECT_EQ(refusals(*z), 1) << "asked again after the system refused";

    ASSERT_TRUE(z->close());
    const std::string misplaced = layout.waitAllReleased();
    EXPECT_TRUE(misplaced.empty()) << misplaced;
    EXPECT_TRUE(IsWindowVisible(admin->hwnd()));
}

// The menu's restart as administrator (offered only to a program that is
// not elevated; under Wine every program is, so the command is sent as the
// menu would): a new instance starts, the old one gives every window back
// and ends, and the new one is not refused as a second instance.
TEST_F(ElevationTest, RestartAsAdministratorHandsOverToANewInstance) {
    openOn({0, 0}, "a", 0);
    Tracked* b = openOn({0, 1}, "b", 1);
    ZelvaneProcess* z = startZelvane();
    ASSERT_NE(nullptr, z);
    Workspace ws = press({}, VK_RIGHT);
    ASSERT_SETTLED(ws);

    constexpr WPARAM kRestartElevated = 3;
    PostMessageW(z->mainWindow(), WM_COMMAND, kRestartElevated, 0);
    ASSERT_TRUE(z->waitExit(30s)) << "the old instance did not end";
    const std::string misplaced = layout.waitAllReleased();
    EXPECT_TRUE(misplaced.empty()) << misplaced;

    DWORD newPid = 0;
    ASSERT_TRUE(pollUntil([&] {
        for (HWND main : topLevelWindows(0, kMainClass, kProgramName)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(main, &pid);
            if (pid != z->pid()) newPid = pid;
        }
        return newPid != 0;
    }, 60s)) << "no new instance";
    Successor successor{newPid, OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, newPid)};
    ASSERT_TRUE(pollUntil([] { return hotkeyTaken(MOD_ALT | MOD_SHIFT, VK_RIGHT); }, 60s));
    EXPECT_TRUE(messageBoxesOf(newPid).empty()) << "refused as a second instance?";

    // It manages the windows as the old one did; the release brought them
    // all onto one screen, so it finds them all on its first workspace.
    layout.moveHome(b, {0, 0});
    ws = press({}, VK_RIGHT);
    ASSERT_SETTLED(ws);
    ws = press(ws, VK_LEFT);
    ASSERT_SETTLED(ws);
}

}  // namespace
}  // namespace e2e
