// Quillet.dll: two system-wide hooks that tell Zelvane's main window what the
// mouse does anywhere on the desktop and which window is being dragged.
//
// The system maps this library into every process whose threads the hooks
// reach, and the hook procedures run on those threads, in the middle of
// other programs' message handling. So they do as little as can be done:
// compare, hand Zelvane the right to the foreground and post at most one
// message, pass the event on; none of it waits. All the work happens later,
// in Zelvane's window procedure.
//
// The same source is built twice: Quillet.dll with the program's own
// bitness, and Quillet64.dll, which the 64-bit companion host installs on
// 64-bit Windows. A library can be mapped only into processes of its own
// bitness; for the others, Windows runs the hook procedure in the process
// that set the hooks instead, on the thread that set them, with the other
// program's window in the call. Those calls are passed on untouched: the
// library of the other bitness, mapped into that program, reports the same
// event there, so every program is reported once, from its own process.
#include <windows.h>

#include "hooklib/quillet.h"
#include "hooklib/shared_section.h"

namespace {

// One copy for every process the library is mapped into: the installing
// process writes it, the hook procedures in all the others read it.
struct SharedState {
    HHOOK mouseHook;
    HHOOK callWndHook;
    HWND mainWnd;
    // The process that owns mainWnd: allowed to take the foreground before
    // each report, since the report may open a window there (see report()).
    DWORD mainProcess;
};

SHARED_SECTION_BEGIN(".Quillet_DATA")
SHARED_IN(".Quillet_DATA") SharedState g_shared = {nullptr, nullptr, nullptr, 0};
SHARED_SECTION_END

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(SharedState) == 16, "three 32-bit handles and a process id, nothing else");
#endif

// Per process: only the process that called SetHook ever sees it set.
int g_hooked = 0;
HINSTANCE g_module = nullptr;

UINT postedFor(WPARAM mouseMessage) {
    switch (mouseMessage) {
        case WM_MOUSEMOVE: return quillet::kMsgMouseMove;
        case WM_LBUTTONDOWN:
        case WM_NCLBUTTONDOWN: return quillet::kMsgLeftDown;
        case WM_RBUTTONDOWN:
        case WM_NCRBUTTONDOWN: return quillet::kMsgRightDown;
        case WM_MBUTTONDOWN:
        case WM_NCMBUTTONDOWN: return quillet::kMsgMiddleDown;
        case WM_LBUTTONUP:
        case WM_NCLBUTTONUP: return quillet::kMsgLeftUp;
        case WM_RBUTTONUP:
        case WM_NCRBUTTONUP: return quillet::kMsgRightUp;
        case WM_MBUTTONUP:
        case WM_NCMBUTTONUP: return quillet::kMsgMiddleUp;
        default: return 0;
    }
}

// A call that Windows brought over from a program of the other bitness: it
// can only reach the process that set the hooks, and it names a window of
// another process. (In every other process the window is always its own.)
bool broughtOver(HWND window) {
    if (!g_hooked || window == nullptr) return false;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return owner != GetCurrentProcessId();
}

// A null window would turn the post into a thread message for whichever
// program's thread is running the hook, so nothing is posted until Zelvane
// has named its window.
//
// The report may make Zelvane open its preview, slide to a workspace or
// activate a window, and Windows gives the foreground only to the process
// that received the last input, or one it allowed. This process has just
// received that input, so it passes the right on first.
void report(UINT message, LPARAM lp) {
    const HWND target = g_shared.mainWnd;
    if (target == nullptr) return;
    const DWORD owner = g_shared.mainProcess;
    if (owner != 0 && owner != GetCurrentProcessId()) AllowSetForegroundWindow(owner);
    PostMessageA(target, message, 0, lp);
}

LRESULT CALLBACK MyMouseProc(int code, WPARAM message, LPARAM data) {
    if (code == HC_ACTION && data != 0) {
        const UINT posted = postedFor(message);
        if (posted != 0 && !broughtOver(reinterpret_cast<const MOUSEHOOKSTRUCT*>(data)->hwnd)) report(posted, data);
    }
    return CallNextHookEx(g_shared.mouseHook, code, message, data);
}

LRESULT CALLBACK MyHookProc(int code, WPARAM wp, LPARAM data) {
    if (code == HC_ACTION && data != 0) {
        const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(data);
        if (call->message == WM_MOVING && !broughtOver(call->hwnd))
            report(quillet::kMsgWindowMoving, reinterpret_cast<LPARAM>(call->hwnd));
    }
    return CallNextHookEx(g_shared.callWndHook, code, wp, data);
}

void showLastError() {
    const DWORD code = GetLastError();
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    MessageBoxA(nullptr, text ? text : "unknown error", "Error", MB_OK);
    if (text) LocalFree(text);
}

}  // namespace

extern "C" {

int QUILLET_CALL SetMainHWND(HWND mainWnd) {
    DWORD owner = 0;
    if (mainWnd != nullptr) GetWindowThreadProcessId(mainWnd, &owner);
    g_shared.mainProcess = 0;  // never a new window with the old window's process
    g_shared.mainWnd = mainWnd;
    g_shared.mainProcess = owner;
    return 1;
}

int QUILLET_CALL IsHook() { return g_hooked; }

int QUILLET_CALL SetHook() {
    if (g_hooked) return 1;
    g_shared.callWndHook = SetWindowsHookExA(WH_CALLWNDPROC, MyHookProc, g_module, 0);
    if (g_shared.callWndHook) {
        g_shared.mouseHook = SetWindowsHookExA(WH_MOUSE, MyMouseProc, g_module, 0);
        if (g_shared.mouseHook) {
            g_hooked = 1;
            return 1;
        }
        // Half a set of hooks is of no use; take the first one out again,
        // keeping the error of the one that failed for the message.
        const DWORD error = GetLastError();
        UnhookWindowsHookEx(g_shared.callWndHook);
        g_shared.callWndHook = nullptr;
        SetLastError(error);
    }
    showLastError();
    return 0;
}

int QUILLET_CALL UnsetHook() {
    if (g_hooked != 1) return 1;
    // A hook already taken out by an earlier, half-failed call is skipped.
    if (g_shared.callWndHook && !UnhookWindowsHookEx(g_shared.callWndHook)) {
        showLastError();
        return 0;
    }
    g_shared.callWndHook = nullptr;
    if (g_shared.mouseHook && !UnhookWindowsHookEx(g_shared.mouseHook)) {
        showLastError();
        return 0;
    }
    g_shared.mouseHook = nullptr;
    g_hooked = 0;
    return 1;
}

// The entry point: the library runs without a C runtime, so this is all the
// start-up there is.
BOOL WINAPI DllMain(HINSTANCE module, DWORD, LPVOID) {
    g_module = module;
    return TRUE;
}

}  // extern "C"
