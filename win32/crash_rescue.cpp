#include "win32/crash_rescue.h"

#include <windows.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <new>

#include "win32/put_back.h"
#include "win32/rescue_book.h"

namespace zelvane::win32 {

namespace {

// The only state a crash handler can reach is static state: the book lives
// in the shared section when it could be made, else in static storage (and
// then only the handlers read it).
rescue::Book g_staticBook;
rescue::Book* g_book = &g_staticBook;
HANDLE g_section = nullptr;
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

// A section of the page file, unnamed: only processes given its handle see it.
void openSharedBook() {
    g_section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(rescue::Book), nullptr);
    if (!g_section) return;
    void* view = MapViewOfFile(g_section, FILE_MAP_WRITE, 0, 0, sizeof(rescue::Book));
    if (!view) {
        CloseHandle(g_section);
        g_section = nullptr;
        return;
    }
    // The view stays mapped for the whole process.
    g_book = new (view) rescue::Book;
}

}  // namespace

void installCrashRescue() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    openSharedBook();
    rescue::open(*g_book);
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

void* rescueSection() { return g_section; }

void keepRescueList(const std::vector<RescuePlacement>& list) {
    rescue::Slot* spare = rescue::spareList(*g_book);
    std::int32_t n = 0;
    for (const RescuePlacement& r : list) {
        if (n == rescue::kWindowCapacity) break;
        spare[n++] = rescue::Slot{r.window, r.pos ? r.pos->x : 0, r.pos ? r.pos->y : 0, r.pos ? 1u : 0u, 0};
    }
    rescue::publish(*g_book, n);
}

void keepHiddenTaskbar(const std::vector<std::uintptr_t>& windows) {
    std::uint64_t ids[rescue::kTaskbarCapacity] = {};
    std::int32_t n = 0;
    for (std::uintptr_t w : windows)
        if (n < rescue::kTaskbarCapacity) ids[n++] = w;
    rescue::keepTaskbar(*g_book, ids, n);
}

void markCleanExit() { g_book->cleanExit.store(1); }

void rescueHiddenWindows() {
    if (g_rescued.exchange(true)) return;
    putBack(*g_book);
}

}  // namespace zelvane::win32
