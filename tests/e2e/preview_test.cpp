// End-to-end tests of the full-screen preview: opening it every way, the
// keys of the three bindings, hover and clicks, dragging a window to another
// workspace, the taskbar, a hung window, and a second request while open.
// Under Wine another process's window may be pictured black (PrintWindow
// cannot draw a foreign process's window), so these tests check where
// windows end up, never pixels.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <windows.h>

#include "fixture.h"
#include "processes.h"
#include "menu_probe/probe_client.h"
#include "mouse_input.h"
#include "unix_command.h"

namespace e2e {
namespace {

constexpr wchar_t kViewClass[] = L"ZelvaneViewClass";
constexpr UINT kPreviewCommand = 100027;
constexpr UINT kTrayCallback = WM_APP + 2;
constexpr UINT kTrayIconId = 0x8001;

// Glides the cursor there in paced steps, as a hand would, and waits until
// it is there. Under Wine a single absolute jump is seen at once by the
// process that made it but not always by others (they may go on seeing the
// old place for a while); a glide reaches everyone.
bool placeCursor(POINT p) {
    POINT from{};
    GetCursorPos(&from);
    for (int i = 1; i <= 10; ++i)
        if (!moveTo(POINT{from.x + (p.x - from.x) * i / 10, from.y + (p.y - from.y) * i / 10})) return false;
    // Other processes see the last move only once another event follows it.
    if (!moveTo(p)) return false;
    const bool there = pollUntil(
        [&] {
            POINT c{};
            GetCursorPos(&c);
            return std::abs(c.x - p.x) <= 1 && std::abs(c.y - p.y) <= 1;
        },
        2s);
    Sleep(100);
    return there;
}

std::string describeCursor() {
    POINT c{};
    GetCursorPos(&c);
    return "cursor at (" + std::to_string(c.x) + ", " + std::to_string(c.y) + ")";
}

bool tapKey(WORD vk) { return keyDown(vk) && keyUp(vk); }

// Waits until the window's thread has handled everything that reached its
// queue before this call, and what that set off in turn: a message sent
// from another thread is answered only between two messages of the queue,
// so each answered WM_NULL means at least one more of them was handled (a
// click, the double click it posts, the zoom-in that one posts). False when
// the window went away on the way (or stopped answering).
bool handledWhatCameBefore(HWND w, int rounds = 4) {
    for (int i = 0; i < rounds; ++i) {
        DWORD_PTR r = 0;
        if (!SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &r)) return false;
    }
    return true;
}

// The window of the thumbnail registered last, from the stand-in DWM's
// record ("R <thumbnail> <destination> <source>" lines, in hex).
unsigned long long lastRegisteredSource() {
    std::ifstream in("C:\\zlvdwm\\log");
    std::string kind, line;
    unsigned long long source = 0;
    while (std::getline(in, line)) {
        std::istringstream f(line);
        unsigned long long thumbnail = 0, destination = 0, from = 0;
        if (f >> kind && kind == "R" && f >> std::hex >> thumbnail >> destination >> from) source = from;
    }
    return source;
}

// Each test runs on both rendering paths: capture (composition off, as Wine
// reports) and thumbnails (the stand-in DWM library with composition on).
class PreviewTest : public ZelvaneTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        ZelvaneTest::SetUp();
        setComposition(GetParam());
    }
    void TearDown() override {
        ZelvaneTest::TearDown();
        setComposition(false);
    }
    static void setComposition(bool on) {
        CreateDirectoryA("C:\\zlvdwm", nullptr);
        std::ofstream("C:\\zlvdwm\\composition", std::ios::binary) << (on ? "1" : "0");
    }

    // Starts Zelvane with these settings lines (written to .zlvrc in a fresh home).
    ZelvaneProcess* startWith(const std::string& settings, std::wstring home = {}) {
        if (home.empty()) home = ZelvaneProcess::freshHome(L"preview");
        if (!settings.empty()) {
            std::ofstream out(narrow(L"C:" + home + L"\\.zlvrc"), std::ios::binary);
            out << settings;
        }
        return startZelvane(home);
    }

    HWND view(const ZelvaneProcess* z) const {
        for (HWND w : topLevelWindows(z->pid(), kViewClass))
            if (IsWindowVisible(w)) return w;
        return nullptr;
    }
    // Waits for the preview to be open and zoomed out, ready for input.
    HWND waitOpen(const ZelvaneProcess* z) const {
        HWND w = nullptr;
        if (!pollUntil([&] { return (w = view(z)) != nullptr; })) return nullptr;
        // The zoom-out runs on Zelvane's UI thread: once the window answers
        // a message, the zoom and the overlay's fade are over and input is
        // taken at once (input that came during them is handled late, with
        // the cursor long gone elsewhere).
        pollUntil([&] { return GetForegroundWindow() == w; }, 5s);
        for (int i = 0; i < 2; ++i) {
            DWORD_PTR r = 0;
            if (!SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &r)) return nullptr;
            Sleep(100);
        }
        return w;
    }
    bool waitClosed(const ZelvaneProcess* z) const {
        return pollUntil([&] { return topLevelWindows(z->pid(), kViewClass).empty(); });
    }
    static bool hotkeysOn() {
        return pollUntil([] { return hotkeyTaken(MOD_ALT | MOD_SHIFT, VK_SPACE); });
    }

    // The resting preview of a 2 x 2 grid at the default scale of 90 %.
    POINT cellCentre(Workspace ws) const {
        const int restW0 = grid.width * 90 / 100;
        int restW = restW0, restH = restW0 * grid.rows * grid.height / (grid.cols * grid.width);
        if (restH > grid.height) {
            restH = grid.height * 90 / 100;
            restW = restH * grid.cols * grid.width / (grid.rows * grid.height);
        }
        const int left = (grid.width - restW) / 2, top = (grid.height - restH) / 2;
        const int cellW = restW / grid.cols, cellH = restH / grid.rows;
        return POINT{left + ws.col * cellW + cellW / 2, top + ws.row * cellH + cellH / 2};
    }
    // Where a point of workspace ws's screen appears in the resting preview.
    POINT inPreview(Workspace ws, POINT onScreen) const {
        const POINT c = cellCentre(Workspace{0, 0});
        const int stepX = cellCentre({0, 1}).x - c.x, stepY = cellCentre({1, 0}).y - c.y;
        const int left = c.x - stepX / 2, top = c.y - stepY / 2;
        return POINT{left + ws.col * stepX + onScreen.x * stepX / grid.width,
                     top + ws.row * stepY + onScreen.y * stepY / grid.height};
    }
};

