#include "fixture.h"

#include "child_process.h"

namespace e2e {
namespace {

std::wstring testTag() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string tag = info ? info->name() : "test";
    if (tag.size() > 24) tag.resize(24);
    return std::wstring(tag.begin(), tag.end());
}

std::string boxesOf(DWORD pid) {
    std::string out;
    for (const auto& box : messageBoxesOf(pid))
        out += " [message box \"" + narrow(box.caption) + "\": " + narrow(box.text) + "]";
    return out;
}

Workspace target(const Grid& grid, Workspace from, WORD key) {
    if (key >= '1' && key <= '9') return grid.numbered(from, key - '0');
    return grid.step(from, key);
}

}  // namespace

std::string hooksName(const ::testing::TestParamInfo<Hooks>& info) {
    return info.param == Hooks::Own ? "OwnHooks" : "Companion";
}

void useHooks(ZelvaneProcess& z, Hooks hooks) {
    if (hooks == Hooks::Companion) z.setEnvironment(L"ZELVANE_TEST_COMPANION", L"1");
}

HWND taskbarWindow(WindowHost& host) {
    const HWND real = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (real && IsWindowVisible(real)) return real;
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Shell_TrayWnd";
    RegisterClassW(&wc);
    WindowOptions options;
    options.className = L"Shell_TrayWnd";
    options.style = WS_POPUP | WS_VISIBLE;
    HostWindow* w = host.open(L"taskbar", makeRect(0, 770, 400, 30), options);
    return w->ok() ? w->hwnd() : nullptr;
}

void ZelvaneTest::SetUp() {
    const std::wstring& exe = ZelvaneProcess::executable();
    if (exe.empty()) GTEST_SKIP() << "Zelvane.exe not given (set ZELVANE_EXE or pass --zelvane=PATH)";
    ASSERT_TRUE(fileExists(exe)) << "no such file: " << narrow(exe);
}

void ZelvaneTest::TearDown() {
    for (const auto& w : host.windows()) w->release();
    for (auto& z : zelvanes) {
        if (!z->running()) continue;
        std::string boxes = boxesOf(z->pid());
        if (!boxes.empty()) ADD_FAILURE() << "Zelvane left a message box open:" << boxes;
        if (!z->close(30s)) {
            ADD_FAILURE() << "Zelvane did not end within 30 s of WM_CLOSE; killed";
            z->kill();
        }
    }
    zelvanes.clear();
    host.closeAll();
}

ZelvaneProcess* ZelvaneTest::startZelvane(std::wstring homePath) {
    if (homePath.empty()) homePath = ZelvaneProcess::freshHome(testTag());
    zelvanes.push_back(std::make_unique<ZelvaneProcess>(homePath));
    ZelvaneProcess* z = zelvanes.back().get();
    if (!z->start()) {
        ADD_FAILURE() << narrow(z->lastError());
        return nullptr;
    }
    if (!z->waitReady()) {
        ADD_FAILURE() << "Zelvane not ready: " << narrow(z->lastError()) << boxesOf(z->pid());
        return nullptr;
    }
    return z;
}

RECT ZelvaneTest::slot(int i) const {
    // Spread over the screen, each a different size, none touching an edge.
    int x = 40 + (i % 4) * 290;
    int y = 40 + ((i / 4) % 3) * 240;
    return makeRect(x, y, 240 + (i % 3) * 8, 170 + (i % 5) * 6);
}

Tracked* ZelvaneTest::openOn(Workspace ws, const std::string& name, int slotIndex) {
    WindowOptions options;
    // A colour per workspace makes screenshots of a failed run readable.
    static const COLORREF colours[] = {RGB(40, 90, 160), RGB(160, 70, 40), RGB(40, 130, 70),
                                       RGB(120, 60, 140)};
    options.color = colours[(ws.row * grid.cols + ws.col) % 4];
    Tracked* t = layout.open(host, name, ws, slot(slotIndex), Workspace{}, options);
    EXPECT_TRUE(t->window->ok()) << name << ": " << narrow(t->window->error());
    // Wine must not have clamped an off-screen window into the screen.
    const RECT wanted = grid.placed(t->base, ws, Workspace{});
    const RECT created = t->window->createdRect();
    EXPECT_TRUE(EqualRect(&wanted, &created))
        << name << " asked for " << describe(wanted) << ", was created at " << describe(created);
    return t;
}

void ZelvaneTest::openOnEveryWorkspace(int perWorkspace) {
    int n = 0;
    for (int r = 0; r < grid.rows; ++r)
        for (int c = 0; c < grid.cols; ++c)
            for (int k = 0; k < perWorkspace; ++k) {
                std::string name = "w" + std::to_string(r) + std::to_string(c) + "-" + std::to_string(k);
                openOn(Workspace{r, c}, name, n++);
            }
}

Workspace ZelvaneTest::press(Workspace from, WORD key) {
    EXPECT_TRUE(pressChord({kAlt, kShift}, key));
    return target(grid, from, key);
}

Workspace ZelvaneTest::pressCarrying(Workspace from, WORD key) {
    EXPECT_TRUE(pressChord({kAlt, kWin}, key));
    return target(grid, from, key);
}

std::string ZelvaneTest::zelvaneStatus() const {
    std::string out;
    for (const auto& z : zelvanes) {
        if (!z->running()) continue;
        HWND main = z->mainWindow();
        DWORD_PTR r = 0;
        bool answers = main && SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &r);
        out += "Zelvane (pid " + std::to_string(z->pid()) + ") main window " +
               (main ? (answers ? "answers" : "does NOT answer within 2 s") : "missing") +
               boxesOf(z->pid()) + "\n";
    }
    return out;
}

void ZelvaneTest::killWithGuard(ZelvaneProcess* z) {
    for (DWORD pid : childProcesses(z->pid(), kGuardExe)) EXPECT_TRUE(WatchedProcess(pid).kill()) << "guard " << pid;
    z->kill();
}

::testing::AssertionResult ZelvaneTest::activate(Tracked* t) {
    HWND hwnd = t->window->hwnd();
    // Zelvane moves the foreground itself once a switch's keys are let go;
    // like a user who clicks again, ask until the window keeps it.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!t->window->activate()) return ::testing::AssertionFailure() << t->name << " did not answer";
        if (!pollUntil([hwnd] { return GetForegroundWindow() == hwnd; }, 5s)) continue;
        const bool kept = !pollUntil([hwnd] { return GetForegroundWindow() != hwnd; }, 300ms);
        if (kept) return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << t->name << " never kept the foreground";
}

}  // namespace e2e
