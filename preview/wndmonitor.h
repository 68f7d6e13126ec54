#pragma once
// WndMonitor: the live picture of one window in the preview, either a DWM
// thumbnail (composition on) or a picture captured with PrintWindow on a
// worker of its own (composition off; preview/capture_worker.*).
//
// Threads: construct, call and destroy it on the UI thread only. Its worker
// renders the window with PrintWindow, which waits for the window's program
// (a synchronous WM_PRINT); nothing on the UI thread ever waits for the
// worker. Destroying the monitor lets the worker go and returns at once; a
// worker blocked on a hung program ends when that program answers, and
// frees the picture buffers then. Until then a monitor for the same window
// (the next preview) takes that worker over instead of starting another.
#include <windows.h>

#include <memory>
#include <mutex>
#include <vector>

#include "preview/capture_worker.h"
#include "win32/dwm_binding.h"

namespace zelvane {

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

class WndMonitor {
public:
    // `starter` (may be null: the first capture starts the worker itself),
    // `workers` and `notice` (either may be null) must outlive the monitor.
    explicit WndMonitor(HWND hwnd, ThreadStarter* starter = nullptr, CaptureWorkers* workers = nullptr,
                        std::shared_ptr<PictureNotice> notice = nullptr);
    virtual ~WndMonitor();
    WndMonitor(const WndMonitor&) = delete;
    WndMonitor& operator=(const WndMonitor&) = delete;

    // Asks for a new picture; the first call starts the worker (or takes
    // over the one still running for this window), which makes the buffers
    // and captures at once. False when the window is gone or no worker could
    // be started (then there is simply no picture).
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

private:
    HWND hwnd_;
    ThreadStarter* starter_ = nullptr;
    CaptureWorkers* workers_ = nullptr;
    std::shared_ptr<PictureNotice> notice_;
    int width_ = 0;
    int height_ = 0;
    bool started_ = false;
    std::shared_ptr<CaptureWorker> worker_;
    std::vector<dwm::UniqueThumbnail> thumbnails_;
};

}  // namespace zelvane