TEST_P(PreviewTest, HotkeyOpensItWithInputOffAndEscapeReturnsWithEverythingBack) {
    openOnEveryWorkspace(1);
    ZelvaneProcess* z = startWith("");
    ASSERT_NE(nullptr, z);
    ASSERT_TRUE(hotkeysOn());
    ASSERT_TRUE(pressChord({kAlt, kShift}, VK_SPACE));
    HWND v = waitOpen(z);
    ASSERT_NE(nullptr, v) << zelvaneStatus();
    EXPECT_FALSE(hotkeyTaken(MOD_ALT | MOD_SHIFT, VK_SPACE)) << "hotkeys still registered under the preview";
    // A second request while it is open is ignored: still one preview once
    // both requests have been handled.
    PostMessageW(z->mainWindow(), WM_COMMAND, kPreviewCommand, 0);
    PostMessageW(z->mainWindow(), WM_COMMAND, kPreviewCommand, 0);
    ASSERT_TRUE(handledWhatCameBefore(z->mainWindow()));
    EXPECT_EQ(topLevelWindows(z->pid(), kViewClass).size(), 1u);

    // Another program holds one chord for a moment while the preview
    // closes: Zelvane takes it back once it is free.
    constexpr int kBorrowed = 0x7A11;
    ASSERT_TRUE(RegisterHotKey(nullptr, kBorrowed, MOD_ALT | MOD_SHIFT, VK_RIGHT));
    ASSERT_TRUE(tapKey(VK_ESCAPE));
    ASSERT_TRUE(waitClosed(z)) << zelvaneStatus();
    EXPECT_TRUE(hotkeysOn()) << "hotkeys not registered again after the preview";
    Sleep(500);
    UnregisterHotKey(nullptr, kBorrowed);
    EXPECT_TRUE(pollUntil([] { return hotkeyTaken(MOD_ALT | MOD_SHIFT, VK_RIGHT); }, 5s))
        << "a chord taken for a moment stayed lost";
    ASSERT_SETTLED((Workspace{0, 0}));
    // And they work.
    const Workspace next = press({0, 0}, VK_RIGHT);
    ASSERT_SETTLED(next);
}

