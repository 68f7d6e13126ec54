// Two monitors of different sizes side by side: the primary (1280 x 800) on
// the left, a smaller one (1024 x 768) on its right, so the virtual screen
// (one workspace) has a strip below the smaller monitor that no monitor
// shows. scripts/e2e.sh runs this suite on such a pair (ZELVANE_MONITORS=2);
// on one monitor it skips itself.
//
// Switching, the preview, the control window's pop-up, the edge flips and
// distant view over both monitors; and the mouse right after a slide, when
// the hooks come back from being off.
#include <fstream>
#include <string>
#include <vector>

#include "bitmap_file.h"
#include "fixture.h"
#include "message_spy.h"
#include "mouse_input.h"

namespace e2e {
namespace {

constexpr wchar_t kViewClass[] = L"ZelvaneViewClass";
constexpr wchar_t kCtrlClass[] = L"ZelvaneCtrlClass";
constexpr UINT kPreviewCommand = 100027;
constexpr unsigned kCmdWallsDistant = 22;
constexpr unsigned kHotkeyLeft = 100001;
constexpr unsigned kHotkeyRight = 100002;
constexpr unsigned kHotkeyDown = 100004;

struct Monitors {
    RECT primary{};
    RECT second{};
    int count = 0;
};

BOOL CALLBACK collectMonitor(HMONITOR m, HDC, LPRECT, LPARAM data) {
    auto& found = *reinterpret_cast<Monitors*>(data);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(m, &info)) return TRUE;
    ++found.count;
    (info.dwFlags & MONITORINFOF_PRIMARY ? found.primary : found.second) = info.rcMonitor;
    return TRUE;
}

Monitors monitors() {
    Monitors found;
    EnumDisplayMonitors(nullptr, nullptr, collectMonitor, reinterpret_cast<LPARAM>(&found));
    return found;
}

// An absolute move that lands on exactly this pixel: Wine turns the 0..65535
// units back into pixels by truncating, so the units are rounded up.
bool moveExactlyTo(POINT p) {
    const int x0 = GetSystemMetrics(SM_XVIRTUALSCREEN), y0 = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const auto units = [](int v, int origin, int size) {
        return static_cast<LONG>((static_cast<long long>(v - origin) * 65536 + size - 1) / size);
    };
    return sendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK, units(p.x, x0, w),
                     units(p.y, y0, h));
}

std::string describePoint(POINT p) { return "(" + std::to_string(p.x) + ", " + std::to_string(p.y) + ")"; }

POINT cursor() {
    POINT p{};
    GetCursorPos(&p);
    return p;
}

bool cursorIs(POINT want) {
    return pollUntil([&] {
        const POINT p = cursor();
        return p.x == want.x && p.y == want.y;
    });
}

bool inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

unsigned idOf(HWND w) { return static_cast<unsigned>(reinterpret_cast<UINT_PTR>(w)); }

// A field of a BMP header (little-endian).
std::uint32_t get32(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
    return v;
}

COLORREF screenPixel(POINT p) {
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, p.x, p.y) & 0xFFFFFF;
    ReleaseDC(nullptr, screen);
    return c;
}

bool reddish(COLORREF c) { return GetRValue(c) > 200 && GetBValue(c) < 60; }
bool bluish(COLORREF c) { return GetBValue(c) > 200 && GetRValue(c) < 60; }

std::wstring registryText(const wchar_t* value) {
    wchar_t text[MAX_PATH + 1]{};
    DWORD bytes = sizeof(text) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", value, RRF_RT_REG_SZ, nullptr, text, &bytes) !=
        ERROR_SUCCESS)
        return L"(none)";
    return text;
}

// The stand-in DWM library reports composition on or off (thumbnail_test.cpp).
void setComposition(bool on) {
    CreateDirectoryA("C:\\zlvdwm", nullptr);
    std::ofstream("C:\\zlvdwm\\composition", std::ios::binary) << (on ? "1" : "0");
}

