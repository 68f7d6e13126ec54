#include "preview/wndmonitor.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

namespace zelvane {

// The worker and the UI thread meet only here, under `lock`: the UI thread
// draws from buffer `current` while holding it, and the worker writes only
// the other buffer and flips `current` under it, so a picture is never read
// while it is being written. The buffers are the worker's to make; the UI
// thread draws nothing until a first picture is `captured`. A request that
// comes in while a capture runs is kept (not lost) and served right after
// it. `exited` is set, under the lock, by the worker as it leaves: a
// monitor may take a worker over only before that.
struct CaptureWorkers::Shared {
    HWND hwnd = nullptr;
    int width = 0;
    int height = 0;
    std::mutex lock;
    std::condition_variable wake;
    bool requested = false;
    bool stop = false;
    bool exited = false;
    bool ready = false;     // the buffers exist (made by the worker)
    bool captured = false;  // a first picture is in `current`
    bool fresh = false;     // a picture came in since the UI thread last asked
    int current = 0;
    std::shared_ptr<PictureNotice> notice;
    // Bitmaps before their DCs: a DC is deleted before the bitmap it holds.
    win32::UniqueGdiObject bitmaps[2];
    win32::UniqueMemoryDc dcs[2];
};

void PictureNotice::target(HWND window, UINT message) {
    std::lock_guard<std::mutex> guard(lock_);
    window_ = window;
    message_ = message;
    posted_ = false;
}

void PictureNotice::picture() {
    std::lock_guard<std::mutex> guard(lock_);
    if (!window_ || posted_) return;
    posted_ = PostMessageW(window_, message_, 0, 0) != FALSE;
}

void PictureNotice::taken() {
    std::lock_guard<std::mutex> guard(lock_);
    posted_ = false;
}

std::shared_ptr<CaptureWorkers::Shared> CaptureWorkers::adopt(HWND hwnd) {
    const auto it = workers_.find(hwnd);
    if (it == workers_.end()) return nullptr;
    std::shared_ptr<Shared> s = it->second.lock();
    if (!s) {
        workers_.erase(it);
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(s->lock);
    if (s->exited) return nullptr;
    s->stop = false;
    return s;
}

void CaptureWorkers::add(HWND hwnd, const std::shared_ptr<Shared>& shared) {
    for (auto it = workers_.begin(); it != workers_.end();) it = it->second.expired() ? workers_.erase(it) : ++it;
    workers_[hwnd] = shared;
}

std::size_t CaptureWorkers::alive() {
    std::size_t n = 0;
    for (const auto& [hwnd, weak] : workers_) {
        const std::shared_ptr<Shared> s = weak.lock();
        if (!s) continue;
        std::lock_guard<std::mutex> guard(s->lock);
        if (!s->exited) ++n;
    }
    return n;
}

namespace {

// The two picture buffers, made on the worker: fifty windows' buffers cost
// the UI thread hundreds of milliseconds before the preview's first frame.
bool makeBuffers(CaptureWorkers::Shared& s) {
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

// Leaves the worker, unless it was asked to go on in the meantime.
bool leave(CaptureWorkers::Shared& s) {
    if (!s.stop) return false;
    s.exited = true;
    return true;
}

void captureLoop(const std::shared_ptr<CaptureWorkers::Shared>& s) {
    using Clock = std::chrono::steady_clock;
    if (!makeBuffers(*s)) {
        std::lock_guard<std::mutex> guard(s->lock);
        s->exited = true;  // no picture, ever
        return;
    }
    for (;;) {
        int next;
        {
            std::lock_guard<std::mutex> guard(s->lock);
            if (leave(*s)) return;
            next = 1 - s->current;
        }
        const auto started = Clock::now();
        // May block for as long as the window's program does not answer.
        PrintWindow(s->hwnd, s->dcs[next].get(), 0);
        const auto took = Clock::now() - started;
        std::shared_ptr<PictureNotice> notice;
        {
            std::lock_guard<std::mutex> guard(s->lock);
            s->current = next;
            s->captured = true;
            s->fresh = true;
            notice = s->notice;
        }
        if (notice) notice->picture();
        std::unique_lock<std::mutex> guard(s->lock);
        // Rest as long as the capture took: a slow window costs at most
        // about half a processor, however often pictures are asked for.
        if (s->wake.wait_for(guard, took, [&] { return s->stop; }) && leave(*s)) return;
        s->wake.wait(guard, [&] { return s->requested || s->stop; });
        if (leave(*s)) return;
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

WndMonitor::WndMonitor(HWND hwnd, ThreadStarter* starter, CaptureWorkers* workers,
                       std::shared_ptr<PictureNotice> notice)
    : hwnd_(hwnd), starter_(starter), workers_(workers), notice_(std::move(notice)) {
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
            shared_->notice.reset();  // nothing more to tell once the preview is gone
        }
        shared_->wake.notify_all();
    }
    // thumbnails_ unregister themselves.
}

bool WndMonitor::capture() {
    if (!IsWindow(hwnd_)) return false;
    if (!started_) {
        started_ = true;
        // A worker left from an earlier preview, still in a capture of a
        // program that hangs: it serves this preview too.
        if (workers_) shared_ = workers_->adopt(hwnd_);
        if (shared_) {
            std::lock_guard<std::mutex> guard(shared_->lock);
            shared_->notice = notice_;
            shared_->fresh = shared_->captured;  // its last picture is there to draw
        } else {
            auto s = std::make_shared<Shared>();
            s->hwnd = hwnd_;
            s->width = width_;
            s->height = height_;
            s->notice = notice_;
            auto body = [s] {
                try {
                    captureLoop(s);
                } catch (...) {
                    // Nothing may leave the worker; the picture just stops changing.
                    std::lock_guard<std::mutex> guard(s->lock);
                    s->exited = true;
                }
            };
            if (!starter_ || !starter_->start(body)) {
                try {
                    std::thread(std::move(body)).detach();
                } catch (...) {
                    return false;  // no thread: no picture
                }
            }
            if (workers_) workers_->add(hwnd_, s);
            shared_ = std::move(s);
            return true;  // the worker captures as soon as it runs
        }
    }
    if (!shared_) return false;
    {
        std::lock_guard<std::mutex> guard(shared_->lock);
        shared_->requested = true;
    }
    shared_->wake.notify_all();
    return true;
}

bool WndMonitor::draw(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh) {
    if (!shared_) return false;
    std::lock_guard<std::mutex> guard(shared_->lock);
    if (!shared_->ready || !shared_->captured) return false;
    // The buffers keep the size the window had when its worker started.
    if (sw == 0) sw = shared_->width;
    if (sh == 0) sh = shared_->height;
    return StretchBlt(dc, x, y, w, h, shared_->dcs[shared_->current].get(), sx, sy, sw, sh, SRCCOPY) != FALSE;
}

bool WndMonitor::takeFresh() {
    if (!shared_) return false;
    std::lock_guard<std::mutex> guard(shared_->lock);
    return std::exchange(shared_->fresh, false);
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
