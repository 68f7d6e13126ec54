#pragma once
// WndMonitor: the live picture of one window in the preview, either a DWM
// thumbnail (composition on) or a picture captured with PrintWindow on a
// worker of its own (composition off).
//
// Threads: construct, call and destroy it on the UI thread only. Its worker
// renders the window with PrintWindow, which waits for the window's program
// (a synchronous WM_PRINT); nothing on the UI thread ever waits for the
// worker. Destroying the monitor asks the worker to stop and returns at
// once; a worker blocked on a hung program ends when that program answers,
// and frees the picture buffers then.
#include <windows.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "win32/dwm_binding.h"

namespace zelvane {

// Starts threads off the UI thread, one after another: under Wine a thread
// start costs milliseconds, and fifty capture workers started by the UI
// thread held up the preview's first frame by a third of a second. It
// never waits for another program, so ending it (joining) is quick.
class ThreadStarter {
public:
    ThreadStarter() = default;
    ~ThreadStarter();
    ThreadStarter(const ThreadStarter&) = delete;
    ThreadStarter& operator=(const ThreadStarter&) = delete;
    // Runs `body` on a detached thread of its own, started soon. False when
    // the starter itself cannot run (the caller then starts it).
    bool start(std::function<void()> body);

private:
    void run();
    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    bool stop_ = false;
    std::thread thread_;
};

class WndMonitor {
public:
    // `starter` (may be null: the first capture starts the worker itself)
    // must outlive the monitor.
    explicit WndMonitor(HWND hwnd, ThreadStarter* starter = nullptr);
    virtual ~WndMonitor();
    WndMonitor(const WndMonitor&) = delete;
    WndMonitor& operator=(const WndMonitor&) = delete;

    // Asks for a new picture; the first call starts the worker, which makes
    // the buffers and captures at once. False when the window is gone or no
    // worker could be started (then there is simply no picture).
    virtual bool capture();
    // Stretches the newest complete picture onto dc (source width and height
    // 0: the whole picture).
    virtual bool draw(HDC dc, int x, int y, int w, int h, int sx = 0, int sy = 0, int sw = 0, int sh = 0);
    // Places thumbnail `slot` on destination at rect; a new slot, or
    // reRegister, registers it anew (above the thumbnails registered before).
    virtual bool updateThumbnail(HWND destination, RECT rect, bool reRegister, unsigned slot);
    virtual HWND window() const { return hwnd_; }

    struct Shared;  // the buffers and the hand-over, shared with the worker

private:
    HWND hwnd_;
    ThreadStarter* starter_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    bool started_ = false;
    std::shared_ptr<Shared> shared_;
    std::vector<dwm::UniqueThumbnail> thumbnails_;
};

}  // namespace zelvane
