#include "win32/win32_desktop.h"

#include <functional>
#include <mutex>
#include <utility>
#include <vector>

#include "win32/crash_rescue.h"
#include "win32/dwm_binding.h"
#include "win32/handles.h"
#include "win32/text.h"

namespace zelvane::win32 {

namespace {

// A placement never resizes, restacks or activates, so the windows of a
// workspace come back in the Z order they had. It is posted to the window's
// thread (it would otherwise wait for the window's program), and it moves
// before it shows or hides, the order a switch needs.
constexpr UINT kPlaceFlags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS;

// Where the answers to our notices go. A notice is answered on the UI
// thread while it takes its messages, possibly after the desktop object that
// asked is gone (the error box at exit still takes messages): the handler is
// kept for the whole process, and an empty one drops the answers.
struct NoticeRoute {
    std::mutex lock;
    std::function<void(std::uint64_t)> handler;
};

NoticeRoute& noticeRoute() {
    static NoticeRoute route;
    return route;
}

VOID CALLBACK onNotice(HWND, UINT, ULONG_PTR ticket, LRESULT) {
    std::function<void(std::uint64_t)> handler;
    {
        NoticeRoute& route = noticeRoute();
        std::lock_guard<std::mutex> guard(route.lock);
        handler = route.handler;
    }
    if (handler) handler(static_cast<std::uint64_t>(ticket));
}

BOOL CALLBACK collectWindow(HWND h, LPARAM list) {
    reinterpret_cast<std::vector<WindowId>*>(list)->push_back(toWindowId(h));
    return TRUE;
}

// The foreground lock time-out is one value for the whole session. Every
// activation that lifts it goes through here: the first one reads it and
// sets 0, the last one to finish writes the value read back. Two workers
// that each saved and restored it on their own could leave 0 for good (the
// second saves the 0 the first wrote), and any program could then take the
// foreground from the user.
class ForegroundLockLift {
public:
    static void lift() {
        ForegroundLockLift& l = instance();
        std::lock_guard<std::mutex> guard(l.mutex_);
        if (l.lifts_++ > 0) return;
        // Only a time-out that could be read is lifted, and later put back:
        // writing back a value never read would leave 0 for good.
        l.saved_ = SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &l.timeout_, 0) != FALSE;
        if (l.saved_) SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
    }
    static void drop() {
        ForegroundLockLift& l = instance();
        std::lock_guard<std::mutex> guard(l.mutex_);
        if (l.lifts_ == 0 || --l.lifts_ > 0 || !l.saved_) return;
        SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                              reinterpret_cast<PVOID>(static_cast<UINT_PTR>(l.timeout_)), 0);
        l.saved_ = false;
    }

private:
    static ForegroundLockLift& instance() {
        static ForegroundLockLift l;
        return l;
    }
    std::mutex mutex_;
    int lifts_ = 0;
    bool saved_ = false;
    DWORD timeout_ = 0;
};

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
        ForegroundLockLift::lift();
    }
    ~ForegroundUnlock() {
        ForegroundLockLift::drop();
        if (attached_) AttachThreadInput(own_, foregroundThread_, FALSE);
    }
    ForegroundUnlock(const ForegroundUnlock&) = delete;
    ForegroundUnlock& operator=(const ForegroundUnlock&) = delete;

private:
    DWORD own_;
    DWORD foregroundThread_ = 0;
    BOOL attached_ = FALSE;
};

std::uint64_t authenticationIdOf(HANDLE token) {
    TOKEN_STATISTICS stats{};
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenStatistics, &stats, sizeof(stats), &size)) return 0;
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(stats.AuthenticationId.HighPart)) << 32) |
           stats.AuthenticationId.LowPart;
}

