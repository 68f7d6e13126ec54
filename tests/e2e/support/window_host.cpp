#include "window_host.h"

#include <mutex>

namespace e2e {
namespace {

constexpr wchar_t kHostClass[] = L"ZelvaneE2EWindow";
// Thread messages understood by a host window's loop.
constexpr UINT kCmdHang = WM_APP + 1;
constexpr UINT kCmdRun = WM_APP + 2;
constexpr UINT kCmdQuit = WM_APP + 3;

}  // namespace

struct RunTask {
    explicit RunTask(std::function<void()> f) : fn(std::move(f)), done(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~RunTask() {
        if (done) CloseHandle(done);
    }
    RunTask(const RunTask&) = delete;
    RunTask& operator=(const RunTask&) = delete;
    std::function<void()> fn;
    HANDLE done;
};

namespace {

LRESULT CALLBACK hostWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
        FillRect(dc, &rc, brush);
        DeleteObject(brush);
        wchar_t title[256];
        int n = GetWindowTextW(hwnd, title, 256);
        HFONT font = CreateFontW(-28, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_SWISS, L"Tahoma");
        HGDIOBJ old = SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        DrawTextW(dc, title, n, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(dc, old);
        DeleteObject(font);
        EndPaint(hwnd, &ps);
        return 0;
    }
    default:
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

void registerHostClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = hostWndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        wc.lpszClassName = kHostClass;
        RegisterClassExW(&wc);
    });
}

}  // namespace

RECT makeRect(int x, int y, int width, int height) { return RECT{x, y, x + width, y + height}; }

HostWindow::HostWindow(const std::wstring& title, const RECT& rect, const WindowOptions& options)
    : title_(title) {
    releaseEvent_ = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    hungEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    requested_ = rect;
    options_ = options;
    // A small stack: a benchmark runs hundreds of these threads in a 32-bit process.
    thread_ = CreateThread(nullptr, 128 * 1024, threadEntry, this, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread_) {
        HANDLE wait[2] = {ready_, thread_};
        WaitForMultipleObjects(2, wait, FALSE, 30000);
    } else {
        error_ = L"CreateThread failed, error " + std::to_wstring(GetLastError());
    }
    CloseHandle(ready_);
    ready_ = nullptr;
}

HostWindow::~HostWindow() {
    close();
    CloseHandle(releaseEvent_);
    CloseHandle(hungEvent_);
}

DWORD WINAPI HostWindow::threadEntry(void* self) {
    static_cast<HostWindow*>(self)->threadMain();
    return 0;
}

void HostWindow::threadMain() {
    const RECT& rect = requested_;
    const WindowOptions& options = options_;
    HANDLE ready = ready_;
    registerHostClass();
    const wchar_t* cls = options.className.empty() ? kHostClass : options.className.c_str();
    HWND hwnd = CreateWindowExW(options.exStyle, cls, title_.c_str(), options.style, rect.left,
                                rect.top, rect.right - rect.left, rect.bottom - rect.top, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    tid_ = GetCurrentThreadId();
    if (!hwnd) {
        error_ = L"CreateWindowExW failed, error " + std::to_wstring(GetLastError());
        SetEvent(ready);
        return;
    }
    if (options.className.empty()) SetWindowLongPtrW(hwnd, GWLP_USERDATA, options.color);
    GetWindowRect(hwnd, &created_);
    // Make sure the thread's queue exists before anyone posts to it.
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    hwnd_ = hwnd;
    SetEvent(ready);

    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr) {
            if (msg.message == kCmdHang) {
                SetEvent(hungEvent_);
                WaitForSingleObject(releaseEvent_, INFINITE);
                ResetEvent(hungEvent_);
                continue;
            }
            if (msg.message == kCmdRun) {
                if (auto task = nextTask()) {
                    task->fn();
                    SetEvent(task->done);
                }
                continue;
            }
            if (msg.message == kCmdQuit) {
                if (IsWindow(hwnd)) DestroyWindow(hwnd);
                break;
            }
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool HostWindow::hang() {
    if (!thread_ || hung_) return hung_;
    ResetEvent(releaseEvent_);
    PostThreadMessageW(tid_, kCmdHang, 0, 0);
    hung_ = WaitForSingleObject(hungEvent_, 10000) == WAIT_OBJECT_0;
    if (!hung_) SetEvent(releaseEvent_);
    return hung_;
}

void HostWindow::release() {
    SetEvent(releaseEvent_);
    hung_ = false;
}

bool HostWindow::answers(Millis wait) const {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(hwnd_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                               static_cast<UINT>(wait.count()), &result) != 0;
}

std::shared_ptr<RunTask> HostWindow::nextTask() {
    std::lock_guard<std::mutex> lock(tasksLock_);
    if (tasks_.empty()) return nullptr;
    auto task = tasks_.front();
    tasks_.pop_front();
    return task;
}

bool HostWindow::runOnThread(const std::function<void()>& fn, Millis wait) {
    if (!thread_) return false;
    auto task = std::make_shared<RunTask>(fn);
    {
        std::lock_guard<std::mutex> lock(tasksLock_);
        tasks_.push_back(task);
    }
    PostThreadMessageW(tid_, kCmdRun, 0, 0);
    return WaitForSingleObject(task->done, static_cast<DWORD>(wait.count())) == WAIT_OBJECT_0;
}

bool HostWindow::activate() {
    HWND hwnd = hwnd_;
    return runOnThread([hwnd] {
        SetForegroundWindow(hwnd);
        SetActiveWindow(hwnd);
    });
}

bool HostWindow::moveTo(int x, int y) {
    HWND hwnd = hwnd_;
    return runOnThread([hwnd, x, y] {
        SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    });
}

void HostWindow::close() {
    if (!thread_) return;
    release();
    PostThreadMessageW(tid_, kCmdQuit, 0, 0);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
    hwnd_ = nullptr;
}

HostWindow* WindowHost::open(const std::wstring& title, const RECT& rect,
                             const WindowOptions& options) {
    windows_.push_back(std::make_unique<HostWindow>(title, rect, options));
    return windows_.back().get();
}

void WindowHost::closeAll() {
    for (auto& w : windows_) w->release();
    for (auto& w : windows_) w->close();
    windows_.clear();
}

}  // namespace e2e