// Holding the chord down opens the preview, and the repeats of its Space
// (which with the modifiers held would mean "back") leave it open.
TEST_P(PreviewTest, HoldingTheChordOpensThePreviewAndItsRepeatsLeaveItOpen) {
    openOnEveryWorkspace(1);
    ZelvaneProcess* z = startWith("");
    ASSERT_NE(nullptr, z);
    ASSERT_TRUE(hotkeysOn());
    HWND v = nullptr;
    {
        // Held in the X server: Wine reads the keyboard back from X when the
        // preview takes the foreground, and finds them down, as a user's are.
        XKeysHeld held({L"Alt_L", L"Shift_L", L"space"});
        ASSERT_TRUE(held.ok()) << "xdotool did not run (scripts/setup.sh installs it)";
        v = waitOpen(z);
        ASSERT_NE(nullptr, v) << zelvaneStatus();
        // The key goes on repeating while it is held.
        ASSERT_TRUE(GetAsyncKeyState(VK_SPACE) < 0);
        for (int i = 0; i < 5; ++i) ASSERT_TRUE(keyDown(VK_SPACE));
        handledWhatCameBefore(v);
        EXPECT_TRUE(IsWindow(v)) << "a repeat of Space closed the preview";
    }
    ASSERT_TRUE(IsWindow(v));
    ASSERT_TRUE(tapKey(VK_ESCAPE));
    ASSERT_TRUE(waitClosed(z)) << zelvaneStatus();
    ASSERT_SETTLED((Workspace{0, 0}));
}

TEST_P(PreviewTest, KeysOfEachBindingSelectAndEnterSwitches) {
    openOnEveryWorkspace(1);
    ZelvaneProcess* z = startWith("");
    ASSERT_NE(nullptr, z);
    struct Step {
        WORD key;
        Workspace to;
    };
    // Cursor keys, then vi, then emacs, each from where the last one ended.
    const Step steps[] = {{VK_RIGHT, {0, 1}}, {'J', {1, 1}}, {'B', {1, 0}}, {'P', {0, 0}}};
    for (const Step& s : steps) {
        ASSERT_TRUE(hotkeysOn());
        ASSERT_TRUE(pressChord({kAlt, kShift}, VK_SPACE));
        ASSERT_NE(nullptr, waitOpen(z)) << zelvaneStatus();
        ASSERT_TRUE(tapKey(s.key));
        ASSERT_TRUE(tapKey(VK_RETURN));
        ASSERT_TRUE(waitClosed(z));
        ASSERT_SETTLED(s.to);
    }
}

TEST_P(PreviewTest, TrayClickOpensAndHoverWithDoubleClickChoosesTheWorkspace) {
    openOnEveryWorkspace(1);
    ZelvaneProcess* z = startWith("");
    ASSERT_NE(nullptr, z);
    PostMessageW(z->mainWindow(), kTrayCallback, kTrayIconId, WM_LBUTTONUP);
    ASSERT_NE(nullptr, waitOpen(z)) << zelvaneStatus();
    // Empty space of cell (1, 1): no window is grabbed, the click selects.
    const POINT target = inPreview({1, 1}, POINT{grid.width - 20, grid.height - 20});
    ASSERT_TRUE(placeCursor(target));
    ASSERT_TRUE(sendMouse(MOUSEEVENTF_LEFTDOWN));
    ASSERT_TRUE(sendMouse(MOUSEEVENTF_LEFTUP));
    ASSERT_TRUE(sendMouse(MOUSEEVENTF_LEFTDOWN));
    ASSERT_TRUE(sendMouse(MOUSEEVENTF_LEFTUP));
    ASSERT_TRUE(waitClosed(z)) << zelvaneStatus();
    ASSERT_SETTLED((Workspace{1, 1}));
}

