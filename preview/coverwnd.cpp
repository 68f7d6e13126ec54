#include "preview/coverwnd.h"


#include "win32/app_instance.h"
#include "win32/window_class.h"

namespace zelvane {

namespace {

// Cover windows have no behaviour of their own.
LRESULT CALLBACK coverWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(h, msg, wp, lp); }

void registerCoverClass() {
    win32::registerWindowClass({L"ZelvaneCoverClass", coverWndProc, appInstance(), CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, nullptr, true});
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
