#include "app/hook_thread.h"

#include "win32/app_instance.h"
#include "win32/handles.h"
#include "win32/window_class.h"

namespace zelvane {

namespace {

constexpr wchar_t kClass[] = L"ZelvaneHookThreadClass";
constexpr UINT kMsgRun = WM_APP + 1;  // lParam: the quillet::HookFn to call

LRESULT CALLBACK hookThreadProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case kMsgRun:
            return (*reinterpret_cast<const quillet::HookFn*>(lp))();
        case WM_CLOSE:
            DestroyWindow(h);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(h, msg, wp, lp);
    }
}

}  // namespace

HookThread::HookThread() {
    win32::UniqueKernelHandle ready(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!ready) return;
    try {
        win32::registerWindowClass({kClass, hookThreadProc, appInstance(), 0});
        thread_ = std::thread([this, event = ready.get()] { serve(event); });
    } catch (...) {
        return;  // no thread: run() calls on the caller's thread
    }
    WaitForSingleObject(ready.get(), INFINITE);
}

HookThread::~HookThread() {
    if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
    if (thread_.joinable()) thread_.join();
}

void HookThread::serve(HANDLE ready) {
    const HWND window =
        CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, appInstance(), nullptr);
    window_ = window;
    SetEvent(ready);  // the creator reads window_ only after this
    if (!window) return;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
}

int HookThread::run(quillet::HookFn fn) {
    if (!window_) return fn();
    return static_cast<int>(SendMessageW(window_, kMsgRun, 0, reinterpret_cast<LPARAM>(&fn)));
}

}  // namespace zelvane