TEST_P(PreviewTest, SingleClickChoosesWithoutDoubleClickAndClickOutsideDoesNothing) {
    openOnEveryWorkspace(1);
    ZelvaneProcess* z = startWith("useDblclk=false\r\nlightenPreview=false\r\n");
    ASSERT_NE(nullptr, z);
    PostMessageW(z->mainWindow(), WM_COMMAND, kPreviewCommand, 0);
    ASSERT_NE(nullptr, waitOpen(z)) << zelvaneStatus();
    ASSERT_TRUE(placeCursor(POINT{5, 5}));  // outside the plane
    ASSERT_TRUE(sendMouse(MOUSEEVENTF_LEFTDOWN));
    ASSERT_TRUE(sendMouse(MOUSEEVENTF_LEFTUP));
    // Once the click and whatever it set off have been handled, the preview
    // is still open (a choice would have zoomed in and closed it by then).
    const HWND v = view(z);
    ASSERT_NE(nullptr, v);
    handledWhatCameBefore(v);
    ASSERT_TRUE(IsWindow(v));
    ASSERT_TRUE(placeCursor(inPreview({0, 1}, POINT{grid.width - 20, grid.height - 20})));
    ASSERT_TRUE(sendMouse(MOUSEEVENTF_LEFTDOWN));
    ASSERT_TRUE(sendMouse(MOUSEEVENTF_LEFTUP));
    ASSERT_TRUE(waitClosed(z)) << zelvaneStatus();
    ASSERT_SETTLED((Workspace{0, 1}));
}

TEST_P(PreviewTest, RightDragMovesAWindowToAnotherWorkspace) {
    Tracked* moved = openOn({0, 0}, "moved", 0);
    Tracked* stays = openOn({0, 0}, "stays", 5);
    ZelvaneProcess* z = startWith("");
    ASSERT_NE(nullptr, z);
    PostMessageW(z->mainWindow(), WM_COMMAND, kPreviewCommand, 0);
    ASSERT_NE(nullptr, waitOpen(z)) << zelvaneStatus();

    // Grab the middle of `moved` in cell (0, 0) and drop it the same place in cell (0, 1).
    const RECT base = moved->base;
    const POINT middle{(base.left + base.right) / 2, (base.top + base.bottom) / 2};
    const POINT from = inPreview({0, 0}, middle), to = inPreview({0, 1}, middle);
    ASSERT_TRUE(placeCursor(from)) << describeCursor();
    ASSERT_TRUE(sendMouse(MOUSEEVENTF_RIGHTDOWN));
    for (int i = 1; i <= 10; ++i) ASSERT_TRUE(moveTo(POINT{from.x + (to.x - from.x) * i / 10, from.y}));
    ASSERT_TRUE(moveTo(to));
    Sleep(100);
    if (GetParam()) {
        // The grabbed window is registered again, last, so it is drawn above the others.
        EXPECT_EQ(lastRegisteredSource(), reinterpret_cast<unsigned long long>(moved->window->hwnd()));
    }
    ASSERT_TRUE(sendMouse(MOUSEEVENTF_RIGHTUP));
    ASSERT_TRUE(tapKey(VK_ESCAPE));
    ASSERT_TRUE(waitClosed(z)) << zelvaneStatus();

    // It lands hidden on (0, 1), about where it was on (0, 0); the other stays.
    layout.moveHome(moved, {0, 1});
    std::string misplaced;
    const bool ok = pollUntil([&] {
        const WindowState s = stateOf(moved->window->hwnd());
        const int expectedLeft = base.left + grid.width;
        return s.exists && !s.visible && std::abs(s.rect.left - expectedLeft) <= grid.width / 50 &&
               std::abs(s.rect.top - base.top) <= grid.height / 50;
    });
    EXPECT_TRUE(ok) << "moved window at " << describe(stateOf(moved->window->hwnd()));
    EXPECT_EQ(layout.mismatches({stays}, {0, 0}), "");
    // Its exact place after the drop is its new base on (0, 1).
    RECT now{};
    GetWindowRect(moved->window->hwnd(), &now);
    OffsetRect(&now, -grid.width, 0);
    moved->base = now;
    const Workspace next = press({0, 0}, VK_RIGHT);
    ASSERT_SETTLED(next);
}