class TwoMonitorTest : public ZelvaneTest {
protected:
    void SetUp() override {
        ZelvaneTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        screens = monitors();
        if (screens.count != 2) GTEST_SKIP() << screens.count << " monitor(s) here; scripts/e2e.sh runs this suite on two";
        ASSERT_EQ(0, screens.primary.left);
        ASSERT_EQ(screens.primary.right, screens.second.left) << "the smaller monitor is expected on the right";
        ASSERT_LT(screens.second.bottom, screens.primary.bottom) << "the monitor on the right is expected lower";
        // The part of the virtual screen that no monitor shows.
        strip = RECT{screens.second.left, screens.second.bottom, screens.second.right, screens.primary.bottom};
        setComposition(false);
    }
    void TearDown() override {
        ZelvaneTest::TearDown();
        setComposition(false);
    }

    // Starts Zelvane with these settings lines and hooks the spy onto its
    // main window.
    ZelvaneProcess* start(const std::string& settings) {
        home = ZelvaneProcess::freshHome(L"two");
        if (!writeBytes(L"C:" + home + L"\\.zlvrc", settings)) {
            ADD_FAILURE() << "cannot write the settings";
            return nullptr;
        }
        ZelvaneProcess* z = startZelvane(home);
        if (z && !spy.attach(z->mainWindow())) {
            ADD_FAILURE() << spy.error();
            return nullptr;
        }
        if (z) {
            pollUntil([&] { return !topLevelWindows(z->pid(), kCtrlClass).empty(); });
            const auto found = topLevelWindows(z->pid(), kCtrlClass);
            ctrlWnd = found.empty() ? nullptr : found.front();
        }
        return z;
    }

    // The preview, once it has zoomed out and takes input.
    HWND openView(const ZelvaneProcess* z) const {
        HWND view = nullptr;
        pollUntil([&] {
            for (HWND w : topLevelWindows(z->pid(), kViewClass))
                if (IsWindowVisible(w)) view = w;
            return view != nullptr;
        });
        // The zoom runs on Zelvane's UI thread; a key posted before it has
        // started is not taken (preview_test.cpp waits the same way).
        pollUntil([&] { return GetForegroundWindow() == view; }, 5s);
        for (int i = 0; view && i < 2; ++i) {
            DWORD_PTR r = 0;
            if (!SendMessageTimeoutW(view, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &r)) return nullptr;
        }
        return view;
    }
    bool viewClosed(const ZelvaneProcess* z) const {
        return pollUntil([&] { return topLevelWindows(z->pid(), kViewClass).empty(); }) &&
               pollUntil([] { return hotkeyTaken(MOD_ALT | MOD_SHIFT, VK_SPACE); });
    }

    // The visible top-level windows, of every program, that reach into the
    // strip no monitor shows.
    std::string windowsInTheStrip() const {
        std::string found;
        for (HWND w : topLevelWindows(0)) {
            RECT r{}, overlap{};
            if (!IsWindowVisible(w) || !GetWindowRect(w, &r) || !IntersectRect(&overlap, &r, &strip)) continue;
            wchar_t name[128] = L"";
            GetClassNameW(w, name, 128);
            found += " " + narrow(name) + " at " + describe(r);
        }
        return found;
    }

    // Modifiers injected here reach the async key state of Zelvane's thread
    // later than the test's own (no virtual desktop), and the focus that
    // moves after a switch makes Wine read the keyboard back from X, which
    // never saw them (docs/wine.md): they are given a moment and pressed
    // again before the mouse that should find them down.
    static void letModifiersArrive(HeldModifiers& held) {
        Sleep(300);
        held.reassert();
    }

    // Moves the mouse away to p. After a pop-up under the injected cursor
    // Wine may drop the next injected move (docs/wine.md): the cursor is
    // placed first, and moved once more.
    static void leaveTo(POINT p) {
        SetCursorPos(p.x, p.y);
        moveExactlyTo(POINT{p.x + 1, p.y});
        moveExactlyTo(p);
    }

