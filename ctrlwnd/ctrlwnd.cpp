#include "ctrlwnd/ctrlwnd.h"

#include <windowsx.h>


#include "win32/app_instance.h"
#include "controller/switch_request.h"
#include "controller/wsctrl.h"
#include "ctrlwnd/grid_picture.h"
#include "win32/wallpaper_image.h"
#include "win32/handles.h"
#include "win32/window_class.h"

namespace zelvane {

namespace {

constexpr UINT_PTR kFadeTimer = 1;
constexpr UINT kFadeStepMs = 20;

// A 32-bit top-down-addressable DIB section and the DC that holds it.
struct PictureBuffer {
    // Declared before the DC that holds it: the DC goes first.
    win32::UniqueGdiObject bitmap;
    win32::UniqueMemoryDc dc;
    void* bits = nullptr;
    int width = 0;
    int height = 0;
};

// A new w x h buffer, or nothing when the system cannot make one.
std::unique_ptr<PictureBuffer> makeBuffer(int w, int h) {
    auto b = std::make_unique<PictureBuffer>();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;  // bottom-up rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    win32::WindowDc screen(nullptr);
    b->bitmap.reset(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &b->bits, nullptr, 0));
    b->dc.reset(CreateCompatibleDC(screen.get()));
    if (!b->bitmap || !b->bits || !b->dc || !SelectObject(b->dc.get(), b->bitmap.get())) return nullptr;
    b->width = w;
    b->height = h;
    return b;
}


LRESULT CALLBACK ctrlWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);

// The monitor the cursor is on. With several monitors the virtual screen
// has parts that no monitor shows (beside a smaller one) and edges shared
// by two: the window pops up whole on the monitor whose edge the mouse
// rests on.
Rect monitorAt(POINT p) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(MonitorFromPoint(p, MONITOR_DEFAULTTONEAREST), &info)) {
        return Rect{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                    GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                    GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    }
    const RECT& m = info.rcMonitor;
    return Rect{m.left, m.top, m.right, m.bottom};
}

void registerCtrlClass() {
    win32::registerWindowClass({L"ZelvaneCtrlClass", ctrlWndProc, appInstance(), CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, nullptr, false});
}

}  // namespace

// What the window procedure draws with; owned by the CtrlWnd object, found
// through the window's user data.
struct CtrlWnd::State {
    WSController& ctrl;
    HWND owner;
    HWND hwnd = nullptr;
    std::unique_ptr<PictureBuffer> buffer;
    // The plane picture (shared with the preview) scaled to the buffer once,
    // and kept until the picture or the size changes: a pop-up or a drag of
    // the border reads no files.
    std::unique_ptr<PictureBuffer> planePicture;
    std::uint64_t pictureGeneration = 0;
    int fadeStep = 0;

    State(WSController& c, HWND o) : ctrl(c), owner(o) {}

    GridPicture grid() const {
        return GridPicture{buffer ? buffer->width : 0, buffer ? buffer->height : 0, ctrl.wsRowNum(), ctrl.wsColNum()};
    }

    void drawBackground(const PictureBuffer& b) {
        PlanePictureCache& images = wallpaperImages();
        const std::uint64_t generation = images.generation();
        if (!planePicture || planePicture->width != b.width || planePicture->height != b.height ||
            pictureGeneration != generation) {
            planePicture.reset();
            // None yet: the main window is told when it is ready, and the
            // window is drawn again then.
            if (const auto picture = images.latest()) {
                planePicture = makeBuffer(b.width, b.height);
                if (planePicture &&
                    !static_cast<const WallpaperImage&>(*picture).drawTo(planePicture->dc.get(), b.width, b.height,
                                                                          false))
                    planePicture.reset();
            }
            pictureGeneration = generation;
        }
        if (planePicture)
            BitBlt(b.dc.get(), 0, 0, b.width, b.height, planePicture->dc.get(), 0, 0, SRCCOPY);
        else
            PatBlt(b.dc.get(), 0, 0, b.width, b.height, WHITENESS);
    }

    // Draws the picture with `current` lit. The buffer follows the client
    // area, clamped to the virtual screen; when a new one cannot be made the
    // old one stays.
    void render(GridCell current) {
        RECT client{};
        GetClientRect(hwnd, &client);
        const Size want = clampBufferSize(client.right - client.left, client.bottom - client.top, ctrl.virtualWidth(),
                                          ctrl.virtualHeight());
        if (!buffer || buffer->width != want.w || buffer->height != want.h) {
            if (auto fresh = makeBuffer(want.w, want.h)) buffer = std::move(fresh);
        }
        if (!buffer) return;
        const HDC dc = buffer->dc.get();
        drawBackground(*buffer);
        const GridPicture g = grid();
        SelectObject(dc, GetStockObject(BLACK_PEN));
        for (const Segment& s : gridLines(g)) {
            const POINT line[2] = {{s.from.x, s.from.y}, {s.to.x, s.to.y}};
            Polyline(dc, line, 2);
        }
        GdiFlush();  // the pixels are changed directly from here on
        dimExceptCell(static_cast<std::uint8_t*>(buffer->bits), g, current);
        InvalidateRect(hwnd, nullptr, FALSE);
    }

