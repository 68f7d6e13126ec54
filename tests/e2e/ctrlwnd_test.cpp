// The control window: it pops up where the mouse rests on a screen edge,
// without taking the focus, inside the screen, fading in to alpha 200; a
// click on a cell switches there, a right click opens the tray menu, it
// hides when the mouse leaves; its picture shows each workspace's wallpaper,
// follows the real window whatever WM_SIZE claims, and is kept: a pop-up or
// a resize reads no file.
#include <algorithm>
#include <string>
#include <vector>

#include "bitmap_file.h"
#include "fixture.h"
#include "mouse_input.h"

namespace e2e {
namespace {

constexpr wchar_t kCtrlClass[] = L"ZelvaneCtrlClass";

std::string describe(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

class CtrlWndTest : public ZelvaneTest {
protected:
    // Starts Zelvane with these settings and finds its control window.
    ::testing::AssertionResult start(const std::string& settings, std::wstring home = {}) {
        if (home.empty()) home = ZelvaneProcess::freshHome(L"ctrl");
        const std::wstring file = L"C:" + home + L"\\.zlvrc";
        HANDLE f = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return ::testing::AssertionFailure() << "cannot write the settings";
        DWORD n = 0;
        WriteFile(f, settings.data(), static_cast<DWORD>(settings.size()), &n, nullptr);
        CloseHandle(f);
        z = startZelvane(home);
        if (!z) return ::testing::AssertionFailure() << "Zelvane did not start";
        // Created last in the start-up, maybe after the main window answers.
        std::vector<HWND> found;
        pollUntil([&] {
            found = topLevelWindows(z->pid(), kCtrlClass);
            return !found.empty();
        });
        if (found.size() != 1) return ::testing::AssertionFailure() << found.size() << " control windows";
        ctrlWnd = found[0];
        if (IsWindowVisible(ctrlWnd)) return ::testing::AssertionFailure() << "the control window starts shown";
        return ::testing::AssertionSuccess();
    }

    // Rests the mouse on the right edge until the control window shows.
    ::testing::AssertionResult popUpAtRightEdge() {
        moveTo(POINT{grid.width / 2, grid.height / 2});
        moveTo(POINT{grid.width - 1, grid.height / 2});
        if (!pollUntil([&] { return IsWindowVisible(ctrlWnd) != FALSE; }))
            return ::testing::AssertionFailure() << "the control window never popped up" << zelvaneStatus();
        // Until the fade has made it visible a click would go through it.
        if (!pollUntil([&] { return alpha() == 200; }))
            return ::testing::AssertionFailure() << "the fade-in stopped at alpha " << int(alpha());
        return ::testing::AssertionSuccess();
    }

    // The alphas the window shows from the moment it is visible until it
    // reaches 200, each as first seen (the test thread polls as fast as it can).
    std::vector<int> fadeAsSeen() {
        std::vector<int> seen;
        const HANDLE self = GetCurrentThread();
        const int priority = GetThreadPriority(self);
        SetThreadPriority(self, THREAD_PRIORITY_TIME_CRITICAL);
        const double end = nowMs() + 10000;
        while (nowMs() < end && (seen.empty() || seen.back() != 200)) {
            if (IsWindowVisible(ctrlWnd) && (seen.empty() || seen.back() != alpha())) seen.push_back(alpha());
            if (seen.empty()) Sleep(1);
        }
        SetThreadPriority(self, priority);
        return seen;
    }

    BYTE alpha() const {
        BYTE a = 0;
        DWORD flags = 0;
        COLORREF key = 0;
        GetLayeredWindowAttributes(ctrlWnd, &key, &a, &flags);
        return a;
    }

    // The screen point in the middle of cell (row, col) of a 2 x 2 grid.
    POINT cellCentre(int row, int col) const {
        RECT c{};
        GetClientRect(ctrlWnd, &c);
        POINT p{c.right * (2 * col + 1) / 4, c.bottom * (2 * row + 1) / 4};
        ClientToScreen(ctrlWnd, &p);
        return p;
    }

    ZelvaneProcess* z = nullptr;
    HWND ctrlWnd = nullptr;
};

TEST_F(CtrlWndTest, PopsUpAtTheEdgeInsideTheScreenWithoutTheFocusAndFadesTo200) {
    Tracked* a = openOn({0, 0}, "a", 0);
    ASSERT_TRUE(start("popupCtrlWndDelay=300\r\n"));
    ASSERT_TRUE(activate(a));
    ASSERT_TRUE(popUpAtRightEdge());
    RECT r{};
    GetWindowRect(ctrlWnd, &r);
    EXPECT_EQ(r.right, grid.width) << describe(r);  // centred on the cursor, pushed back inside
    EXPECT_GE(r.left, 0) << describe(r);
    EXPECT_LE(r.top, grid.height / 2);
    EXPECT_GE(r.bottom, grid.height / 2);
    EXPECT_EQ(GetForegroundWindow(), a->window->hwnd()) << "the pop-up took the focus";

    // The mouse leaves it (away from any edge): it hides. A second pop-up
    // starts transparent again and fades in, never at the last pop-up's 200.
    moveTo(POINT{grid.width / 3, grid.height / 3});
    EXPECT_TRUE(pollUntil([&] { return !IsWindowVisible(ctrlWnd); })) << "still shown after the mouse left";
    moveTo(POINT{grid.width / 2, grid.height / 2});
    moveTo(POINT{grid.width - 1, grid.height / 2});
    const std::vector<int> seen = fadeAsSeen();
    ASSERT_FALSE(seen.empty()) << "the control window never popped up again" << zelvaneStatus();
    EXPECT_LT(seen.front(), 200) << "shown at the last alpha";
    EXPECT_EQ(seen.back(), 200);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << "the alpha went down during the fade";
}

TEST_F(CtrlWndTest, ClickOnACellSwitchesAndRightClickOpensTheMenu) {
    openOn({0, 0}, "a", 0);
    openOn({0, 1}, "b", 1);
    openOn({1, 1}, "d", 2);
    ASSERT_TRUE(start("popupCtrlWndDelay=300\r\n"));
    ASSERT_TRUE(popUpAtRightEdge());
    // Placed once as well: after a window popped up under the injected
    // cursor Wine may drop the next injected input (docs/wine.md).
    const POINT target = cellCentre(1, 1);
    ASSERT_TRUE(moveTo(target));
    SetCursorPos(target.x, target.y);
    ASSERT_TRUE(sendMouse(MOUSEEVENTF_LEFTDOWN));
    ASSERT_TRUE(sendMouse(MOUSEEVENTF_LEFTUP));
    ASSERT_SETTLED((Workspace{1, 1}));

    ASSERT_TRUE(moveTo(cellCentre(0, 0)));
    ASSERT_TRUE(IsWindowVisible(ctrlWnd)) << "hid while the mouse was over it";
    ASSERT_TRUE(sendMouse(MOUSEEVENTF_RIGHTDOWN));
    ASSERT_TRUE(sendMouse(MOUSEEVENTF_RIGHTUP));
    const auto menuShown = [&] {
        for (HWND w : topLevelWindows(z->pid(), L"#32768"))
            if (IsWindowVisible(w)) return true;
        return false;
    };
    EXPECT_TRUE(pollUntil(menuShown)) << "no menu opened";
    EXPECT_TRUE(pollUntil(
        [&] {
            if (menuShown()) pressChord({}, VK_ESCAPE);
            return !menuShown();
        },
        kSettle, 200ms));
    // The right click switched nothing.
    ASSERT_SETTLED((Workspace{1, 1}));
}

// Each workspace's own picture in its cell: red, blue / green, blue. The
// current cell is bright, the others dimmed, all under alpha 200: the
// strongest colour of a cell's middle tells its picture.
class CtrlWndPictureTest : public CtrlWndTest {
protected:
    void SetUp() override {
        CtrlWndTest::SetUp();
        if (IsSkipped()) return;
        home = ZelvaneProcess::freshHome(L"ctrlpic");
        const struct {
            const wchar_t* name;
            COLORREF colour;
        } pictures[] = {{L"red.bmp", RGB(255, 0, 0)}, {L"blue.bmp", RGB(0, 0, 255)}, {L"green.bmp", RGB(0, 255, 0)}};
        for (const auto& p : pictures) {
            files.push_back(L"C:" + home + L"\\" + p.name);
            ASSERT_TRUE(writeBytes(files.back(), makeBmp(64, 64, [&](int, int) { return p.colour; })));
        }
        const std::string settings = "popupCtrlWndDelay=300\r\nwallsType=1\r\nwallpaper=1-1|" + narrow(files[0]) +
                                     ",1-2|" + narrow(files[1]) + ",2-1|" + narrow(files[2]) + ",2-2|" +
                                     narrow(files[1]) + "\r\n";
        ASSERT_TRUE(start(settings, home));
    }
    // The strongest colour in the middle of cell (row, col) on the screen: 'r', 'g' or 'b'.
    char cellColour(int row, int col) const {
        const POINT p = cellCentre(row, col);
        HDC screen = GetDC(nullptr);
        const COLORREF c = GetPixel(screen, p.x, p.y);
        ReleaseDC(nullptr, screen);
        const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
        return r > g && r > b ? 'r' : g > r && g > b ? 'g' : b > r && b > g ? 'b' : '?';
    }
    std::string cells() const {
        return std::string{cellColour(0, 0), cellColour(0, 1), ' ', cellColour(1, 0), cellColour(1, 1)};
    }
    ::testing::AssertionResult showsThePictures() const {
        std::string seen;
        if (pollUntil([&] { return (seen = cells()) == "rb gb"; })) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "cells show \"" << seen << "\"";
    }

    std::wstring home;
    std::vector<std::wstring> files;
};

TEST_F(CtrlWndPictureTest, AForgedSizeMessageCannotBreakThePicture) {
    // Anyone can post these; the picture follows the real window instead.
    for (LPARAM size : {MAKELPARAM(65535, 65535), MAKELPARAM(0, 0), MAKELPARAM(1, 65535)})
        ASSERT_TRUE(PostMessageW(ctrlWnd, WM_SIZE, 0, size));
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutW(ctrlWnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result)) << zelvaneStatus();
    ASSERT_TRUE(popUpAtRightEdge());
    RECT r{};
    GetWindowRect(ctrlWnd, &r);
    EXPECT_LE(r.right - r.left, grid.width);
    EXPECT_TRUE(showsThePictures());
    // Forged again while it is shown: the cells stay where the window has them.
    for (LPARAM size : {MAKELPARAM(65535, 65535), MAKELPARAM(1, 65535)})
        ASSERT_TRUE(PostMessageW(ctrlWnd, WM_SIZE, 0, size));
    ASSERT_TRUE(SendMessageTimeoutW(ctrlWnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result)) << zelvaneStatus();
    EXPECT_TRUE(showsThePictures());
    EXPECT_TRUE(z->running());
}

// The pictures are read once, for the picture the preview shares: a pop-up
// and a resize of the window later read no file (here the files are gone).
TEST_F(CtrlWndPictureTest, APopUpAndAResizeShowThePicturesWithoutReadingTheirFiles) {
    ASSERT_TRUE(popUpAtRightEdge());
    ASSERT_TRUE(showsThePictures());
    for (const std::wstring& f : files) ASSERT_TRUE(DeleteFileW(f.c_str())) << narrow(f);
    RECT r{};
    GetWindowRect(ctrlWnd, &r);
    ASSERT_TRUE(SetWindowPos(ctrlWnd, nullptr, r.left - (r.right - r.left), r.top, 2 * (r.right - r.left),
                             r.bottom - r.top + 40, SWP_NOZORDER | SWP_NOACTIVATE));
    EXPECT_TRUE(showsThePictures()) << "after a resize";
    // The mouse leaves; moved on a little until it is seen leaving: after the
    // window changed under the injected cursor, Wine may drop the next
    // injected input (docs/wine.md).
    int step = 0;
    ASSERT_TRUE(pollUntil(
        [&] {
            moveTo(POINT{grid.width / 3 + 20 * (step++ % 2), grid.height / 3});
            return !IsWindowVisible(ctrlWnd);
        },
        kSettle, 300ms))
        << "still shown after the mouse left";
    ASSERT_TRUE(popUpAtRightEdge());
    EXPECT_TRUE(showsThePictures()) << "at the second pop-up";
}

}  // namespace
}  // namespace e2e
