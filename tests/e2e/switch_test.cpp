// Switching with the hotkeys: which windows are moved and hidden, which come
// back, where they land, the carried window, digit jumps and the windows of
// system classes that no switch touches.
#include "fixture.h"

namespace e2e {
namespace {

class SwitchTest : public ZelvaneTest {};

TEST_F(SwitchTest, ArrowsMoveAndHideOtherWorkspacesAndBringWindowsBackExactly) {
    openOnEveryWorkspace(2);
    ASSERT_NE(nullptr, startZelvane());

    Workspace ws{};
    ws = press(ws, VK_RIGHT);  // (0,1): (0,0) goes left and hides, (0,1) comes on screen
    ASSERT_EQ((Workspace{0, 1}), ws);
    ASSERT_SETTLED(ws);
    ws = press(ws, VK_LEFT);  // back to (0,0): exactly where they were
    ASSERT_SETTLED(ws);
    ws = press(ws, VK_DOWN);
    ASSERT_SETTLED(ws);
    ws = press(ws, VK_RIGHT);
    ASSERT_SETTLED(ws);
    ws = press(ws, VK_UP);
    ASSERT_EQ((Workspace{0, 1}), ws);
    ASSERT_SETTLED(ws);
}

TEST_F(SwitchTest, ArrowsStopAtTheEdgeOfTheGrid) {
    // A press at the edge must do nothing; the press after it shows whether
    // the first one wrapped around (on 2 x 2 a wrap lands elsewhere).
    openOnEveryWorkspace(1);
    ASSERT_NE(nullptr, startZelvane());

    Workspace ws{};
    ws = press(ws, VK_LEFT);
    ws = press(ws, VK_DOWN);
    ASSERT_EQ((Workspace{1, 0}), ws);
    ASSERT_SETTLED(ws);
    ws = press(ws, VK_DOWN);
    ws = press(ws, VK_RIGHT);
    ASSERT_EQ((Workspace{1, 1}), ws);
    ASSERT_SETTLED(ws);
    ws = press(ws, VK_RIGHT);
    ws = press(ws, VK_UP);
    ASSERT_EQ((Workspace{0, 1}), ws);
    ASSERT_SETTLED(ws);
    ws = press(ws, VK_UP);
    ws = press(ws, VK_LEFT);
    ASSERT_EQ((Workspace{0, 0}), ws);
    ASSERT_SETTLED(ws);
}

TEST_F(SwitchTest, CarriedWindowStaysPutAndBelongsToTheNewWorkspace) {
    Tracked* carried = openOn({0, 0}, "carried", 0);
    openOn({0, 0}, "stays", 1);
    openOn({0, 1}, "right", 2);
    openOn({1, 1}, "diagonal", 3);
    ASSERT_NE(nullptr, startZelvane());
    ASSERT_TRUE(activate(carried));

    Workspace ws = pressCarrying({}, VK_RIGHT);
    layout.moveHome(carried, ws);
    ASSERT_SETTLED(ws);
    EXPECT_EQ(carried->window->hwnd(), GetForegroundWindow());

    // It lives on (0,1) now: going back left hides it with the others of (0,1).
    ws = press(ws, VK_LEFT);
    ASSERT_SETTLED(ws);
    ws = press(ws, VK_RIGHT);
    ASSERT_SETTLED(ws);
}

TEST_F(SwitchTest, DigitsJumpRowByRowAndIgnoreWorkspacesOutsideTheGrid) {
    openOnEveryWorkspace(1);
    Tracked* carried = openOn({0, 0}, "carried", 5);
    ASSERT_NE(nullptr, startZelvane());

    Workspace ws = press({}, '3');  // 2 x 2: workspace 3 is row 1, column 0
    ASSERT_EQ((Workspace{1, 0}), ws);
    ASSERT_SETTLED(ws);
    // 5 is outside a 2 x 2 grid: nothing happens, so Right goes to (1,1).
    ws = press(ws, '5');
    ws = press(ws, VK_RIGHT);
    ASSERT_EQ((Workspace{1, 1}), ws);
    ASSERT_SETTLED(ws);
    ws = press(ws, '2');
    ASSERT_EQ((Workspace{0, 1}), ws);
    ASSERT_SETTLED(ws);
    ws = press(ws, '1');
    ASSERT_SETTLED(ws);

    // Alt+Win+digit jumps and takes the foreground window along.
    ASSERT_TRUE(activate(carried));
    ws = pressCarrying(ws, '4');
    ASSERT_EQ((Workspace{1, 1}), ws);
    layout.moveHome(carried, ws);
    ASSERT_SETTLED(ws);
}

TEST_F(SwitchTest, TopLevelWindowOfSystemClassIsVisibleOnEveryWorkspace) {
    openOnEveryWorkspace(1);
    WindowOptions buttonClass;
    buttonClass.className = L"Button";
    HostWindow* button = host.open(L"system-class", makeRect(500, 300, 200, 80), buttonClass);
    ASSERT_TRUE(button->ok()) << narrow(button->error());
    const RECT buttonRect = button->createdRect();
    ASSERT_NE(nullptr, startZelvane());

    Workspace ws{};
    for (WORD key : {VK_RIGHT, VK_DOWN, VK_LEFT, VK_UP}) {
        ws = press(ws, key);
        ASSERT_SETTLED(ws);
        WindowState s = stateOf(button->hwnd());
        EXPECT_TRUE(s.visible && EqualRect(&s.rect, &buttonRect))
            << "on workspace " << ws.row << "," << ws.col << " the Button window is " << describe(s);
    }
}

}  // namespace
}  // namespace e2e
