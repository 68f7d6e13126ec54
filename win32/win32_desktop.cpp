#include "win32/win32_desktop.h"

#include <mutex>
#include <unordered_map>
#include <vector>

#include "win32/crash_rescue.h"
#include "win32/text.h"

namespace zelvane::win32 {

namespace {

// A placement never resizes, restacks or activates, so the windows of a
// workspace come back in the Z order they had. It is posted to the window's
// thread (it would otherwise wait for the window's program), and it moves
// before it shows or hides, the order a switch needs.
constexpr UINT kPlaceFlags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS;

// The placements each window's program has not carried out yet. A batch of
// placements (one switch) ends with one notice per thread that got
// requests: SendMessageCallback to the last window of that thread. The
// system queues it behind the thread's requests (both wait in its queue of
// sent messages, in order), so the notice means all of them are done, and a
// program that owns a hundred windows answers one notice, not a hundred.
// Notices reach onPlacementDone on the UI thread while it takes its
// messages, possibly after the desktop object that asked is gone (the error
// box at exit still takes messages): that is why the table lives as long as
// the process. The activation workers read it too, hence the lock.
struct PendingPlacements {
    std::mutex lock;
    std::unordered_map<HWND, ULONG_PTR> newest;  // the notice that covers each window; 0 = not asked yet
    std::unordered_map<DWORD, std::vector<HWND>> batch;  // requests since the last flush, by thread
    std::unordered_map<ULONG_PTR, std::vector<HWND>> covered;  // the windows each notice covers
    ULONG_PTR lastTicket = 0;
};

PendingPlacements& pendingPlacements() {
    static PendingPlacements table;
    return table;
}

VOID CALLBACK onPlacementDone(HWND, UINT, ULONG_PTR ticket, LRESULT) {
    PendingPlacements& p = pendingPlacements();
    std::lock_guard<std::mutex> guard(p.lock);
    const auto it = p.covered.find(ticket);
    if (it == p.covered.end()) return;
    for (HWND h : it->second) {
        const auto w = p.newest.find(h);
        if (w != p.newest.end() && w->second == ticket) p.newest.erase(w);
    }
    p.covered.erase(it);
}

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
        // Only a time-out that could be read is lifted, and later put back:
        // writing back a value never read would leave 0 for good.
        timeoutRead_ = SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &savedTimeout_, 0) != FALSE;
        if (timeoutRead_) SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
    }
    ~ForegroundUnlock() {
        if (timeoutRead_)
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
    bool timeoutRead_ = false;
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

void Win32Desktop::placeWindow(WindowId w, std::optional<Point> pos, bool show) {
    const HWND h = toHwnd(w);
    const UINT flags = kPlaceFlags | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW) | (pos ? 0 : SWP_NOMOVE);
    if (!SetWindowPos(h, nullptr, pos ? pos->x : 0, pos ? pos->y : 0, 0, 0, flags)) return;
    const DWORD thread = GetWindowThreadProcessId(h, nullptr);
    PendingPlacements& p = pendingPlacements();
    std::lock_guard<std::mutex> guard(p.lock);
    p.newest[h] = 0;
    p.batch[thread].push_back(h);
}

void Win32Desktop::flushPlacements() {
    PendingPlacements& p = pendingPlacements();
    std::unordered_map<DWORD, std::vector<HWND>> batch;
    {
        std::lock_guard<std::mutex> guard(p.lock);
        batch.swap(p.batch);
    }
    for (auto& [thread, windows] : batch) {
        const HWND last = windows.back();
        ULONG_PTR ticket;
        {
            std::lock_guard<std::mutex> guard(p.lock);
            ticket = ++p.lastTicket;
            for (HWND h : windows) p.newest[h] = ticket;
            p.covered[ticket] = windows;
        }
        // Outside the lock: for a window of this thread the notice comes at once.
        if (!SendMessageCallbackW(last, WM_NULL, 0, 0, onPlacementDone, ticket)) {
            // The last window is gone: its thread can be asked through no
            // other window of the batch it is sure to answer for either.
            std::lock_guard<std::mutex> guard(p.lock);
            for (HWND h : windows) {
                const auto it = p.newest.find(h);
                if (it != p.newest.end() && it->second == ticket) p.newest.erase(it);
            }
            p.covered.erase(ticket);
        }
    }
}

bool Win32Desktop::placementPending(WindowId w) const {
    const HWND h = toHwnd(w);
    PendingPlacements& p = pendingPlacements();
    std::lock_guard<std::mutex> guard(p.lock);
    const auto it = p.newest.find(h);
    if (it == p.newest.end()) return false;
    if (IsWindow(h)) return true;
    p.newest.erase(it);  // a window that is gone never answers
    return false;
}

void Win32Desktop::setRescueList(const std::vector<RescuePlacement>& list) { keepRescueList(list); }

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

}  // namespace zelvane::win32
