#include "preview/wndmonitor.h"

#include <thread>
#include <utility>

#include "win32/handles.h"

namespace zelvane {

namespace {

// The two picture buffers of a window, made on its worker (fifty windows'
// buffers cost the UI thread hundreds of milliseconds before the preview's
// first frame) and kept as long as the worker or a monitor holds them. They
// keep the size the window had when its worker started. Bitmaps before
// their DCs: a DC is deleted before the bitmap it holds.
struct Buffers {
    HWND hwnd = nullptr;
    int width = 0;
    int height = 0;
    win32::UniqueGdiObject bitmaps[2];
    win32::UniqueMemoryDc dcs[2];
};

bool makeBuffers(Buffers& b) {
    win32::WindowDc windowDc(b.hwnd);
    for (int i = 0; i < 2; ++i) {
        b.dcs[i].reset(CreateCompatibleDC(windowDc.get()));
        HBITMAP bitmap = b.width > 0 && b.height > 0 ? CreateCompatibleBitmap(windowDc.get(), b.width, b.height) : nullptr;
        if (!bitmap && b.width > 0 && b.height > 0) {
            // Large windows or little GDI memory: a plain 24-bit picture instead.
            BITMAPINFO info{};
            info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
            info.bmiHeader.biWidth = b.width;
            info.bmiHeader.biHeight = b.height;
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 24;
            info.bmiHeader.biCompression = BI_RGB;
            void* bits = nullptr;
            bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        }
        b.bitmaps[i].reset(bitmap);
        if (b.dcs[i] && bitmap) SelectObject(b.dcs[i].get(), bitmap);
    }
    return b.dcs[0] && b.dcs[1] && b.bitmaps[0] && b.bitmaps[1];
}

}  // namespace

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
    if (worker_) worker_->release();
    // thumbnails_ unregister themselves.
}

bool WndMonitor::capture() {
    if (!IsWindow(hwnd_)) return false;
    if (!started_) {
        started_ = true;
        // A worker left from an earlier preview, still in a capture of a
        // program that hangs: it serves this preview too.
        if (workers_) worker_ = workers_->adopt(reinterpret_cast<CaptureWorkers::Key>(hwnd_));
        if (!worker_) {
            auto buffers = std::make_shared<Buffers>();
            buffers->hwnd = hwnd_;
            buffers->width = width_;
            buffers->height = height_;
            Buffers* b = buffers.get();
            auto worker = std::make_shared<CaptureWorker>(
                [b] { return makeBuffers(*b); },
                // May block for as long as the window's program does not answer.
                [b](int buffer) { PrintWindow(b->hwnd, b->dcs[buffer].get(), 0); }, buffers);
            if (notice_) worker->setNotify([notice = notice_] { notice->picture(); });
            auto body = [worker] { CaptureWorker::run(worker); };
            if (!starter_ || !starter_->start(body)) {
                try {
                    std::thread(std::move(body)).detach();
                } catch (...) {
                    return false;  // no thread: no picture
                }
            }
            if (workers_) workers_->add(reinterpret_cast<CaptureWorkers::Key>(hwnd_), worker);
            worker_ = std::move(worker);
            return true;  // the worker captures as soon as it runs
        }
        if (notice_) worker_->setNotify([notice = notice_] { notice->picture(); });
    }
    if (!worker_) return false;
    worker_->request();
    return true;
}

bool WndMonitor::draw(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh) {
    if (!worker_) return false;
    const auto* b = static_cast<const Buffers*>(worker_->buffers().get());
    bool drawn = false;
    worker_->withPicture([&](int current) {
        drawn = StretchBlt(dc, x, y, w, h, b->dcs[current].get(), sx, sy, sw ? sw : b->width, sh ? sh : b->height,
                           SRCCOPY) != FALSE;
    });
    return drawn;
}

bool WndMonitor::takeFresh() { return worker_ && worker_->takeFresh(); }

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