    // Rests the mouse at p (coming from the middle of its monitor, away from
    // every edge) until the control window shows there.
    ::testing::AssertionResult popUpAt(POINT p) {
        const RECT& m = PtInRect(&screens.second, p) ? screens.second : screens.primary;
        leaveTo(POINT{(m.left + m.right) / 2, (m.top + m.bottom) / 2});
        if (!pollUntil([&] { return !IsWindowVisible(ctrlWnd); }))
            return ::testing::AssertionFailure() << "the control window did not hide";
        // After a pop-up under the injected cursor Wine may drop the next
        // injected move (docs/wine.md): the cursor is placed as well.
        SetCursorPos(p.x, p.y);
        moveExactlyTo(p);
        if (!pollUntil([&] { return IsWindowVisible(ctrlWnd) != FALSE; }, 5s))
            return ::testing::AssertionFailure() << "no pop-up at " << describePoint(p) << zelvaneStatus();
        return ::testing::AssertionSuccess();
    }

    Monitors screens;
    RECT strip{};
    MessageSpy spy;
    std::wstring home;
    HWND ctrlWnd = nullptr;
};

TEST_F(TwoMonitorTest, SwitchesPutWindowsBackExactlyOnBothMonitorsAndNoneInTheStripNoMonitorShows) {
    const RECT& p = screens.primary;
    const RECT& s = screens.second;
    // On every workspace: one window on each monitor, one across the edge
    // they share, and one along the bottom of the smaller monitor.
    for (int r = 0; r < grid.rows; ++r)
        for (int c = 0; c < grid.cols; ++c) {
            const Workspace ws{r, c};
            const std::string tag = std::to_string(r) + std::to_string(c);
            const int k = 2 * r + c;
            layout.open(host, "primary" + tag, ws, makeRect(p.left + 60 + 30 * k, p.top + 60 + 20 * k, 300, 200));
            layout.open(host, "second" + tag, ws, makeRect(s.left + 80 + 30 * k, s.top + 90 + 20 * k, 320, 180));
            layout.open(host, "across" + tag, ws, makeRect(s.left - 150 - 10 * k, 380 + 15 * k, 300, 160));
            layout.open(host, "low" + tag, ws, makeRect(s.left + 400 + 20 * k, s.bottom - 150, 280, 150));
        }
    for (Tracked* t : layout.all()) ASSERT_TRUE(t->window->ok()) << t->name;
    ZelvaneProcess* z = start("popupCtrlWnd=false\r\n");
    ASSERT_NE(nullptr, z);

    Workspace ws{};
    for (const WORD key : {WORD{VK_RIGHT}, WORD{VK_DOWN}, WORD{VK_LEFT}, WORD{VK_UP}, WORD{'4'}, WORD{'1'}}) {
        ws = press(ws, key);
        ASSERT_SETTLED(ws);
        EXPECT_EQ("", windowsInTheStrip()) << "after the switch to " << ws.row << "," << ws.col;
    }
    ASSERT_TRUE(z->close());
    EXPECT_EQ("", layout.waitAllReleased());
}

