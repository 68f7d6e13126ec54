#include "win32/win32_desktop.h"

#include "win32/text.h"

namespace zelvane::win32 {

namespace {

// Moves never resize, restack or activate; shows never activate, so the
// windows of a workspace come back in the Z order they had.
constexpr UINT kMoveFlags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;

int showCommand(bool show) { return show ? SW_SHOWNA : SW_HIDE; }

BOOL CALLBACK collectWindow(HWND h, LPARAM list) {
    reinterpret_cast<std::vector<WindowId>*>(list)->push_back(toWindowId(h));
    return TRUE;
}

// Windows lets only the foreground's input queue hand the foreground on, and
// holds it back for a while after user input. For the length of one
// activation, share the foreground thread's input and lift the lock time-out;
// both are put back however the activation ends.
class ForegroundUnlock {
public:
    ForegroundUnlock() : own_(GetCurrentThreadId()) {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // input attachment needs a message queue
        foregroundThread_ = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
        attached_ = foregroundThread_ != 0 && foregroundThread_ != own_ &&
                    AttachThreadInput(own_, foregroundThread_, TRUE);
        SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &savedTimeout_, 0);
        SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
    }
    ~ForegroundUnlock() {
        SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                              reinterpret_cast<PVOID>(static_cast<UINT_PTR>(savedTimeout_)), 0);
        if (attached_) AttachThreadInput(own_, foregroundThread_, FALSE);
    }
    ForegroundUnlock(const ForegroundUnlock&) = delete;
    ForegroundUnlock& operator=(const ForegroundUnlock&) = delete;

private:
    DWORD own_;
    DWORD foregroundThread_ = 0;
    BOOL attached_ = FALSE;
    DWORD savedTimeout_ = 0;
};

}  // namespace

ScreenMetrics Win32Desktop::metrics() const {
    ScreenMetrics m;
    m.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    m.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    m.virtualLeft = GetSystemMetrics(SM_XVIRTUALSCREEN);
    m.virtualTop = GetSystemMetrics(SM_YVIRTUALSCREEN);
    m.virtualWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    m.virtualHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    return m;
}

std::vector<WindowId> Win32Desktop::topLevelWindows() const {
    std::vector<WindowId> list;
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&list));
    return list;
}

bool Win32Desktop::isWindow(WindowId w) const { return IsWindow(toHwnd(w)) != FALSE; }
bool Win32Desktop::isVisible(WindowId w) const { return IsWindowVisible(toHwnd(w)) != FALSE; }
bool Win32Desktop::isMinimized(WindowId w) const { return IsIconic(toHwnd(w)) != FALSE; }

Rect Win32Desktop::windowRect(WindowId w) const {
    RECT r{};
    GetWindowRect(toHwnd(w), &r);
    return {r.left, r.top, r.right, r.bottom};
}

std::string Win32Desktop::className(WindowId w) const {
    wchar_t buffer[512] = {};
    const int n = GetClassNameW(toHwnd(w), buffer, 512);
    return n > 0 ? narrow(std::wstring(buffer, static_cast<size_t>(n))) : std::string();
}

std::uint32_t Win32Desktop::style(WindowId w) const {
    return static_cast<std::uint32_t>(GetWindowLongW(toHwnd(w), GWL_STYLE));
}

WindowId Win32Desktop::foregroundWindow() const { return toWindowId(GetForegroundWindow()); }
WindowId Win32Desktop::shellWindow() const { return toWindowId(GetShellWindow()); }

void Win32Desktop::moveWindow(WindowId w, std::int32_t x, std::int32_t y) {
    SetWindowPos(toHwnd(w), nullptr, x, y, 0, 0, kMoveFlags);
}

void Win32Desktop::showWindow(WindowId w, bool show) { ShowWindow(toHwnd(w), showCommand(show)); }

bool Win32Desktop::setForeground(WindowId w) {
    const HWND h = toHwnd(w);
    if (!IsWindow(h) || !IsWindowVisible(h)) return false;
    // The plain call works whenever the system lets us (it does right after
    // our hotkey); sharing another thread's input is the fallback, as it also
    // shares that thread's keyboard state for a moment.
    if (SetForegroundWindow(h)) return true;
    ForegroundUnlock unlock;
    return SetForegroundWindow(h) != FALSE;
}

void Win32Desktop::waitForModifiersReleased(int limitMs) {
    const auto down = [] {
        for (int vk : {VK_MENU, VK_CONTROL, VK_SHIFT, VK_LWIN, VK_RWIN})
            if (GetAsyncKeyState(vk) < 0) return true;
        return false;
    };
    const DWORD start = GetTickCount();
    while (down() && GetTickCount() - start < static_cast<DWORD>(limitMs)) Sleep(10);
}

void Win32Desktop::moveWindowAsync(WindowId w, std::int32_t x, std::int32_t y) {
    SetWindowPos(toHwnd(w), nullptr, x, y, 0, 0, kMoveFlags | SWP_ASYNCWINDOWPOS);
}

void Win32Desktop::showWindowAsync(WindowId w, bool show) { ShowWindowAsync(toHwnd(w), showCommand(show)); }

}  // namespace zelvane::win32
