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
// and frees the picture buffers then. Until then a monitor for the same
// window (the next preview) takes that worker over instead of starting
// another one (CaptureWorkers), so a program that hangs for a long time
// costs one thread and one pair of pictures, however often the preview
// opens.
#include <windows.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
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

// Told, from a capture worker, that a new picture is there: posts `message`
// to `window` once until taken() is called. Shared by the monitors of one
// surface and their workers, which may outlive the preview (then the window
// is null and nothing is posted).
class PictureNotice {
public:
    void target(HWND window, UINT message);
    void picture();  // any thread
    void taken();    // the window got the message; the next picture posts again

private:
    std::mutex lock_;
    HWND window_ = nullptr;
    UINT message_ = 0;
    bool posted_ = false;
};

class WndMonitor;

// The capture workers that outlive their preview (their window's program
// hung in the middle of a capture), by window: the next monitor for the
// same window takes its worker over. UI thread only.
class CaptureWorkers {
public:
    struct Shared;
    // The running worker of `hwnd`, if it has one; it is asked to go on.
    std::shared_ptr<Shared> adopt(HWND hwnd);
    void add(HWND hwnd, const std::shared_ptr<Shared>& shared);
    // Workers still alive (for tests and the benchmark's resource count).
    std::size_t alive();

private:
    std::map<HWND, std::weak_ptr<Shared>> workers_;
};

class WndMonitor {
public:
    // `starter` (may be null: the first capture starts the worker itself),
    // `workers` and `notice` (either may be null) must outlive the monitor.
    explicit WndMonitor(HWND hwnd, ThreadStarter* starter = nullptr, CaptureWorkers* workers = nullptr,
                        std::shared_ptr<PictureNotice> notice = nullptr);
    virtual ~WndMonitor();
    WndMonitor(const WndMonitor&) = delete;
    WndMonitor& operator=(const WndMonitor&) = delete;

    // Asks for a new picture; the first call starts the worker, which makes
    // the buffers and captures at once. False when the window is gone or no
    // worker could be started (then there is simply no picture).
    virtual bool capture();
    // Stretches the newest complete picture onto dc (source width and height
    // 0: the whole picture). False, drawing nothing, until a first picture
    // has been captured.
    virtual bool draw(HDC dc, int x, int y, int w, int h, int sx = 0, int sy = 0, int sw = 0, int sh = 0);
    // Whether a picture came in since the last call.
    bool takeFresh();
    // Places thumbnail `slot` on destination at rect; a new slot, or
    // reRegister, registers it anew (above the thumbnails registered before).
    virtual bool updateThumbnail(HWND destination, RECT rect, bool reRegister, unsigned slot);
    virtual HWND window() const { return hwnd_; }

    using Shared = CaptureWorkers::Shared;  // the buffers and the hand-over, shared with the worker

private:
    HWND hwnd_;
    ThreadStarter* starter_ = nullptr;
    CaptureWorkers* workers_ = nullptr;
    std::shared_ptr<PictureNotice> notice_;
    int width_ = 0;
    int height_ = 0;
    bool started_ = false;
    std::shared_ptr<Shared> shared_;
    std::vector<dwm::UniqueThumbnail> thumbnails_;
};

}  // namespace zelvane