TEST_F(TwoMonitorTest, ThePreviewCoversBothMonitors) {
    openOn({0, 0}, "a", 0);
    openOn({1, 1}, "d", 1);
    // A window on the smaller monitor, wholly inside it.
    const RECT& s = screens.second;
    Tracked* distant = layout.open(host, "distant", {0, 0}, makeRect(s.left + 200, s.top + 200, 400, 300));
    ASSERT_TRUE(distant->window->ok());
    ZelvaneProcess* z = start("lightenPreview=false\r\npopupCtrlWnd=false\r\n");
    ASSERT_NE(nullptr, z);
    const POINT distantCentre{s.left + 400, s.top + 350};
    ASSERT_TRUE(pollUntil([&] { return screenPixel(distantCentre) != RGB(0, 0, 0); })) << "the window is not drawn";

    ASSERT_TRUE(PostMessageW(z->mainWindow(), WM_COMMAND, kPreviewCommand, 0));
    const HWND view = openView(z);
    ASSERT_NE(nullptr, view) << zelvaneStatus();
    RECT r{};
    GetWindowRect(view, &r);
    const RECT virtualScreen{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                             GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                             GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    EXPECT_TRUE(EqualRect(&r, &virtualScreen)) << "the preview is at " << describe(r);
    EXPECT_TRUE(GetWindowLongPtrW(view, GWL_EXSTYLE) & WS_EX_TOPMOST);
    // The resting grid is centred on the primary monitor; the smaller one
    // shows the preview's black margin over the window that was there.
    EXPECT_TRUE(pollUntil([&] { return screenPixel(distantCentre) == RGB(0, 0, 0); }))
        << "the smaller monitor still shows " << std::hex << screenPixel(distantCentre);
    ASSERT_TRUE(PostMessageW(view, WM_KEYDOWN, VK_ESCAPE, 0));
    ASSERT_TRUE(viewClosed(z)) << zelvaneStatus();
    ASSERT_SETTLED((Workspace{0, 0}));
}

TEST_F(TwoMonitorTest, TheControlWindowPopsUpWholeOnTheMonitorWhoseEdgeTheMouseRestsOn) {
    ZelvaneProcess* z = start("popupCtrlWndDelay=300\r\n");
    ASSERT_NE(nullptr, z);
    ASSERT_NE(nullptr, ctrlWnd);
    const RECT& p = screens.primary;
    const RECT& s = screens.second;
    const struct {
        const char* where;
        POINT at;
        const RECT& monitor;
    } rests[] = {
        {"the right edge, low on the smaller monitor", {s.right - 1, s.bottom - 6}, s},
        {"the top edge beside the shared edge, on the smaller monitor", {s.left + 4, s.top}, s},
        {"the top edge beside the shared edge, on the primary", {p.right - 5, p.top}, p},
        {"the bottom edge beside the shared edge, on the primary", {p.right - 5, p.bottom - 1}, p},
        {"the left edge at the bottom corner of the primary", {p.left, p.bottom - 2}, p},
    };
    for (const auto& rest : rests) {
        ASSERT_TRUE(popUpAt(rest.at)) << rest.where;
        RECT r{};
        GetWindowRect(ctrlWnd, &r);
        EXPECT_TRUE(inside(r, rest.monitor)) << rest.where << ": the window is at " << describe(r)
                                             << ", the monitor at " << describe(rest.monitor);
    }
}

TEST_F(TwoMonitorTest, EdgeFlipsHappenAtTheOuterEdgesAndNotAtTheEdgeTheMonitorsShare) {
    openOn({0, 0}, "a", 0);
    openOn({0, 1}, "b", 1);
    openOn({1, 0}, "c", 2);
    ZelvaneProcess* z = start("popupCtrlWnd=false\r\n");
    ASSERT_NE(nullptr, z);
    const RECT& p = screens.primary;
    const RECT& s = screens.second;
    const int y = 400;  // a row both monitors have; absolute input maps it exactly

    // Across the shared edge and on to the far right edge: one flip, at the
    // far edge, landing 5 pixels inside the left edge.
    moveExactlyTo(POINT{p.right / 2, y});
    SetCursorPos(p.right / 2, y);
    std::size_t from = spy.mark();
    {
        HeldModifiers held({kAlt, kShift});
        letModifiersArrive(held);
        for (const int x : {p.right - 2, p.right - 1, s.left, s.left + 1, (s.left + s.right) / 2})
            ASSERT_TRUE(moveExactlyTo(POINT{x, y}));
        EXPECT_TRUE(cursorIs(POINT{(s.left + s.right) / 2, y})) << "the cursor is at " << describePoint(cursor());
        ASSERT_TRUE(moveExactlyTo(POINT{s.right - 1, y}));
        EXPECT_TRUE(cursorIs(POINT{p.left + 5, y})) << "the cursor is at " << describePoint(cursor());
    }
    EXPECT_TRUE(spy.waitFor(WM_HOTKEY, kHotkeyRight, from));
    ASSERT_SETTLED((Workspace{0, 1}));
    ASSERT_TRUE(spy.drain());
    EXPECT_EQ(1u, spy.count(WM_HOTKEY, kHotkeyRight, from)) << "the shared edge flipped too";

    // The left edge of the primary leads back, landing on the smaller monitor.
    moveExactlyTo(POINT{p.right / 2, y});
    SetCursorPos(p.right / 2, y);
    from = spy.mark();
    {
        HeldModifiers held({kAlt, kShift});
        letModifiersArrive(held);
        ASSERT_TRUE(moveExactlyTo(POINT{p.left, y}));
        EXPECT_TRUE(cursorIs(POINT{s.right - 5, y})) << "the cursor is at " << describePoint(cursor());
    }
    EXPECT_TRUE(spy.waitFor(WM_HOTKEY, kHotkeyLeft, from));
    ASSERT_SETTLED((Workspace{0, 0}));
    ASSERT_TRUE(spy.drain());

    // The bottom of the primary is the bottom of the virtual screen.
    const int x = p.right / 3;
    moveExactlyTo(POINT{x, p.bottom / 2});
    SetCursorPos(x, p.bottom / 2);
    from = spy.mark();
    {
        HeldModifiers held({kAlt, kShift});
        letModifiersArrive(held);
        ASSERT_TRUE(moveExactlyTo(POINT{x, p.bottom - 1}));
        EXPECT_TRUE(cursorIs(POINT{x, p.top + 5})) << "the cursor is at " << describePoint(cursor());
    }
    EXPECT_TRUE(spy.waitFor(WM_HOTKEY, kHotkeyDown, from));
    ASSERT_SETTLED((Workspace{1, 0}));
}

TEST_F(TwoMonitorTest, DistantViewSpreadsThePictureOverBothMonitors) {
    const int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    home = ZelvaneProcess::freshHome(L"spread");
    const std::wstring picture = L"C:" + home + L"\\halves.bmp";
    const auto halves = [w](int x, int) { return x < w / 2 ? RGB(255, 0, 0) : RGB(0, 0, 255); };  // red | blue
    ASSERT_TRUE(writeBytes(picture, makeBmp(w, h, halves)));
    ASSERT_TRUE(writeBytes(L"C:" + home + L"\\.zlvrc",
                          "wallsType=1\r\npopupCtrlWnd=false\r\nwallpaper=1-1|" + narrow(picture) + "\r\n"));
    const std::wstring saved = registryText(L"Wallpaper");
    ZelvaneProcess* z = startZelvane(home);
    ASSERT_NE(nullptr, z);
    ASSERT_TRUE(PostMessageW(z->mainWindow(), WM_COMMAND, kCmdWallsDistant, 0));
    const std::wstring data = L"C:" + home + L"\\.zlv\\";
    ASSERT_TRUE(pollUntil([&] { return !readBytes(data + L"1_2.bmp").empty(); })) << "no crops written";

    // Each workspace's picture is as large as the virtual screen, so the
    // system's tiling from the virtual screen's corner spreads it over both
    // monitors: the left workspace's crop starts red on the primary, the
    // right one's ends blue on the far edge of the smaller monitor.
    const std::string left = readBytes(data + L"1_1.bmp"), right = readBytes(data + L"1_2.bmp");
    for (const std::string* crop : {&left, &right}) {
        EXPECT_EQ(static_cast<std::uint32_t>(w), get32(*crop, 18));
        EXPECT_EQ(static_cast<std::uint32_t>(h), get32(*crop, 22));
    }
    EXPECT_TRUE(reddish(bmpPixel(left, screens.primary.left + 2, 2)));
    EXPECT_TRUE(bluish(bmpPixel(right, screens.second.right - 3, 2)));
    EXPECT_TRUE(bluish(bmpPixel(right, screens.second.right - 3, screens.second.bottom - 3)));
    ASSERT_TRUE(postSwitch(z->mainWindow(), 0, 1));
    EXPECT_TRUE(pollUntil([&] { return registryText(L"Wallpaper") == data + L"1_2.bmp"; }))
        << "the system has " << narrow(registryText(L"Wallpaper"));
    EXPECT_EQ(L"1", registryText(L"TileWallpaper"));
    ASSERT_TRUE(z->close());
    std::wstring back = saved;
    SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, back.data(), SPIF_UPDATEINIFILE);
}

