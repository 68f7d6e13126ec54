#include "preview/coverwnd.h"

#include <mutex>
#include <stdexcept>

#include "app/app_instance.h"

namespace zelvane {

namespace {

std::mutex g_classLock;
bool g_classRegistered = false;
// Cover windows have no behaviour of their own.
LRESULT CALLBACK coverWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(h, msg, wp, lp); }

void registerCoverClass() {
    std::lock_guard<std::mutex> guard(g_classLock);
    if (g_classRegistered) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = coverWndProc;
    wc.hInstance = appInstance();
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // Lives as long as the class, which lives as long as the process.
    wc.hbrBackground = CreateSolidBrush(RGB(0, 0, 0));
    wc.lpszClassName = L"ZelvaneCoverClass";
    if (!RegisterClassExW(&wc)) {
        if (wc.hbrBackground) DeleteObject(wc.hbrBackground);
        throw std::runtime_error("failed to register window-class.");
    }
    g_classRegistered = true;
}

}  // namespace

CoverWnd::CoverWnd(const std::wstring& title, DWORD exStyle, HWND owner, int x, int y, int width, int height) {
    registerCoverClass();
    hwnd_ = CreateWindowExW(exStyle, L"ZelvaneCoverClass", title.c_str(), WS_POPUP, x, y, width, height, owner,
                            nullptr, appInstance(), nullptr);
}

CoverWnd::~CoverWnd() {
    // An owned cover window is already gone when its owner was destroyed first.
    if (hwnd_ && IsWindow(hwnd_)) SendMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void CoverWnd::hide() { ShowWindow(hwnd_, SW_HIDE); }

void CoverWnd::show() { ShowWindow(hwnd_, SW_SHOW); }

}  // namespace zelvane
