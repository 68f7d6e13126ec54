// No window lost, as a user would find it: a clean exit with windows that
// overhang the screen on other workspaces, a grid that shrinks under
// windows, a display that shrinks and grows while Zelvane runs, and every
// way Zelvane can end (its own exit, a crash during the preview, ended
// outright), after which every window it hid or moved is back on the screen
// and the taskbar is shown, with nothing of Zelvane left running.
#include <fstream>
#include <utility>

#include "child_process.h"
#include "fixture.h"
#include "message_spy.h"

namespace e2e {
namespace {

constexpr UINT kPreviewCommand = 100027;
constexpr WPARAM kMenuExit = 0;
constexpr WPARAM kMenuDelRow = 6;
constexpr WPARAM kMenuDelColumn = 8;
constexpr wchar_t kViewClass[] = L"ZelvaneViewClass";

// The rectangle moved as little as it takes to lie wholly on a screen of
// width x height, where it fits.
RECT wholeOnScreen(RECT r, int width, int height) {
    int dx = 0, dy = 0;
    if (r.right > width) dx = width - r.right;
    if (r.left + dx < 0) dx = -r.left;
    if (r.bottom > height) dy = height - r.bottom;
    if (r.top + dy < 0) dy = -r.top;
    return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

struct Expected {
    Tracked* window;
    RECT rect;
    bool visible;
};

// Waits until every window is where it is expected; one line per window
// that is not, when the time is up.
std::string waitWindows(const std::vector<Expected>& expected) {
    std::string last;
    pollUntil([&] {
        last.clear();
        for (const Expected& e : expected) {
            const WindowState is = stateOf(e.window->window->hwnd());
            if (is.exists && is.visible == e.visible && EqualRect(&is.rect, &e.rect)) continue;
            last += "  " + e.window->name + ": expected " + describe(WindowState{true, e.visible, e.rect}) +
                    ", is " + describe(is) + "\n";
        }
        return last.empty();
    });
    return last;
}

// Waits until the window is hidden and wholly off a screen of width x height.
bool hiddenOffTheScreen(const Tracked* t, int width, int height) {
    return pollUntil([&] {
        const WindowState s = stateOf(t->window->hwnd());
        const RECT screen{0, 0, width, height};
        RECT common{};
        return s.exists && !s.visible && !IntersectRect(&common, &s.rect, &screen);
    });
}

class NoWindowLostTest : public ZelvaneTest {
protected:
    ZelvaneProcess* startWith(const std::string& settings) {
        const std::wstring home = ZelvaneProcess::freshHome(L"nolost");
        std::ofstream(narrow(L"C:" + home + L"\\.zlvrc"), std::ios::binary) << settings;
        return startZelvane(home);
    }

    // A menu command, carried out before this returns.
    static bool menuCommand(const ZelvaneProcess* z, WPARAM id) {
        DWORD_PTR r = 0;
        return SendMessageTimeoutW(z->mainWindow(), WM_COMMAND, id, 0, SMTO_NORMAL, 30000, &r) != 0;
    }

    // Exit from the menu, answering Yes to the question.
    static ::testing::AssertionResult exitFromMenu(ZelvaneProcess* z) {
        PostMessageW(z->mainWindow(), WM_COMMAND, kMenuExit, 0);
        HWND box = nullptr;
        pollUntil([&] {
            const auto boxes = messageBoxesOf(z->pid());
            box = boxes.empty() ? nullptr : boxes.front().hwnd;
            return box != nullptr;
        });
        if (!box) return ::testing::AssertionFailure() << "no exit question";
        if (!pressMessageBoxButton(box, IDYES)) return ::testing::AssertionFailure() << "no Yes button";
        if (!z->waitExit(30s)) return ::testing::AssertionFailure() << "still running after Yes";
        return ::testing::AssertionSuccess();
    }
};

TEST_F(NoWindowLostTest, ACleanExitBringsWindowsOverhangingTheScreenBackWholeFromOtherWorkspaces) {
    // Two large windows near the bottom-right corner, each carried to another
    // workspace while it overhangs the screen's edges. (Overhanging, a window
    // also shows on the workspace it reaches into: only the carried window
    // and the workspace it leaves are checked on the way.)
    Tracked* corner = layout.open(host, "corner", {0, 0}, makeRect(700, 400, 760, 570));
    Tracked* right = layout.open(host, "right", {0, 0}, makeRect(900, 50, 760, 570));
    Tracked* here = openOn({0, 0}, "here", 0);
    ZelvaneProcess* z = startZelvane();
    ASSERT_NE(nullptr, z);
    for (const auto& [carried, key] : {std::pair{corner, WORD(VK_RIGHT)}, std::pair{right, WORD(VK_DOWN)}}) {
        ASSERT_TRUE(activate(carried));
        const Workspace ws = pressCarrying({0, 0}, key);
        layout.moveHome(carried, ws);
        std::string misplaced = waitWindows({{carried, carried->base, true}});
        ASSERT_TRUE(misplaced.empty()) << "carried to " << ws.row << "," << ws.col << ":\n" << misplaced;
        press(ws, '1');
        misplaced = waitWindows({{here, here->base, true}});
        ASSERT_TRUE(misplaced.empty()) << "back on 0,0:\n" << misplaced;
        EXPECT_TRUE(hiddenOffTheScreen(carried, grid.width, grid.height)) << carried->name;
    }

    ASSERT_TRUE(exitFromMenu(z));
    // Each at its place on its own workspace, moved just enough to lie
    // wholly on the screen, title bar in reach.
    const std::string misplaced =
        waitWindows({{corner, wholeOnScreen(corner->base, grid.width, grid.height), true},
                     {right, wholeOnScreen(right->base, grid.width, grid.height), true},
                     {here, here->base, true}});
    EXPECT_TRUE(misplaced.empty()) << "after the exit:\n" << misplaced;
}

TEST_F(NoWindowLostTest, ShrinkingTheGridMovesTheWindowsOfTheRemovedRowAndColumnToTheNearestWorkspace) {
    Layout three{Grid::fromSystem(3, 3)};
    // Where each window lives before, and after the third row and column go.
    struct Case {
        const char* name;
        Workspace before;
        Workspace after;
    };
    const Case cases[] = {
        {"corner", {2, 2}, {1, 1}},  // removed row and column
        {"bottom", {2, 0}, {1, 0}},  // removed row
        {"right", {0, 2}, {0, 1}},   // removed column
        {"kept", {1, 1}, {1, 1}},
        {"home", {0, 0}, {0, 0}},
    };
    std::vector<Tracked*> windows;
    int slotIndex = 0;
    for (const Case& c : cases) windows.push_back(three.open(host, c.name, c.before, slot(slotIndex++)));
    ZelvaneProcess* z = startWith("wsRowNum=3\r\nwsColNum=3\r\n");
    ASSERT_NE(nullptr, z);
    // Every window placed once, then back on the first workspace.
    ASSERT_TRUE(pressChord({kAlt, kShift}, '9'));
    std::string misplaced = three.waitFor({2, 2});
    ASSERT_TRUE(misplaced.empty()) << misplaced;
    ASSERT_TRUE(pressChord({kAlt, kShift}, '1'));
    Workspace ws{0, 0};
    misplaced = three.waitFor(ws);
    ASSERT_TRUE(misplaced.empty()) << misplaced;

    ASSERT_TRUE(menuCommand(z, kMenuDelRow));
    ASSERT_TRUE(menuCommand(z, kMenuDelColumn));
    for (std::size_t i = 0; i < windows.size(); ++i) three.moveHome(windows[i], cases[i].after);
    // Each window reachable on the workspace that took it, at the same place
    // inside its cell; every workspace of the smaller grid visited by number.
    const Grid two = Grid::fromSystem(2, 2);
    for (WORD key : {WORD('4'), WORD('3'), WORD('2'), WORD('1')}) {
        ws = two.numbered(ws, key - '0');
        ASSERT_TRUE(pressChord({kAlt, kShift}, key));
        misplaced = three.waitFor(ws);
        ASSERT_TRUE(misplaced.empty()) << "on workspace " << ws.row << "," << ws.col << ":\n" << misplaced;
    }
    ASSERT_TRUE(exitFromMenu(z));
    misplaced = three.waitAllReleased();
    EXPECT_TRUE(misplaced.empty()) << misplaced;
}

// Changes the display's size and puts it back when it ends. Under Wine's
// virtual desktop ChangeDisplaySettingsEx resizes the desktop itself: the
// screen metrics every program reads change and every top-level window
// gets WM_DISPLAYCHANGE, as on Windows when a laptop is undocked; no X
// screen or real monitor changes (see docs/wine.md).
class DisplaySize {
public:
    DisplaySize() : width_(GetSystemMetrics(SM_CXSCREEN)), height_(GetSystemMetrics(SM_CYSCREEN)) {}
    ~DisplaySize() { set(width_, height_); }
    DisplaySize(const DisplaySize&) = delete;
    DisplaySize& operator=(const DisplaySize&) = delete;

    static bool set(int width, int height) {
        DEVMODEW mode{};
        mode.dmSize = sizeof mode;
        mode.dmPelsWidth = static_cast<DWORD>(width);
        mode.dmPelsHeight = static_cast<DWORD>(height);
        mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
        if (ChangeDisplaySettingsExW(nullptr, &mode, nullptr, 0, nullptr) != DISP_CHANGE_SUCCESSFUL) return false;
        return pollUntil([&] {
            return GetSystemMetrics(SM_CXVIRTUALSCREEN) == width && GetSystemMetrics(SM_CYVIRTUALSCREEN) == height;
        });
    }

private:
    int width_;
    int height_;
};

TEST_F(NoWindowLostTest, WindowsFollowADisplayThatShrinksAndGrowsWhileZelvaneRuns) {
    ASSERT_EQ(1280, grid.width) << "the test expects the prefix's 1280 x 800 desktop";
    ASSERT_EQ(800, grid.height);
    // "beyond" reaches past the right edge of the smaller screen on its own
    // workspace; "fits" lies inside both sizes.
    Tracked* beyond = layout.open(host, "beyond", {0, 1}, makeRect(900, 100, 300, 200));
    Tracked* fits = layout.open(host, "fits", {1, 1}, makeRect(100, 120, 250, 150));
    Tracked* here = openOn({0, 0}, "here", 0);
    ZelvaneProcess* z = startZelvane();
    ASSERT_NE(nullptr, z);
    Workspace ws = press({0, 0}, '4');
    ASSERT_SETTLED(ws);
    ws = press(ws, '1');
    ASSERT_SETTLED(ws);

    DisplaySize restore;
    ASSERT_TRUE(DisplaySize::set(1024, 768)) << "the display could not be made 1024 x 768";
    // On the smaller screen "beyond" keeps its workspace and comes into view
    // whole, as close to its old place as the screen allows.
    const RECT beyondShrunk = wholeOnScreen(beyond->base, 1024, 768);
    ws = press(ws, '2');
    std::string misplaced = waitWindows({{beyond, beyondShrunk, true}});
    ASSERT_TRUE(misplaced.empty()) << "1024 x 768, workspace 0,1:\n" << misplaced;
    EXPECT_TRUE(hiddenOffTheScreen(here, 1024, 768)) << describe(stateOf(here->window->hwnd()));
    ws = press(ws, '4');
    misplaced = waitWindows({{fits, fits->base, true}});
    ASSERT_TRUE(misplaced.empty()) << "1024 x 768, workspace 1,1:\n" << misplaced;
    EXPECT_TRUE(hiddenOffTheScreen(beyond, 1024, 768)) << describe(stateOf(beyond->window->hwnd()));

    ASSERT_TRUE(DisplaySize::set(1280, 800)) << "the display could not be made 1280 x 800 again";
    // Grown back: each window keeps the place it had on the smaller screen.
    ws = press(ws, '2');
    misplaced = waitWindows({{beyond, beyondShrunk, true},
                             {fits, grid.placed(fits->base, fits->home, ws), false},
                             {here, grid.placed(here->base, here->home, ws), false}});
    ASSERT_TRUE(misplaced.empty()) << "1280 x 800 again, workspace 0,1:\n" << misplaced;
    ws = press(ws, '1');
    misplaced = waitWindows({{here, here->base, true}, {beyond, grid.placed(beyondShrunk, beyond->home, ws), false}});
    ASSERT_TRUE(misplaced.empty()) << "1280 x 800 again, workspace 0,0:\n" << misplaced;

    ASSERT_TRUE(exitFromMenu(z));
    misplaced = waitWindows({{beyond, beyondShrunk, true}, {fits, fits->base, true}, {here, here->base, true}});
    EXPECT_TRUE(misplaced.empty()) << "after the exit:\n" << misplaced;
}

// Every way Zelvane ends, with the preview open or not. A window on the
// current workspace is always on top; the others live on other workspaces.
// The preview shows those off the screen for their pictures, moves the
// always-on-top one aside and hides the taskbar: whatever the end, all of
// them are back at their places, the taskbar is shown, and neither Zelvane
// nor its guard is left running.
enum class Ending {
    Exit,              // Exit from the menu
    EndedOutright,     // taskkill /F: no handler of Zelvane's own runs, the guard puts back
    CrashWithoutGuard, // an access violation after the guard was ended: the crash handler alone
};

struct EndingCase {
    const char* name;
    bool preview;
    Ending ending;
};

class EndingTest : public NoWindowLostTest, public ::testing::WithParamInterface<EndingCase> {};

TEST_P(EndingTest, EveryWindowAndTheTaskbarComeBackAndNothingIsLeftRunning) {
    const EndingCase& c = GetParam();
    openOn({0, 0}, "here", 0);
    Tracked* there = openOn({0, 1}, "there", 1);
    openOn({1, 1}, "below", 2);
    WindowOptions topmost;
    topmost.exStyle = WS_EX_TOPMOST;
    Tracked* onTop = layout.open(host, "on top", {0, 0}, slot(3), {}, topmost);
    const HWND taskbar = taskbarWindow(host);
    ASSERT_NE(nullptr, taskbar);
    ZelvaneProcess* z = startZelvane();
    ASSERT_NE(nullptr, z);
    const auto guards = childProcesses(z->pid(), kGuardExe);
    ASSERT_EQ(1u, guards.size()) << "Zelvane started no guard, or more than one";
    const WatchedProcess guard(guards.front());
    ASSERT_TRUE(guard.ok());
    // A running Zelvane is known by its main window: the guard has none.
    EXPECT_TRUE(topLevelWindows(guard.pid()).empty()) << "the guard has a window";
    Workspace ws = press({0, 0}, '4');
    ASSERT_SETTLED(ws);
    ws = press(ws, '1');
    ASSERT_SETTLED(ws);

    if (c.preview) {
        PostMessageW(z->mainWindow(), WM_COMMAND, kPreviewCommand, 0);
        ASSERT_TRUE(pollUntil([&] { return !topLevelWindows(z->pid(), kViewClass).empty(); })) << zelvaneStatus();
        ASSERT_TRUE(pollUntil([&] {
            const WindowState side = stateOf(onTop->window->hwnd());
            return !IsWindowVisible(taskbar) && IsWindowVisible(there->window->hwnd()) &&
                   !EqualRect(&side.rect, &onTop->base);
        })) << "the preview did not show the other workspace's window, move the always-on-top one aside "
               "and hide the taskbar";
    }

    switch (c.ending) {
        case Ending::Exit:
            if (c.preview) {
                // The menu is out of reach under the preview: the window is closed.
                PostMessageW(z->mainWindow(), WM_CLOSE, 0, 0);
                ASSERT_TRUE(z->waitExit(30s));
            } else {
                ASSERT_TRUE(exitFromMenu(z));
            }
            break;
        case Ending::EndedOutright:
            ASSERT_TRUE(taskkill(z->pid())) << "taskkill /F failed";
            ASSERT_TRUE(z->waitExit(30s));
            break;
        case Ending::CrashWithoutGuard: {
            ASSERT_TRUE(guard.kill());
            MessageSpy spy;
            ASSERT_TRUE(spy.attach(z->mainWindow())) << spy.error();
            ASSERT_TRUE(spy.crashTarget());
            ASSERT_TRUE(z->waitExit(30s)) << "the fault did not end Zelvane";
            break;
        }
    }

    const std::string misplaced = layout.waitAllReleased();
    EXPECT_TRUE(misplaced.empty()) << misplaced;
    EXPECT_TRUE(pollUntil([&] { return IsWindowVisible(taskbar) != FALSE; })) << "the taskbar stayed hidden";
    DWORD guardExit = 1;
    EXPECT_TRUE(guard.waitExit(kSettle, &guardExit)) << "the guard outlived Zelvane";
    if (c.ending != Ending::CrashWithoutGuard) {
        EXPECT_EQ(0u, guardExit) << "the guard did not end cleanly";
    }

    if (c.ending == Ending::EndedOutright) {
        // Started again at once, whether the guard has ended yet or not.
        ZelvaneProcess* again = startZelvane(z->homePath());
        ASSERT_NE(nullptr, again);
        EXPECT_TRUE(messageBoxesOf(again->pid()).empty()) << zelvaneStatus();
    }
}

INSTANTIATE_TEST_SUITE_P(Endings, EndingTest,
                         ::testing::Values(EndingCase{"Exit", false, Ending::Exit},
                                           EndingCase{"ExitDuringThePreview", true, Ending::Exit},
                                           EndingCase{"EndedOutright", false, Ending::EndedOutright},
                                           EndingCase{"EndedOutrightDuringThePreview", true, Ending::EndedOutright},
                                           EndingCase{"CrashDuringThePreviewWithoutGuard", true,
                                                      Ending::CrashWithoutGuard}),
                         [](const ::testing::TestParamInfo<EndingCase>& c) { return std::string(c.param.name); });

}  // namespace
}  // namespace e2e