// The hooks are off while a preview or a slide runs, and a window dragged
// to an edge flips with a slide: its button is let go while the slide runs,
// unseen. What waited for that release must not outlive the slide.
TEST_F(TwoMonitorTest, AfterADraggedWindowSlidesTheFirstRestAndTheNextDragFlipWork) {
    const RECT& s = screens.second;
    Tracked* first = layout.open(host, "first", {0, 0}, makeRect(s.right - 420, 300, 320, 220));
    Tracked* next = openOn({0, 1}, "next", 1);
    openOn({0, 0}, "stays", 2);
    setComposition(true);
    // A slow slide: the drag's button goes up while it runs.
    ZelvaneProcess* z = start("edgeFlip=true\r\npopupCtrlWndDelay=300\r\ntransitionTime=400\r\n");
    ASSERT_NE(nullptr, z);

    const auto dragToEdge = [&](Tracked* t, int edgeX) {
        RECT r{};
        GetWindowRect(t->window->hwnd(), &r);
        const POINT title{r.left + 80, r.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2};
        moveExactlyTo(title);
        SetCursorPos(title.x, title.y);
        const std::size_t from = spy.mark();
        sendMouse(MOUSEEVENTF_LEFTDOWN);
        for (int i = 1; i <= 20; ++i) moveExactlyTo(POINT{title.x + (edgeX - title.x) * i / 20, title.y});
        sendMouse(MOUSEEVENTF_LEFTUP);
        return from;
    };

    std::size_t from = dragToEdge(first, s.right - 1);
    EXPECT_TRUE(spy.waitFor(kSwitchRequest, idOf(first->window->hwnd()), from)) << "the drag did not flip";
    ASSERT_TRUE(viewClosed(z)) << zelvaneStatus();
    EXPECT_EQ("", layout.waitFor(layout.except({first}), {0, 1}));

    // The first rest at an edge afterwards pops the control window up.
    ASSERT_TRUE(popUpAt(POINT{screens.primary.left, 200}));

    // The next window dragged to an edge is the one that goes along.
    leaveTo(POINT{screens.primary.right / 2, 600});
    ASSERT_TRUE(pollUntil([&] { return !IsWindowVisible(ctrlWnd); })) << "the control window did not hide";
    from = dragToEdge(next, screens.primary.left);
    EXPECT_TRUE(spy.waitFor(kSwitchRequest, idOf(next->window->hwnd()), from))
        << "the flip did not carry the window dragged now";
    ASSERT_TRUE(spy.drain());
    EXPECT_EQ(0u, spy.count(kSwitchRequest, idOf(first->window->hwnd()), from))
        << "the flip carried the window of the earlier drag";
    ASSERT_TRUE(viewClosed(z)) << zelvaneStatus();
}

