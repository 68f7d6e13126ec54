// Windows a switch leaves where they are: one the system keeps cloaked (a
// suspended app, a window on another of the system's own desktops), for as
// long as it is, and Zelvane's own message boxes. Wine has no cloaking: the
// stand-in DWM library of the preview tests (tests/e2e/dwm_standin) reports
// the windows listed in C:\zlvdwm\cloaked as cloaked.
#include <fstream>
#include <string>

#include "fixture.h"

namespace e2e {
namespace {

constexpr char kCloakedList[] = "C:\\zlvdwm\\cloaked";

class FilteringTest : public ZelvaneTest {
protected:
    void TearDown() override {
        ZelvaneTest::TearDown();
        DeleteFileA(kCloakedList);
    }
    static void cloak(HWND w) {
        CreateDirectoryA("C:\\zlvdwm", nullptr);
        std::ofstream(kCloakedList, std::ios::binary | std::ios::trunc)
            << std::hex << reinterpret_cast<unsigned long long>(w) << "\n";
    }
};

TEST_F(FilteringTest, CloakedWindowsAndOurOwnMessageBoxesAreLeftWhereTheyAre) {
    openOn({0, 0}, "a", 0);
    openOn({0, 1}, "b", 1);
    HostWindow* cloaked = host.open(L"cloaked", makeRect(600, 450, 250, 180));
    ASSERT_TRUE(cloaked->ok());
    cloak(cloaked->hwnd());
    ZelvaneProcess* z = startZelvane();
    ASSERT_NE(nullptr, z);

    constexpr WPARAM kHelp = 1;
    PostMessageW(z->mainWindow(), WM_COMMAND, kHelp, 0);
    HWND box = nullptr;
    ASSERT_TRUE(pollUntil([&] {
        const auto boxes = messageBoxesOf(z->pid());
        box = boxes.empty() ? nullptr : boxes.front().hwnd;
        return box && IsWindowVisible(box);
    })) << "no help box";
    const RECT boxBefore = stateOf(box).rect;
    const RECT cloakedBefore = stateOf(cloaked->hwnd()).rect;

    Workspace ws = press({}, VK_RIGHT);
    ASSERT_SETTLED(ws);
    ws = press(ws, VK_DOWN);
    ASSERT_SETTLED(ws);
    for (HWND w : {box, cloaked->hwnd()}) {
        const WindowState s = stateOf(w);
        const RECT& before = w == box ? boxBefore : cloakedBefore;
        EXPECT_TRUE(s.visible) << (w == box ? "help box" : "cloaked window") << " hidden by a switch";
        EXPECT_TRUE(EqualRect(&before, &s.rect)) << describe(s);
    }
    ASSERT_TRUE(pressMessageBoxButton(box, IDOK));

    // No longer cloaked, it is measured where it shows and managed from then
    // on: it belongs to the workspace current now, and the next switch hides it.
    DeleteFileA(kCloakedList);
    ws = press(ws, VK_UP);
    ASSERT_SETTLED(ws);
    EXPECT_FALSE(IsWindowVisible(cloaked->hwnd()));
    ws = press(ws, VK_DOWN);
    ASSERT_SETTLED(ws);
    EXPECT_TRUE(pollUntil([&] { return IsWindowVisible(cloaked->hwnd()) != FALSE; }));
}

}  // namespace
}  // namespace e2e
