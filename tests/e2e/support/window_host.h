#pragma once
// Plain top-level windows owned by the test process, standing in for the
// windows of other programs. Each window has its own thread and message loop,
// so one of them can stop answering messages (hang) while the others and the
// test itself go on, just like a hung program.
#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>
#include <memory>
#include <string>
#include <vector>

#include "poll.h"

namespace e2e {

struct WindowOptions {
    // Window class; empty means the host's own painted class. A system class
    // such as L"Button" gives a top-level window of that class.
    std::wstring className;
    COLORREF color = RGB(70, 110, 160);
    DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    DWORD exStyle = 0;
};

struct RunTask;  // a call made on a window's own thread

class HostWindow {
public:
    HostWindow(const std::wstring& title, const RECT& rect, const WindowOptions& options);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    // False when the window could not be created (the error is in error()).
    bool ok() const { return hwnd_ != nullptr; }
    const std::wstring& error() const { return error_; }
    HWND hwnd() const { return hwnd_; }
    const std::wstring& title() const { return title_; }
    // The rectangle the window had right after it was created.
    RECT createdRect() const { return created_; }

    // Blocks the window's thread until release(): from then on it answers no
    // message, sent or posted. Returns once the thread is really blocked.
    bool hang();
    void release();
    bool hung() const { return hung_; }
    // True when the window's thread answers a sent message within `wait`.
    bool answers(Millis wait = 200ms) const;

    // Runs fn on the window's own thread and waits for it (false when the
    // thread did not get to it within `wait`, e.g. because it hangs).
    bool runOnThread(const std::function<void()>& fn, Millis wait = 10s);
    // Brings the window to the foreground from its own thread.
    bool activate();
    // Moves the window from its own thread, as the user would.
    bool moveTo(int x, int y);

    // Destroys the window and ends its thread (releases a hang first).
    void close();

private:
    static DWORD WINAPI threadEntry(void* self);
    void threadMain();

    std::shared_ptr<RunTask> nextTask();

    std::wstring title_;
    std::wstring error_;
    // Tasks for the window's thread; shared, because a task whose caller gave
    // up waiting (the thread hangs) still runs once the thread answers.
    std::mutex tasksLock_;
    std::deque<std::shared_ptr<RunTask>> tasks_;
    HWND hwnd_ = nullptr;
    DWORD tid_ = 0;
    RECT created_{};
    HANDLE releaseEvent_ = nullptr;  // manual reset; set = not hung
    HANDLE hungEvent_ = nullptr;     // set while the thread is blocked
    bool hung_ = false;
    HANDLE thread_ = nullptr;
    HANDLE ready_ = nullptr;
    RECT requested_{};
    WindowOptions options_;
};

class WindowHost {
public:
    WindowHost() = default;
    ~WindowHost() { closeAll(); }
    WindowHost(const WindowHost&) = delete;
    WindowHost& operator=(const WindowHost&) = delete;

    // Opens a window with its own thread; never returns null (check ok()).
    HostWindow* open(const std::wstring& title, const RECT& rect,
                     const WindowOptions& options = {});
    // Releases every hang and closes every window.
    void closeAll();
    const std::vector<std::unique_ptr<HostWindow>>& windows() const { return windows_; }

private:
    std::vector<std::unique_ptr<HostWindow>> windows_;
};

RECT makeRect(int x, int y, int width, int height);

}  // namespace e2e
