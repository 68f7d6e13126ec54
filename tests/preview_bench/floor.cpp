#include "floor.h"

#include <cstdio>
#include <string>

#include "poll.h"
#include "zelvane_process.h"

namespace preview_bench {

namespace {

constexpr int kHotkey = 1;

struct Frozen {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    int width = 0, height = 0;
    void free() {
        if (dc) {
            SelectObject(dc, old);
            DeleteDC(dc);
        }
        if (bitmap) DeleteObject(bitmap);
        *this = Frozen{};
    }
};
Frozen g_frozen;
HWND g_shown = nullptr;

LRESULT CALLBACK floorProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(h, &ps);
            if (g_frozen.dc) BitBlt(dc, 0, 0, g_frozen.width, g_frozen.height, g_frozen.dc, 0, 0, SRCCOPY);
            EndPaint(h, &ps);
            return 0;
        }
        case WM_KEYDOWN:
            if (wp == VK_ESCAPE) DestroyWindow(h);
            return 0;
        case WM_DESTROY:
            g_frozen.free();
            g_shown = nullptr;
            return 0;
        default:
            return DefWindowProcW(h, msg, wp, lp);
    }
}

// What a preview must do at the least: one full-screen window showing a
// copy of the screen, the copy taken before the window covers it.
void showFrozenScreen(HWND owner) {
    if (g_shown) return;
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    g_shown = CreateWindowExW(WS_EX_TOPMOST, kFloorClass, L"floor", WS_POPUP, x, y, w, h, owner, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    HDC screen = GetDC(nullptr);
    g_frozen.dc = CreateCompatibleDC(screen);
    g_frozen.bitmap = CreateCompatibleBitmap(screen, w, h);
    g_frozen.old = SelectObject(g_frozen.dc, g_frozen.bitmap);
    g_frozen.width = w;
    g_frozen.height = h;
    BitBlt(g_frozen.dc, 0, 0, w, h, screen, x, y, SRCCOPY | CAPTUREBLT);
    ReleaseDC(nullptr, screen);
    SetWindowPos(g_shown, HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    UpdateWindow(g_shown);
}

LRESULT CALLBACK mainProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_HOTKEY && wp == kHotkey) {
        showFrozenScreen(h);
        return 0;
    }
    if (msg == WM_DESTROY) {
        UnregisterHotKey(h, kHotkey);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

}  // namespace

int runFloor() {
    WNDCLASSW wc{};
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpfnWndProc = floorProc;
    wc.lpszClassName = kFloorClass;
    RegisterClassW(&wc);
    wc.lpfnWndProc = mainProc;
    wc.lpszClassName = kFloorMainClass;
    RegisterClassW(&wc);
    HWND main = CreateWindowExW(0, kFloorMainClass, L"floor main", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (!main || !RegisterHotKey(main, kHotkey, MOD_ALT | MOD_SHIFT, VK_SPACE)) return 1;
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return 0;
}

bool FloorProgram::start() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring cmd = L"\"" + std::wstring(self) + L"\" --floor";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    if (e2e::pollUntil([] { return e2e::hotkeyTaken(MOD_ALT | MOD_SHIFT, VK_SPACE); }, e2e::Millis(20000))) return true;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    std::fprintf(stderr, "preview_bench: the floor program does not hold the hotkey (exit code %lu)\n", code);
    return false;
}

void FloorProgram::stop() {
    if (!process_) return;
    for (HWND w : e2e::topLevelWindows(pid_, kFloorMainClass)) PostMessageW(w, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
    CloseHandle(process_);
    process_ = nullptr;
    e2e::pollUntil([] { return !e2e::hotkeyTaken(MOD_ALT | MOD_SHIFT, VK_SPACE); }, e2e::Millis(10000));
}

}  // namespace preview_bench