// The user's logon session. With UAC a sign-in has two: that of the
// filtered token every program runs with, and that of its elevated twin.
// A run as administrator reports the filtered one, so that a normal run and
// an elevated run of the same sign-in (the restart as administrator) read
// each other's window list.
std::uint64_t logonSessionId() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return 0;
    const UniqueKernelHandle token(raw);
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    if (GetTokenInformation(token.get(), TokenElevationType, &type, sizeof(type), &size) &&
        type == TokenElevationTypeFull) {
        TOKEN_LINKED_TOKEN linked{};
        if (GetTokenInformation(token.get(), TokenLinkedToken, &linked, sizeof(linked), &size) && linked.LinkedToken) {
            const UniqueKernelHandle filtered(linked.LinkedToken);
            if (const std::uint64_t id = authenticationIdOf(filtered.get())) return id;
        }
    }
    return authenticationIdOf(token.get());
}

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

bool Win32Desktop::ownedByThisProcess(WindowId w) const {
    DWORD process = 0;
    return GetWindowThreadProcessId(toHwnd(w), &process) != 0 && process == GetCurrentProcessId();
}

std::uint32_t Win32Desktop::style(WindowId w) const {
    return static_cast<std::uint32_t>(GetWindowLongW(toHwnd(w), GWL_STYLE));
}

std::uint32_t Win32Desktop::exStyle(WindowId w) const {
    return static_cast<std::uint32_t>(GetWindowLongW(toHwnd(w), GWL_EXSTYLE));
}

bool Win32Desktop::isCloaked(WindowId w) const { return dwm::cloaked(toHwnd(w)); }
WindowId Win32Desktop::owner(WindowId w) const { return toWindowId(GetWindow(toHwnd(w), GW_OWNER)); }

WindowId Win32Desktop::foregroundWindow() const { return toWindowId(GetForegroundWindow()); }
WindowId Win32Desktop::shellWindow() const { return toWindowId(GetShellWindow()); }

bool Win32Desktop::placeWindow(WindowId w, std::optional<Point> pos, bool show) {
    const UINT flags = kPlaceFlags | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW) | (pos ? 0 : SWP_NOMOVE);
    return SetWindowPos(toHwnd(w), nullptr, pos ? pos->x : 0, pos ? pos->y : 0, 0, 0, flags) != FALSE;
}

bool Win32Desktop::isHung(WindowId w) const { return IsHungAppWindow(toHwnd(w)) != FALSE; }

std::uint32_t Win32Desktop::windowThread(WindowId w) const {
    return GetWindowThreadProcessId(toHwnd(w), nullptr);
}

// The system queues the notice behind the requests posted to the thread, and
// the thread answers it once it has taken them; for a window of the calling
// thread the answer comes at once, inside this call.
bool Win32Desktop::requestNotice(WindowId w, std::uint64_t ticket) {
    return SendMessageCallbackW(toHwnd(w), WM_NULL, 0, 0, onNotice, static_cast<ULONG_PTR>(ticket)) != FALSE;
}

void Win32Desktop::setNoticeHandler(std::function<void(std::uint64_t)> handler) {
    NoticeRoute& route = noticeRoute();
    std::lock_guard<std::mutex> guard(route.lock);
    route.handler = std::move(handler);
}

void Win32Desktop::setRescueList(const std::vector<RescuePlacement>& list) { keepRescueList(list); }

SessionStamp Win32Desktop::sessionStamp() const {
    static const std::uint64_t logon = logonSessionId();
    SessionStamp s;
    s.logon = logon;
    s.uptimeMs = GetTickCount64();
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const std::uint64_t ticks = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    constexpr std::uint64_t kUnixEpoch = 116444736000000000ULL;  // 1970 in 100 ns steps since 1601
    const std::int64_t seconds = static_cast<std::int64_t>((ticks - kUnixEpoch) / 10000000ULL);
    s.bootTime = seconds - static_cast<std::int64_t>(s.uptimeMs / 1000);
    return s;
}

bool Win32Desktop::setForeground(WindowId w, const std::function<bool()>& stillWanted) {
    const HWND h = toHwnd(w);
    if (!IsWindow(h) || !stillWanted()) return false;
    // The plain call works whenever the system lets us (it does right after
    // our hotkey); sharing another thread's input is the fallback, as it also
    // shares that thread's keyboard state for a moment.
    if (SetForegroundWindow(h)) return true;
    ForegroundUnlock unlock;  // may wait for the thread that has the foreground
    return stillWanted() && SetForegroundWindow(h) != FALSE;
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