TEST_P(PreviewTest, HungWindowDoesNotHoldUpOpeningOrClosing) {
    openOnEveryWorkspace(1);
    Tracked* hung = openOn({0, 1}, "hung", 6);
    ZelvaneProcess* z = startWith("");
    ASSERT_NE(nullptr, z);
    ASSERT_TRUE(hung->window->hang());
    PostMessageW(z->mainWindow(), WM_COMMAND, kPreviewCommand, 0);
    ASSERT_NE(nullptr, waitOpen(z)) << zelvaneStatus();
    ASSERT_TRUE(tapKey(VK_RIGHT));
    ASSERT_TRUE(tapKey(VK_RETURN));
    ASSERT_TRUE(waitClosed(z)) << zelvaneStatus();
    EXPECT_TRUE(hotkeysOn());
    // Everyone else is placed while the hung one still waits.
    ASSERT_EQ(layout.waitFor(layout.except({hung}), {0, 1}), "") << zelvaneStatus();
    hung->window->release();
    ASSERT_SETTLED((Workspace{0, 1}));
}

// With a program that stays hung, opening the preview again and again
// leaves Zelvane's threads and GDI objects where the first open left them.
// (Wine's GetGuiResources counts nothing, so the GDI objects are counted by
// how far fresh handles reach into the table: each leaked object pushes
// them.) Under Wine PrintWindow never waits for another process (WM_PRINT is
// not sent across processes), so the capture worker stuck on a hung program
// that Windows would show is tested natively (CaptureWorkerTest); this test
// guards everything else an open makes: the still copy, the canvas, the
// pictures, the workers.
TEST_P(PreviewTest, OpeningAgainAndAgainWithAHungWindowLeavesThreadsAndGdiObjectsAsTheyWere) {
    openOnEveryWorkspace(1);
    Tracked* hung = openOn({0, 0}, "hung", 6);
    ZelvaneProcess* z = startWith("");
    ASSERT_NE(nullptr, z);
    MenuProbe probe;
    ASSERT_TRUE(probe.attach(z->mainWindow()));
    ASSERT_TRUE(hung->window->hang());
    auto openAndClose = [&] {
        PostMessageW(z->mainWindow(), WM_COMMAND, kPreviewCommand, 0);
        if (!waitOpen(z)) return false;
        PostMessageW(view(z), WM_KEYDOWN, VK_ESCAPE, 0);
        return waitClosed(z) && hotkeysOn();
    };
    auto gdiReach = [&] { return std::atoi(probe.ask("freshgdi").c_str()); };
    // The first open starts the worker that stays blocked on the hung window;
    // the others end once their preview is gone.
    ASSERT_TRUE(openAndClose()) << zelvaneStatus();
    Sleep(2000);
    const int threads = threadCount(z->pid()), reach = gdiReach();
    ASSERT_GT(threads, 0);
    ASSERT_GT(reach, 0);
    constexpr int kOpens = 20;
    for (int i = 0; i < kOpens; ++i) ASSERT_TRUE(openAndClose()) << "open " << i << zelvaneStatus();
    Sleep(2000);
    EXPECT_LE(threadCount(z->pid()), threads) << "threads grew over " << kOpens << " opens";
    // One leaked object per open would add 20; Wine's own caches move the
    // reach by up to about 10 in the first opens.
    EXPECT_LT(gdiReach() - reach, 15) << "GDI objects grew over " << kOpens << " opens";
    hung->window->release();
    ASSERT_SETTLED((Workspace{0, 0}));
}