// A rest on an edge that began before the preview opened ends while it is
// open: the control window, which made way for the preview, stays hidden.
TEST_F(TwoMonitorTest, ARestThatBeganBeforeThePreviewPopsNothingUpOverItOrAfterIt) {
    ZelvaneProcess* z = start("popupCtrlWndDelay=1000\r\n");
    ASSERT_NE(nullptr, z);
    const POINT edge{screens.second.right - 1, 300};
    moveExactlyTo(POINT{(screens.second.left + screens.second.right) / 2, 300});
    SetCursorPos(edge.x, edge.y);
    moveExactlyTo(edge);
    ASSERT_TRUE(PostMessageW(z->mainWindow(), WM_COMMAND, kPreviewCommand, 0));
    const HWND view = openView(z);
    ASSERT_NE(nullptr, view) << zelvaneStatus();
    // Past the rest's second and more, with the cursor still on the edge.
    Sleep(1500);
    EXPECT_FALSE(IsWindowVisible(ctrlWnd)) << "the control window popped up over the preview";
    ASSERT_TRUE(PostMessageW(view, WM_KEYDOWN, VK_ESCAPE, 0));
    ASSERT_TRUE(viewClosed(z)) << zelvaneStatus();
    ASSERT_TRUE(spy.drain());
    EXPECT_FALSE(IsWindowVisible(ctrlWnd)) << "the control window popped up after the preview";
}

}  // namespace
}  // namespace e2e
