#include "win32/crash_rescue.h"

#include <windows.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <exception>

namespace zelvane::win32 {

namespace {

struct Slot {
    HWND window;
    LONG x;
    LONG y;
    bool move;
};

constexpr int kCapacity = 8192;

// The only state a crash handler can reach is static state. Two lists: the
// UI thread fills the one not in use and then makes it current, so a handler
// that runs meanwhile always reads a whole list.
Slot g_lists[2][kCapacity];
std::atomic<int> g_counts[2] = {{0}, {0}};
std::atomic<int> g_current{0};
std::atomic<bool> g_rescued{false};

LPTOP_LEVEL_EXCEPTION_FILTER g_previousFilter = nullptr;
std::terminate_handler g_previousTerminate = nullptr;

LONG WINAPI onUnhandledException(EXCEPTION_POINTERS* info) {
    rescueHiddenWindows();
    return g_previousFilter ? g_previousFilter(info) : EXCEPTION_CONTINUE_SEARCH;
}

void onTerminate() {
    rescueHiddenWindows();
    if (g_previousTerminate) g_previousTerminate();
    std::abort();
}

void onAbort(int) {
    rescueHiddenWindows();
    std::_Exit(3);
}

}  // namespace

void installCrashRescue() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    // A 32-bit program on 64-bit Windows has faults raised inside system
    // callbacks (a window procedure the system calls, a hook) swallowed by
    // default, and then runs on damaged; this asks for them to count as
    // unhandled, so they reach the filter. Not every system has the call.
    using PolicyGet = BOOL(WINAPI*)(LPDWORD);
    using PolicySet = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto getPolicy = reinterpret_cast<PolicyGet>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "GetProcessUserModeExceptionPolicy")));
    const auto setPolicy = reinterpret_cast<PolicySet>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetProcessUserModeExceptionPolicy")));
    constexpr DWORD kCallbackFilterEnabled = 0x1;
    DWORD flags = 0;
    if (getPolicy && setPolicy && getPolicy(&flags)) setPolicy(flags & ~kCallbackFilterEnabled);
    g_previousFilter = SetUnhandledExceptionFilter(onUnhandledException);
    g_previousTerminate = std::set_terminate(onTerminate);
    std::signal(SIGABRT, onAbort);
}

void keepRescueList(const std::vector<RescuePlacement>& list) {
    const int spare = 1 - g_current.load();
    int n = 0;
    for (const RescuePlacement& r : list) {
        if (n == kCapacity) break;
        g_lists[spare][n++] = Slot{reinterpret_cast<HWND>(r.window), r.pos ? r.pos->x : 0, r.pos ? r.pos->y : 0,
                                   r.pos.has_value()};
    }
    g_counts[spare].store(n);
    g_current.store(spare);
}

void rescueHiddenWindows() {
    if (g_rescued.exchange(true)) return;
    const int current = g_current.load();
    const int n = g_counts[current].load();
    for (int i = 0; i < n; ++i) {
        const Slot& s = g_lists[current][i];
        // Posted to the window's own thread: a hung program shows its window
        // when it answers again, long after this process is gone.
        SetWindowPos(s.window, nullptr, s.x, s.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS | SWP_SHOWWINDOW |
                         (s.move ? 0 : SWP_NOMOVE));
    }
}

}  // namespace zelvane::win32