bool closeTo(COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= 8 && std::abs(GetGValue(a) - GetGValue(b)) <= 8 &&
           std::abs(GetBValue(a) - GetBValue(b)) <= 8;
}

COLORREF screenPixel(POINT p) {
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return c;
}

// On the capture path every window has a picture from the first frame of
// the zoom-out: a window of the current workspace its own pixels, from the
// still copy of the screen, until its capture comes in (under Wine never:
// its PrintWindow draws nothing of another process's window), and a window
// of another workspace, whose capture has not come in, its outline. No
// refresh is needed (updateInterval 0).
TEST_P(PreviewTest, EveryWindowIsPicturedFromTheFirstFrameWithoutARefresh) {
    if (GetParam()) GTEST_SKIP() << "the system draws the thumbnails (the tests' stand-in draws none)";
    Tracked* here = openOn({0, 0}, "here", 0);
    Tracked* away = openOn({0, 1}, "away", 1);
    ZelvaneProcess* z = startWith("updateInterval=0\r\nlightenPreview=false\r\n");
    ASSERT_NE(nullptr, z);
    PostMessageW(z->mainWindow(), WM_COMMAND, kPreviewCommand, 0);
    ASSERT_NE(nullptr, waitOpen(z)) << zelvaneStatus();
    auto centre = [](const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; };
    const COLORREF ownColour = RGB(40, 90, 160);  // the test's colour for workspace (0, 0)
    const POINT herePoint = inPreview({0, 0}, centre(here->base));
    EXPECT_TRUE(pollUntil([&] { return closeTo(screenPixel(herePoint), ownColour); }, 2s))
        << "the window of the current workspace shows " << std::hex << screenPixel(herePoint);
    const POINT awayPoint = inPreview({0, 1}, centre(away->base));
    EXPECT_TRUE(pollUntil([&] { return closeTo(screenPixel(awayPoint), RGB(48, 48, 48)); }, 2s))
        << "the window of another workspace shows " << std::hex << screenPixel(awayPoint);
    ASSERT_TRUE(tapKey(VK_ESCAPE));
    ASSERT_TRUE(waitClosed(z)) << zelvaneStatus();
    ASSERT_SETTLED((Workspace{0, 0}));
}

TEST_P(PreviewTest, TaskbarIsHiddenWhileOpenAndShownAfterEvenWhenZelvaneIsKilled) {
    openOn({0, 0}, "pad", 0);
    const HWND taskbar = taskbarWindow(host);
    ASSERT_NE(nullptr, taskbar);
    ASSERT_TRUE(IsWindowVisible(taskbar));
    ZelvaneProcess* z = startWith("");
    ASSERT_NE(nullptr, z);
    PostMessageW(z->mainWindow(), WM_COMMAND, kPreviewCommand, 0);
    ASSERT_NE(nullptr, waitOpen(z)) << zelvaneStatus();
    EXPECT_TRUE(pollUntil([&] { return !IsWindowVisible(taskbar); })) << "taskbar still shown under the preview";
    ASSERT_TRUE(tapKey(VK_ESCAPE));
    ASSERT_TRUE(waitClosed(z));
    EXPECT_TRUE(pollUntil([&] { return IsWindowVisible(taskbar) != FALSE; })) << "taskbar not shown again";

    // Killed with its guard during a preview: the next start shows the
    // taskbar again.
    PostMessageW(z->mainWindow(), WM_COMMAND, kPreviewCommand, 0);
    ASSERT_NE(nullptr, waitOpen(z)) << zelvaneStatus();
    ASSERT_TRUE(pollUntil([&] { return !IsWindowVisible(taskbar); }));
    killWithGuard(z);  // returns once the process is gone
    EXPECT_FALSE(IsWindowVisible(taskbar));
    ASSERT_NE(nullptr, startZelvane(z->homePath())) << zelvaneStatus();
    EXPECT_TRUE(pollUntil([&] { return IsWindowVisible(taskbar) != FALSE; })) << "taskbar left hidden after a crash";
    ASSERT_SETTLED((Workspace{0, 0}));
}

