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

// A colour no window paints everywhere. A window that draws nothing into
// the picture leaves it: under Wine every window of another process, on
// Windows the few that ignore WM_PRINT (some drawn by Direct3D or OpenGL).
// Such a capture is no picture, and the preview keeps showing what it had
// (the window's pixels from the screen, or its outline).
constexpr COLORREF kUndrawn = RGB(1, 2, 3);

void fillUndrawn(HDC dc, int w, int h) {
    win32::UniqueGdiObject brush(CreateSolidBrush(kUndrawn));
    if (!brush) return;
    win32::SelectedObject selected(dc, brush.get());
    PatBlt(dc, 0, 0, w, h, PATCOPY);
}

// Whether anything was drawn: 7 x 7 points spread over the picture.
bool drawnOn(HDC dc, int w, int h) {
    for (int i = 0; i < 7; ++i)
        for (int j = 0; j < 7; ++j)
            if (GetPixel(dc, w * (2 * i + 1) / 14, h * (2 * j + 1) / 14) != kUndrawn) return true;
    return false;
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
                [b](int buffer) {
                    HDC dc = b->dcs[buffer].get();
                    fillUndrawn(dc, b->width, b->height);
                    // May block for as long as the window's program does not answer.
                    PrintWindow(b->hwnd, dc, 0);
                    return drawnOn(dc, b->width, b->height);
                },
                buffers);
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