    GridCell currentCell() const { return GridCell{ctrl.currentRow(), ctrl.currentCol()}; }

    void paint() {
        win32::PaintDc paintDc(hwnd);
        if (!paintDc || !buffer) return;
        BitBlt(paintDc.get(), 0, 0, buffer->width, buffer->height, buffer->dc.get(), 0, 0, SRCCOPY);
    }

    void click(int x, int y) {
        const auto cell = cellAt(grid(), x, y);
        if (!cell || *cell == currentCell()) return;
        PostMessageW(owner, kMsgSwitchRequest, 0, static_cast<LPARAM>(packWorkspace({cell->row, cell->col})));
        // Lit at once, before the switch has been done.
        render(*cell);
        UpdateWindow(hwnd);
    }

    void popUp() {
        render(currentCell());
        RECT r{};
        GetWindowRect(hwnd, &r);
        POINT cursor{};
        GetCursorPos(&cursor);
        const Point at = popupOrigin(Point{cursor.x, cursor.y}, r.right - r.left, r.bottom - r.top, monitorAt(cursor));
        // Transparent before it shows: a pop-up never flashes at the last alpha.
        fadeStep = 0;
        SetLayeredWindowAttributes(hwnd, 0, fadeAlpha(0), LWA_ALPHA);
        SetWindowPos(hwnd, HWND_TOPMOST, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        SetTimer(hwnd, kFadeTimer, kFadeStepMs, nullptr);
    }

    void fade() {
        ++fadeStep;
        SetLayeredWindowAttributes(hwnd, 0, fadeAlpha(fadeStep), LWA_ALPHA);
        if (fadeStep >= kFadeSteps - 1) KillTimer(hwnd, kFadeTimer);
    }
};

namespace {

LRESULT CALLBACK ctrlWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* state = static_cast<CtrlWnd::State*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        state->hwnd = h;
        SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    }
    auto* state = reinterpret_cast<CtrlWnd::State*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    if (!state) return DefWindowProcW(h, msg, wp, lp);
    switch (msg) {
        case WM_CREATE:
        case WM_SIZE:
            // Whatever size the message claims (anyone may send one), the
            // picture follows the window's real client area.
            state->render(state->currentCell());
            break;
        case WM_PAINT:
            state->paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the picture covers everything
        case WM_LBUTTONUP:
            state->click(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            break;
        case WM_RBUTTONUP:
            PostMessageW(state->owner, CtrlWnd::kMsgTrayCallback, CtrlWnd::kTrayIconId, WM_RBUTTONUP);
            break;
        case CtrlWnd::kMsgPopUp:
            state->popUp();
            break;
        case WM_TIMER:
            if (wp == kFadeTimer) {
                state->fade();
                return 0;
            }
            break;
        case WM_DESTROY:
            KillTimer(h, kFadeTimer);
            state->buffer.reset();
            state->planePicture.reset();
            SetWindowLongPtrW(h, GWLP_USERDATA, 0);
            break;
        default:
            break;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

}  // namespace

CtrlWnd::CtrlWnd(const std::wstring& title, DWORD exStyle, HWND owner, WSController& ctrl)
    : state_(std::make_unique<State>(ctrl, owner)) {
    registerCtrlClass();
    hwnd_ = CreateWindowExW(exStyle, L"ZelvaneCtrlClass", title.c_str(), WS_POPUP | WS_THICKFRAME, ctrl.virtualLeft(),
                            ctrl.virtualTop(), ctrl.planeWidth() / 20, ctrl.planeHeight() / 20, owner, nullptr,
                            appInstance(), state_.get());
}

CtrlWnd::~CtrlWnd() {
    if (hwnd_ && IsWindow(hwnd_)) SendMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void CtrlWnd::popup() { PostMessageW(hwnd_, CtrlWnd::kMsgPopUp, 0, 0); }

void CtrlWnd::resize(int w, int h) {
    const Size s = clampBufferSize(w, h, state_->ctrl.virtualWidth(), state_->ctrl.virtualHeight());
    SetWindowPos(hwnd_, nullptr, 0, 0, s.w, s.h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A hidden window is drawn anew when it pops up; only a shown one needs it now.
void CtrlWnd::refresh() {
    if (isVisible()) PostMessageW(hwnd_, WM_SIZE, 0, 0);
}

bool CtrlWnd::isVisible() const { return IsWindowVisible(hwnd_) != FALSE; }

void CtrlWnd::hide() {
    KillTimer(hwnd_, kFadeTimer);
    ShowWindow(hwnd_, SW_HIDE);
}

void CtrlWnd::show() { ShowWindow(hwnd_, SW_SHOWNOACTIVATE); }

RECT CtrlWnd::windowRect() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return r;
}

int CtrlWnd::rectLeft() const { return windowRect().left; }
int CtrlWnd::rectRight() const { return windowRect().right; }
int CtrlWnd::rectTop() const { return windowRect().top; }
int CtrlWnd::rectBottom() const { return windowRect().bottom; }

}  // namespace zelvane
