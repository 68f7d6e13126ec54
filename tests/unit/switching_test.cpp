#include <gtest/gtest.h>

#include "controller_fixture.h"

using namespace std::chrono_literals;

namespace zelvane::testing {
namespace {

using SwitchTest = ControllerTest;

TEST_F(SwitchTest, WindowsOfOtherWorkspacesAreMovedAwayHiddenAndComeBackExactly) {
    const auto a = desktop->add(100, 120, 400, 300);
    const auto b = desktop->add(700, 50, 300, 300);
    const Rect aHome = rectOf(a), bHome = rectOf(b);

    switchTo(0, 1);
    EXPECT_FALSE(visible(a));
    EXPECT_FALSE(visible(b));
    EXPECT_EQ(rectOf(a), (Rect{100 - 1280, 120, 500 - 1280, 420}));

    // A window opened on (0,1) belongs there.
    const auto c = desktop->add(200, 200, 300, 300);
    switchTo(1, 0);
    EXPECT_FALSE(visible(c));
    EXPECT_EQ(rectOf(c), (Rect{200 + 1280, 200 - 800, 500 + 1280, 500 - 800}));
    EXPECT_EQ(rectOf(a), (Rect{100, 120 - 800, 500, 420 - 800}));

    switchTo(0, 0);
    EXPECT_TRUE(visible(a));
    EXPECT_TRUE(visible(b));
    EXPECT_FALSE(visible(c));
    EXPECT_EQ(rectOf(a), aHome);
    EXPECT_EQ(rectOf(b), bHome);

    switchTo(0, 1);
    EXPECT_TRUE(visible(c));
    EXPECT_EQ(rectOf(c), (Rect{200, 200, 500, 500}));
}

TEST_F(SwitchTest, ExemptUnmanagedAndMinimizedWindows) {
    const auto button = desktop->add(0, 760, 60, 40, "Button");
    const auto invisible = desktop->add(50, 50, 200, 200);
    desktop->edit(invisible, [](auto& w) { w.visible = false; });
    const auto minimized = desktop->add(0, 0, 0, 0);
    desktop->edit(minimized, [](auto& w) {
        w.minimized = true;
        w.rect = {-32000, -32000, -31840, -31970};
    });

    switchTo(0, 1);
    EXPECT_TRUE(visible(button));
    EXPECT_TRUE(desktop->get(button).calls.empty());
    EXPECT_TRUE(desktop->get(invisible).calls.empty());
    // A minimized window is only hidden, never moved.
    EXPECT_EQ(desktop->get(minimized).calls, (std::vector<std::string>{"hide"}));

    switchTo(0, 0);
    EXPECT_TRUE(visible(minimized));
    EXPECT_EQ(rectOf(minimized).left, -32000);
    EXPECT_TRUE(desktop->get(invisible).calls.empty());
}

TEST_F(SwitchTest, CarriedWindowStaysAndBelongsToTheNewWorkspace) {
    const auto carried = desktop->add(300, 300, 200, 200);
    const auto other = desktop->add(10, 10, 200, 200);
    desktop->setForegroundNow(carried);

    switchTo(0, 1, carried);
    EXPECT_TRUE(visible(carried));
    EXPECT_EQ(rectOf(carried), (Rect{300, 300, 500, 500}));
    EXPECT_TRUE(desktop->get(carried).calls.empty());
    EXPECT_FALSE(visible(other));
    EXPECT_EQ(desktop->activations, 0);  // the carried window keeps the foreground

    switchTo(0, 0);
    EXPECT_FALSE(visible(carried));
    EXPECT_TRUE(visible(other));
    switchTo(0, 1);
    EXPECT_EQ(rectOf(carried), (Rect{300, 300, 500, 500}));
}

TEST_F(SwitchTest, HiddenCarriedWindowCountsAsNone) {
    const auto hidden = desktop->add(300, 300, 200, 200);
    desktop->edit(hidden, [](auto& w) { w.visible = false; });
    const auto target = desktop->add(10, 10, 200, 200);
    switchTo(0, 1);
    desktop->setForegroundNow(desktop->shell);
    switchTo(0, 0, hidden);
    EXPECT_EQ(desktop->foregroundWindow(), target);
}

TEST_F(SwitchTest, WindowHiddenByItsProgramIsNoLongerManaged) {
    const auto w = desktop->add(100, 100, 200, 200);
    switchTo(0, 1);
    switchTo(0, 0);
    desktop->edit(w, [](auto& win) { win.visible = false; });  // its program hides it here
    switchTo(0, 1);
    switchTo(0, 0);
    EXPECT_FALSE(visible(w));
    EXPECT_FALSE(ctrl->windows().at(w).managed);
}

TEST_F(SwitchTest, ClosedWindowsAreDroppedAndReachIntoNeighbours) {
    const auto closing = desktop->add(100, 100, 200, 200);
    // Reaches 10 pixels into (0,1): it belongs to both workspaces.
    const auto straddling = desktop->add(1090, 100, 200, 200);
    switchTo(0, 1);
    EXPECT_TRUE(visible(straddling));
    EXPECT_EQ(rectOf(straddling).left, 1090 - 1280);
    desktop->close(closing);
    switchTo(0, 0);
    EXPECT_EQ(ctrl->windows().count(closing), 0u);
    EXPECT_TRUE(visible(straddling));
}

TEST_F(SwitchTest, HungWindowsNeverHoldUpASwitchAndEndWhereTheLastSwitchPutThem) {
    std::vector<WindowId> hung, fine;
    for (int i = 0; i < 5; ++i) hung.push_back(desktop->add(20 * i, 100, 300, 200));
    for (int i = 0; i < 10; ++i) fine.push_back(desktop->add(20 * i, 400, 300, 200));
    for (auto w : hung) desktop->setHung(w, true);

    ASSERT_TRUE(ctrl->switchWS(0, 1, kNoWindow));  // returns at once
    for (auto w : fine)
        ASSERT_TRUE(desktop->waitFor(w, [](const auto& win) { return !win.visible; }));
    for (auto w : hung) EXPECT_TRUE(visible(w));  // still waiting for its program

    // Switching on while they hang: the stale live position must not move
    // them to another workspace.
    ASSERT_TRUE(ctrl->switchWS(1, 1, kNoWindow));
    ASSERT_TRUE(ctrl->switchWS(0, 0, kNoWindow));
    for (auto w : fine)
        ASSERT_TRUE(desktop->waitFor(w, [](const auto& win) { return win.visible && win.rect.top == 400; }));

    for (auto w : hung) desktop->answer(w);
    settle();
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(visible(hung[i]));
        EXPECT_EQ(rectOf(hung[i]), (Rect{20 * i, 100, 20 * i + 300, 300}));
    }
    switchTo(0, 1);
    for (auto w : hung) EXPECT_FALSE(visible(w));
}

TEST_F(SwitchTest, ForegroundGoesToARememberedOrVisibleWindowNeverAHiddenOne) {
    const auto a = desktop->add(100, 100, 200, 200);
    const auto b = desktop->add(300, 100, 200, 200);  // on top of a
    desktop->setForegroundNow(a);
    switchTo(0, 1);
    // (0,1) has no window: the desktop gets the foreground, not the hidden a.
    EXPECT_EQ(desktop->foregroundWindow(), desktop->shell);

    const auto c = desktop->add(100, 100, 200, 200);
    desktop->setForegroundNow(c);
    switchTo(0, 0);
    EXPECT_EQ(desktop->foregroundWindow(), a);  // remembered for (0,0)

    desktop->close(a);
    switchTo(0, 1);
    EXPECT_EQ(desktop->foregroundWindow(), c);
    switchTo(0, 0);
    // a is gone: the topmost window of the workspace takes the foreground.
    EXPECT_EQ(desktop->foregroundWindow(), b);
}

TEST_F(SwitchTest, SetWSFocusForAllWorkspaces) {
    const auto w = desktop->add(100, 100, 200, 200);
    ctrl->setWSFocus(w, -1, -1);
    for (int r = 0; r < kMaxGrid; ++r)
        for (int c = 0; c < kMaxGrid; ++c) EXPECT_EQ(ctrl->focusOf(r, c), w);
    EXPECT_FALSE(ctrl->activateWindow(kNoWindow));
    desktop->edit(w, [](auto& win) { win.visible = false; });
    EXPECT_FALSE(ctrl->activateWindow(w));
}

// After a display change the plane is measured anew: windows we hid that
// now fall on the current workspace come back; a minimized one is not moved
// from its minimized place, and a window its own program hid stays hidden.
// The screen changes while we run (undocking, a projector, a remote
// session): every window keeps its workspace and its place inside it,
// moved so that it lies on the new screen, shown and hidden alike. A window
// its own program hid stays hidden.
TEST_F(SwitchTest, DisplayChangeKeepsEveryWindowOnItsWorkspaceOnTheNewScreen) {
    ctrl.reset();  // one executor at a time takes the desktop's notices
    ctrl = makeController(true);
    switchTo(0, 1);
    const auto away = desktop->add(900, 100, 300, 200);  // plane x 2180, on (0,1)
    const auto minimized = desktop->add(0, 0, 160, 30);
    desktop->edit(minimized, [](auto& win) { win.minimized = true; win.rect = {-32000, -32000, -31840, -31970}; });
    switchTo(0, 0);
    const auto here = desktop->add(1100, 650, 150, 100);  // on (0,0), shown
    const auto trayApp = desktop->add(300, 300, 200, 200);
    switchTo(0, 1);
    switchTo(0, 0);
    ASSERT_FALSE(visible(away));
    desktop->edit(trayApp, [](auto& win) { win.visible = false; });  // minimized to the tray
    advance(std::chrono::seconds(2));  // long after we showed it: its program hid it
    desktop->screen = {1024, 768, 0, 0, 1024, 768};
    ctrl->updateMetrics();
    settle();

    EXPECT_TRUE(visible(here));
    EXPECT_EQ(rectOf(here), (Rect{874, 650, 1024, 750}));  // kept on the smaller screen
    EXPECT_FALSE(visible(away));
    EXPECT_FALSE(visible(trayApp));
    switchTo(0, 1);
    EXPECT_TRUE(visible(away));
    EXPECT_EQ(rectOf(away), (Rect{724, 100, 1024, 300}));
    EXPECT_TRUE(visible(minimized));
    EXPECT_EQ(rectOf(minimized).left, -32000);
    EXPECT_FALSE(visible(here));

    // Growing again keeps them where they are on their workspaces.
    desktop->screen = {1920, 1080, 0, 0, 1920, 1080};
    ctrl->updateMetrics();
    settle();
    EXPECT_TRUE(visible(away));
    EXPECT_EQ(rectOf(away).left, 724);
    switchTo(0, 0);
    EXPECT_EQ(rectOf(here), (Rect{874, 650, 1024, 750}));
    EXPECT_FALSE(visible(away));
    EXPECT_FALSE(visible(trayApp));
}

}  // namespace
}  // namespace zelvane::testing
