// zelvane_spy.dll, for the end-to-end tests only: a message hook on Zelvane's
// UI thread that logs what its main window takes from its queue, with the
// moment it was taken. The log lives in a section shared by every process
// that maps this library, so the test program, which maps it too, reads the
// log directly. This shows what cannot be seen from outside: the messages
// Zelvane posts to itself (a hotkey after an edge flip, the preview command
// after a gesture, the popup-delay worker's message) and when the hook
// library's reports arrived.
#include <windows.h>

#include "hooklib/shared_section.h"
#include "message_spy_log.h"

namespace {

SHARED_SECTION_BEGIN(".Spy_DATA")
SHARED_IN(".Spy_DATA") spy::Log g_log = {};
SHARED_IN(".Spy_DATA") HWND g_target = nullptr;
SHARED_IN(".Spy_DATA") HHOOK g_hook = nullptr;
SHARED_IN(".Spy_DATA") UINT g_marker = 0;
SHARED_IN(".Spy_DATA") LONG g_crash = 0;  // a fault to raise in the target's process, 0 = none
SHARED_SECTION_END

HINSTANCE g_module = nullptr;

void record(const MSG& m) {
    const LONG slot = InterlockedIncrement(&g_log.reserved) - 1;
    if (slot >= spy::kCapacity) return;
    spy::Entry& e = g_log.entries[slot];
    e.message = m.message;
    e.wParam = static_cast<unsigned>(m.wParam);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    e.when = now.QuadPart;
    InterlockedExchange(&e.ready, 1);
}

DWORD WINAPI faultingThread(void*) {
    *static_cast<volatile int*>(nullptr) = 0;
    return 0;
}

// A crash of the program under test, for the tests of what it leaves
// behind: an access violation on a new thread of its process.
void raiseFault() {
    DWORD id = 0;
    CloseHandle(CreateThread(nullptr, 0, faultingThread, nullptr, 0, &id));
}

LRESULT CALLBACK getMessageProc(int code, WPARAM removal, LPARAM lp) {
    if (code == HC_ACTION && removal == PM_REMOVE && lp) {
        const MSG& m = *reinterpret_cast<const MSG*>(lp);
        if (m.hwnd == g_target && InterlockedExchange(&g_crash, 0)) raiseFault();
        if (m.hwnd == g_target && spy::watched(m.message, g_marker)) record(m);
    }
    return CallNextHookEx(g_hook, code, removal, lp);
}

}  // namespace

extern "C" {

int SpyInstall(HWND target) {
    if (g_hook) UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
    for (LONG i = 0; i < spy::kCapacity; ++i) g_log.entries[i] = spy::Entry{};
    g_log.reserved = 0;
    g_target = target;
    g_marker = spy::markerMessage();
    const DWORD thread = GetWindowThreadProcessId(target, nullptr);
    if (!thread) return 0;
    g_hook = SetWindowsHookExW(WH_GETMESSAGE, getMessageProc, g_module, thread);
    return g_hook != nullptr;
}

void SpyRemove() {
    if (g_hook) UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
    g_target = nullptr;
}

const spy::Log* SpyLog() { return &g_log; }

int SpyCrashTarget() {
    if (!g_target) return 0;
    InterlockedExchange(&g_crash, 1);
    return PostMessageW(g_target, WM_NULL, 0, 0);
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD, LPVOID) {
    g_module = module;
    return TRUE;
}

}  // extern "C"