// Whether any pixel of the screen rectangle r is not black.
bool anythingDrawnIn(RECT r) {
    HDC screen = GetDC(nullptr);
    bool drawn = false;
    for (int y = r.top; y < r.bottom && !drawn; y += 2)
        for (int x = r.left; x < r.right && !drawn; x += 2) drawn = (GetPixel(screen, x, y) & 0xFFFFFF) != 0;
    ReleaseDC(nullptr, screen);
    return drawn;
}

// The size of what is drawn (not black) from the screen's top left corner
// within w x h pixels.
SIZE drawnFromCorner(int w, int h) {
    HDC screen = GetDC(nullptr);
    HDC copy = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(copy, picture);
    BitBlt(copy, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    GdiFlush();
    SIZE drawn{0, 0};
    const auto* pixels = static_cast<const DWORD*>(bits);
    for (int y = 0; pixels && y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (pixels[y * w + x] & 0xFFFFFF) {
                drawn.cx = std::max<LONG>(drawn.cx, x + 1);
                drawn.cy = std::max<LONG>(drawn.cy, y + 1);
            }
    SelectObject(copy, old);
    DeleteObject(picture);
    DeleteDC(copy);
    ReleaseDC(nullptr, screen);
    return drawn;
}

// The size of a text in the system font, as the screen's scale has it.
SIZE systemFontExtent(const std::wstring& text) {
    HDC screen = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(screen, GetStockObject(SYSTEM_FONT));
    SIZE extent{};
    GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    return extent;
}

TEST_P(PreviewTest, MiddleClickNamesAWindowUnderTheCursor) {
    Tracked* named = openOn({0, 0}, "named", 0);
    openOn({1, 1}, "other", 1);
    // No dim overlay: the top-left corner of the screen is the black margin.
    ZelvaneProcess* z = startWith("lightenPreview=false\r\n");
    ASSERT_NE(nullptr, z);
    PostMessageW(z->mainWindow(), WM_COMMAND, kPreviewCommand, 0);
    HWND v = waitOpen(z);
    ASSERT_NE(nullptr, v) << zelvaneStatus();
    const RECT corner{0, 0, 120, 14};
    ASSERT_FALSE(anythingDrawnIn(corner));

    // The class name of the window under the cursor, written in the corner.
    const RECT base = named->base;
    ASSERT_TRUE(placeCursor(inPreview({0, 0}, POINT{(base.left + base.right) / 2, (base.top + base.bottom) / 2})));
    ASSERT_TRUE(sendMouse(MOUSEEVENTF_MIDDLEDOWN));
    ASSERT_TRUE(sendMouse(MOUSEEVENTF_MIDDLEUP));
    EXPECT_TRUE(pollUntil([&] { return anythingDrawnIn(corner); }, 5s)) << "no class name written";
    // Whole, in the system font of the screen's scale (24 pixels high at
    // 150 %), in the margin above the resting grid.
    const SIZE name = systemFontExtent(L"ZelvaneE2EWindow");
    SIZE label{};
    EXPECT_TRUE(pollUntil([&] {
        label = drawnFromCorner(grid.width / 2, inPreview({0, 0}, POINT{0, 0}).y);
        return label.cx >= name.cx && label.cy >= name.cy;
    }, 5s)) << "the label is " << label.cx << "x" << label.cy << ", the name needs " << name.cx << "x" << name.cy;
    ASSERT_TRUE(tapKey(VK_ESCAPE));
    ASSERT_TRUE(waitClosed(z)) << zelvaneStatus();
    ASSERT_SETTLED((Workspace{0, 0}));
}

// The display mode, changed for a test and put back however it ends.
class DisplayMode {
public:
    bool change(int width, int height) {
        DEVMODEW mode{};
        mode.dmSize = sizeof mode;
        mode.dmPelsWidth = static_cast<DWORD>(width);
        mode.dmPelsHeight = static_cast<DWORD>(height);
        mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
        changed_ = ChangeDisplaySettingsExW(nullptr, &mode, nullptr, 0, nullptr) == DISP_CHANGE_SUCCESSFUL;
        return changed_ && GetSystemMetrics(SM_CXSCREEN) == width;
    }
    ~DisplayMode() {
        if (changed_) ChangeDisplaySettingsExW(nullptr, nullptr, nullptr, 0, nullptr);
    }

private:
    bool changed_ = false;
};

// What the system does at a display change: WM_DISPLAYCHANGE to every
// top-level window, from the top of the Z order down (the preview, topmost
// and shown last, before Zelvane's main window).
void tellEveryWindowTheDisplayChanged() {
    const LPARAM size = MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    for (HWND w : topLevelWindows(0)) {
        DWORD_PTR r = 0;
        SendMessageTimeoutW(w, WM_DISPLAYCHANGE, 32, size, SMTO_ABORTIFHUNG, 5000, &r);
    }
}

// A display change while the preview is open ends it on the selection at
// once, with the desktop given back (view gone, hotkeys on, taskbar shown)
// and every window placed for the new screen, whichever window of Zelvane's
// hears of the change first.
TEST_P(PreviewTest, ADisplayChangeEndsThePreviewOnTheSelectionWithTheNewScreen) {
    Tracked* away = openOn({0, 0}, "away", 0);
    Tracked* chosen = openOn({1, 1}, "chosen", 1);
    const HWND taskbar = taskbarWindow(host);
    ASSERT_NE(nullptr, taskbar);
    ZelvaneProcess* z = startWith("");
    ASSERT_NE(nullptr, z);
    PostMessageW(z->mainWindow(), WM_COMMAND, kPreviewCommand, 0);
    ASSERT_NE(nullptr, waitOpen(z)) << zelvaneStatus();
    ASSERT_TRUE(placeCursor(inPreview({1, 1}, POINT{grid.width - 20, grid.height - 20})));
    ASSERT_TRUE(pollUntil([&] { return !IsWindowVisible(taskbar); }));

    constexpr int kWidth = 1024, kHeight = 768;
    DisplayMode mode;
    ASSERT_TRUE(mode.change(kWidth, kHeight)) << "the display mode did not change";
    tellEveryWindowTheDisplayChanged();
    ASSERT_TRUE(waitClosed(z)) << zelvaneStatus();
    EXPECT_TRUE(hotkeysOn());
    EXPECT_TRUE(pollUntil([&] { return IsWindowVisible(taskbar) != FALSE; })) << "taskbar not shown again";
    // (1, 1) is current: its window shows on the new screen; the window of
    // (0, 0) is hidden one new screen to the left and up, where the new
    // plane puts it (on the old one it would be one old screen away).
    EXPECT_TRUE(pollUntil([&] {
        const WindowState s = stateOf(chosen->window->hwnd());
        return s.visible && s.rect.left >= 0 && s.rect.right <= kWidth && s.rect.top >= 0 && s.rect.bottom <= kHeight;
    })) << "chosen: " << describe(stateOf(chosen->window->hwnd()));
    EXPECT_TRUE(pollUntil([&] {
        const WindowState s = stateOf(away->window->hwnd());
        return !s.visible && s.rect.left == away->base.left - kWidth && s.rect.top == away->base.top - kHeight;
    })) << "away: " << describe(stateOf(away->window->hwnd()));
}

INSTANTIATE_TEST_SUITE_P(BothPaths, PreviewTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& path) {
                             return path.param ? "Thumbnails" : "Capture";
                         });

}  // namespace
}  // namespace e2e
