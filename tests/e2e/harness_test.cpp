// Checks of the premises the other tests stand on, run without Zelvane: a
// hung host window really stops answering, injected chords reach hotkeys,
// and windows far outside the screen keep their rectangles.
#include <gtest/gtest.h>

#include <atomic>

#include "keys.h"
#include "layout.h"
#include "poll.h"
#include "window_host.h"
#include "zelvane_process.h"

namespace e2e {
namespace {

DWORD WINAPI moveFromWorker(void* arg) {
    auto* hwnd = static_cast<HWND*>(arg);
    SetWindowPos(*hwnd, nullptr, 333, 222, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
}

TEST(HarnessTest, HungWindowTakesNoMoveUntilReleased) {
    WindowHost host;
    HostWindow* w = host.open(L"hang-probe", makeRect(100, 100, 200, 150));
    ASSERT_TRUE(w->ok());
    EXPECT_TRUE(w->answers());

    ASSERT_TRUE(w->hang());
    EXPECT_FALSE(w->answers());
    // Another thread moving it blocks, as a program's SetWindowPos would.
    HWND hwnd = w->hwnd();
    HANDLE worker = CreateThread(nullptr, 0, moveFromWorker, &hwnd, 0, nullptr);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(worker, 300));
    RECT before = makeRect(100, 100, 200, 150);
    WindowState s = stateOf(hwnd);
    EXPECT_TRUE(EqualRect(&before, &s.rect)) << describe(s);

    w->release();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(worker, 30000));
    CloseHandle(worker);
    RECT after = makeRect(333, 222, 200, 150);
    EXPECT_TRUE(pollUntil([&] {
        s = stateOf(hwnd);
        return EqualRect(&after, &s.rect) != FALSE;
    })) << describe(s);
    EXPECT_TRUE(w->answers());
}

TEST(HarnessTest, InjectedChordFiresHotkeyAndProbeSeesIt) {
    // A combination no test and no program uses. Registered on a window:
    // a thread hotkey (no window) that fires while another thread's window
    // is in the foreground crashes Wine 8's wineserver.
    const UINT mods = MOD_ALT | MOD_WIN;
    const UINT vk = VK_F11;
    HWND own = CreateWindowExW(0, L"STATIC", L"hotkey-probe", WS_POPUP, 0, 0, 10, 10, nullptr,
                               nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, own);
    ASSERT_FALSE(hotkeyTaken(mods, vk));
    ASSERT_TRUE(RegisterHotKey(own, 7, mods, vk));
    EXPECT_TRUE(hotkeyTaken(mods, vk));

    EXPECT_TRUE(pressChord({kAlt, kWin}, vk));
    MSG msg{};
    bool fired = pollUntil([&] {
        return PeekMessageW(&msg, nullptr, WM_HOTKEY, WM_HOTKEY, PM_REMOVE) && msg.wParam == 7;
    });
    UnregisterHotKey(own, 7);
    DestroyWindow(own);
    EXPECT_TRUE(fired);
    EXPECT_FALSE(hotkeyTaken(mods, vk));
}

TEST(HarnessTest, WindowsOutsideTheScreenKeepTheirRectangles) {
    Grid grid = Grid::fromSystem();
    WindowHost host;
    // On the workspaces right of, below and diagonal to the screen.
    const RECT wanted[] = {makeRect(grid.width + 50, 60, 300, 200),
                           makeRect(70, grid.height + 40, 310, 210),
                           makeRect(grid.width + 90, grid.height + 80, 320, 220)};
    for (const RECT& r : wanted) {
        HostWindow* w = host.open(L"far", r);
        ASSERT_TRUE(w->ok());
        WindowState s = stateOf(w->hwnd());
        EXPECT_TRUE(s.visible);
        EXPECT_TRUE(EqualRect(&r, &s.rect)) << describe(r) << " became " << describe(s);
    }
}

}  // namespace
}  // namespace e2e
