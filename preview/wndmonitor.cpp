#include "preview/wndmonitor.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace zelvane {

// The worker and the UI thread meet only here, under `lock`: the UI thread
// draws from buffer `current` while holding it, and the worker writes only
// the other buffer and flips `current` under it, so a picture is never read
// while it is being written. The buffers are the worker's to make; the UI
// thread draws nothing until `ready`. A request that comes in while a capture runs
// is kept (not lost) and served right after it.
struct WndMonitor::Shared {
    HWND hwnd = nullptr;
    int width = 0;
    int height = 0;
    std::mutex lock;
    std::condition_variable wake;
    bool requested = false;
    bool stop = false;
    bool ready = false;  // the buffers exist (made by the worker)
    int current = 0;
    // Bitmaps before their DCs: a DC is deleted before the bitmap it holds.
    win32::UniqueGdiObject bitmaps[2];
    win32::UniqueMemoryDc dcs[2];
};

namespace {

// The two picture buffers, made on the worker: fifty windows' buffers cost
// the UI thread hundreds of milliseconds before the preview's first frame.
bool makeBuffers(WndMonitor::Shared& s) {
    win32::UniqueGdiObject bitmaps[2];
    win32::UniqueMemoryDc dcs[2];
    {
        win32::WindowDc windowDc(s.hwnd);
        for (int i = 0; i < 2; ++i) {
            dcs[i].reset(CreateCompatibleDC(windowDc.get()));
            HBITMAP bitmap =
                s.width > 0 && s.height > 0 ? CreateCompatibleBitmap(windowDc.get(), s.width, s.height) : nullptr;
            if (!bitmap && s.width > 0 && s.height > 0) {
                // Large windows or little GDI memory: a plain 24-bit picture instead.
                BITMAPINFO info{};
                info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
                info.bmiHeader.biWidth = s.width;
                info.bmiHeader.biHeight = s.height;
                info.bmiHeader.biPlanes = 1;
                info.bmiHeader.biBitCount = 24;
                info.bmiHeader.biCompression = BI_RGB;
                void* bits = nullptr;
                bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
            }
            bitmaps[i].reset(bitmap);
            if (dcs[i] && bitmap) SelectObject(dcs[i].get(), bitmap);
        }
    }
    if (!dcs[0] || !dcs[1] || !bitmaps[0] || !bitmaps[1]) return false;
    std::lock_guard<std::mutex> guard(s.lock);
    for (int i = 0; i < 2; ++i) {
        s.bitmaps[i] = std::move(bitmaps[i]);
        s.dcs[i] = std::move(dcs[i]);
    }
    s.ready = true;
    return true;
}

void captureLoop(const std::shared_ptr<WndMonitor::Shared>& s) {
    using Clock = std::chrono::steady_clock;
    if (!makeBuffers(*s)) return;  // no picture
    for (;;) {
        int next;
        {
            std::lock_guard<std::mutex> guard(s->lock);
            if (s->stop) return;
            next = 1 - s->current;
        }
        const auto started = Clock::now();
        // May block for as long as the window's program does not answer.
        PrintWindow(s->hwnd, s->dcs[next].get(), 0);
        const auto took = Clock::now() - started;
        std::unique_lock<std::mutex> guard(s->lock);
        s->current = next;
        // Rest as long as the capture took: a slow window costs at most
        // about half a processor, however often pictures are asked for.
        if (s->wake.wait_for(guard, took, [&] { return s->stop; })) return;
        s->wake.wait(guard, [&] { return s->requested || s->stop; });
        if (s->stop) return;
        s->requested = false;
    }
}

}  // namespace

ThreadStarter::~ThreadStarter() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stop_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool ThreadStarter::start(std::function<void()> body) {
    std::lock_guard<std::mutex> guard(lock_);
    if (stop_) return false;
    if (!thread_.joinable()) {
        try {
            thread_ = std::thread([this] { run(); });
        } catch (...) {
            return false;
        }
    }
    queue_.push_back(std::move(body));
    wake_.notify_all();
    return true;
}

void ThreadStarter::run() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        wake_.wait(guard, [this] { return stop_ || !queue_.empty(); });
        if (stop_) return;
        std::function<void()> body = std::move(queue_.front());
        queue_.pop_front();
        guard.unlock();
        try {
            std::thread(std::move(body)).detach();
        } catch (...) {
            // No thread: that window gets no picture.
        }
        guard.lock();
    }
}

WndMonitor::WndMonitor(HWND hwnd, ThreadStarter* starter) : hwnd_(hwnd), starter_(starter) {
    RECT r{};
    if (GetWindowRect(hwnd, &r)) {
        width_ = r.right - r.left;
        height_ = r.bottom - r.top;
    }
}

WndMonitor::~WndMonitor() {
    if (shared_) {
        {
            std::lock_guard<std::mutex> guard(shared_->lock);
            shared_->stop = true;
        }
        shared_->wake.notify_all();
    }
    // thumbnails_ unregister themselves.
}

bool WndMonitor::capture() {
    if (!IsWindow(hwnd_)) return false;
    if (started_) {
        if (!shared_) return false;
        {
            std::lock_guard<std::mutex> guard(shared_->lock);
            shared_->requested = true;
        }
        shared_->wake.notify_all();
        return true;
    }
    started_ = true;
    auto s = std::make_shared<Shared>();
    s->hwnd = hwnd_;
    s->width = width_;
    s->height = height_;
    auto body = [s] {
        try {
            captureLoop(s);
        } catch (...) {
            // Nothing may leave the worker; the picture just stops changing.
        }
    };
    if (!starter_ || !starter_->start(body)) {
        try {
            std::thread(std::move(body)).detach();
        } catch (...) {
            return false;  // no thread: no picture
        }
    }
    shared_ = std::move(s);
    return true;
}

bool WndMonitor::draw(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh) {
    if (!shared_) return false;
    if (sw == 0) sw = width_;
    if (sh == 0) sh = height_;
    std::lock_guard<std::mutex> guard(shared_->lock);
    if (!shared_->ready) return false;  // the worker has not made its buffers yet
    return StretchBlt(dc, x, y, w, h, shared_->dcs[shared_->current].get(), sx, sy, sw, sh, SRCCOPY) != FALSE;
}

bool WndMonitor::updateThumbnail(HWND destination, RECT rect, bool reRegister, unsigned slot) {
    DWM_THUMBNAIL_PROPERTIES props{};
    props.dwFlags = DWM_TNP_RECTDESTINATION | DWM_TNP_VISIBLE;
    props.fVisible = TRUE;
    props.rcDestination = rect;
    props.opacity = 255;
    if (GetWindowLongW(hwnd_, GWL_EXSTYLE) & WS_EX_LAYERED) {
        // A translucent window keeps its translucency in the preview.
        BYTE alpha = 255;
        if (!GetLayeredWindowAttributes(hwnd_, nullptr, &alpha, nullptr)) alpha = 255;
        props.dwFlags |= DWM_TNP_OPACITY;
        props.opacity = alpha;
    }
    if (slot >= thumbnails_.size()) {
        thumbnails_.resize(slot + 1);
        reRegister = true;
    }
    if (reRegister) {
        thumbnails_[slot].reset();  // unregistered, and the slot zeroed
        HTHUMBNAIL t = nullptr;
        if (SUCCEEDED(dwm::registerThumbnail(destination, hwnd_, &t))) thumbnails_[slot].reset(t);
    }
    if (thumbnails_[slot]) dwm::updateThumbnail(thumbnails_[slot].get(), props);
    return true;
}

}  // namespace zelvane
