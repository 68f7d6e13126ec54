#include "shared_thread_host.h"

#include <mutex>

namespace bench {
namespace {

constexpr wchar_t kClassName[] = L"ZelvaneBenchSharedWindow";
// Thread messages of the host thread's loop.
constexpr UINT kCmdOpen = WM_APP + 1;  // lParam: OpenRequest*
constexpr UINT kCmdQuit = WM_APP + 2;

struct OpenRequest {
    const std::wstring* title;
    RECT rect;
    HWND result = nullptr;
    KernelHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

// Plain windows painted by the system with the class brush: the host
// thread spends its time on the requests of other programs, not on drawing.
void registerClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        wc.hbrBackground = GetSysColorBrush(COLOR_APPWORKSPACE);
        wc.lpszClassName = kClassName;
        RegisterClassExW(&wc);
    });
}

BOOL CALLBACK destroyWindow(HWND h, LPARAM) {
    DestroyWindow(h);
    return TRUE;
}

}  // namespace

SharedThreadHost::SharedThreadHost() : ready_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    registerClass();
    DWORD tid = 0;
    thread_.reset(CreateThread(nullptr, 0, threadEntry, this, 0, &tid));
    if (!thread_ || !ready_) return;
    HANDLE wait[2] = {ready_.get(), thread_.get()};
    if (WaitForMultipleObjects(2, wait, FALSE, 30000) == WAIT_OBJECT_0) tid_ = tid;
}

SharedThreadHost::~SharedThreadHost() {
    if (!thread_) return;
    if (tid_) PostThreadMessageW(tid_, kCmdQuit, 0, 0);
    WaitForSingleObject(thread_.get(), 60000);
}

DWORD WINAPI SharedThreadHost::threadEntry(void* self) {
    static_cast<SharedThreadHost*>(self)->threadMain();
    return 0;
}

void SharedThreadHost::threadMain() {
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before anyone posts
    SetEvent(ready_.get());
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == kCmdOpen) {
            auto* request = reinterpret_cast<OpenRequest*>(msg.lParam);
            const RECT& r = request->rect;
            request->result = CreateWindowExW(0, kClassName, request->title->c_str(),
                                              WS_OVERLAPPEDWINDOW | WS_VISIBLE, r.left, r.top,
                                              r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                                              GetModuleHandleW(nullptr), nullptr);
            SetEvent(request->done.get());
            continue;
        }
        if (msg.hwnd == nullptr && msg.message == kCmdQuit) break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    // The windows of a thread are destroyed with it; destroying them here
    // first keeps the order of teardown plain.
    EnumThreadWindows(GetCurrentThreadId(), destroyWindow, 0);
}

HWND SharedThreadHost::open(const std::wstring& title, const RECT& rect) {
    if (!tid_) return nullptr;
    OpenRequest request;
    request.title = &title;
    request.rect = rect;
    if (!request.done || !PostThreadMessageW(tid_, kCmdOpen, 0, reinterpret_cast<LPARAM>(&request)))
        return nullptr;
    // The request lives on this stack: wait until the host thread is done
    // with it, or has ended without taking it.
    HANDLE wait[2] = {request.done.get(), thread_.get()};
    return WaitForMultipleObjects(2, wait, FALSE, INFINITE) == WAIT_OBJECT_0 ? request.result : nullptr;
}

}  // namespace bench
