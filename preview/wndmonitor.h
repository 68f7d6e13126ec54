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

#include <memory>
#include <vector>

#include "preview/dwm_binding.h"

namespace zelvane {

class WndMonitor {
public:
    explicit WndMonitor(HWND hwnd);
    virtual ~WndMonitor();
    WndMonitor(const WndMonitor&) = delete;
    WndMonitor& operator=(const WndMonitor&) = delete;

    // Asks for a new picture; the first call creates the buffers and starts
    // the worker, which captures at once. False when the window is gone or
    // no worker could be started (then there is simply no picture).
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
    int width_ = 0;
    int height_ = 0;
    bool started_ = false;
    std::shared_ptr<Shared> shared_;
    std::vector<dwm::UniqueThumbnail> thumbnails_;
};

}  // namespace zelvane
