#include "preview/viewwnd.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <utility>

#include "controller/switch_request.h"
#include "preview/coverwnd.h"
#include "preview/preview_geometry.h"
#include "preview/preview_keys.h"
#include "preview/preview_session.h"
#include "preview/win32_surface.h"
#include "win32/app_instance.h"
#include "win32/handles.h"
#include "win32/text.h"
#include "win32/win32_desktop.h"
#include "win32/window_class.h"

namespace zelvane {

namespace {

using win32::toHwnd;
using win32::toWindowId;

constexpr UINT_PTR kTimerDrag = 100;
constexpr UINT_PTR kTimerRefresh = 101;
constexpr UINT_PTR kTimerHold = 102;
constexpr UINT kDragPeriodMs = 20;
constexpr LPARAM kKeyRepeatBit = LPARAM{1} << 30;  // the key was already down

// The state of the one preview window. Module-wide because one preview at a
// time is the rule (a second request is refused while this exists); the
// window procedure reaches it without a pointer stored in the window.
struct ViewState {
    WSController* ctrl = nullptr;
    Win32PreviewSurface* surface = nullptr;
    std::unique_ptr<PreviewSession> session;
    HWND hwnd = nullptr;
    HWND owner = nullptr;
    Workspace selection;
    PreviewLayout layout;
    RestingGeometry rest;
    Rect viewRect;
    bool interactive = false;
    bool moved = false;  // an animation has begun: the still first frame is gone
    bool finished = false;  // endPreview has run
    bool inputGivenBack = false;  // the owner has its hotkeys and hook back
    bool refreshPending = false;
    // How far the preview has been set up: the full preview begins while its
    // zoom-out already moves (see setUpStep), a slide before it starts.
    enum class Setup { Canvas, Windows, Pictures, Done, Failed } setup = Setup::Canvas;
    Rect canvasRect;  // the canvas's size: the plane at rest
    POINT lastCursor{};
    HWND carried = nullptr;
    // Dragging: the cursor where the drag began and how far the window has
    // been moved on the plane since, so rounding never accumulates.
    bool dragging = false;
    POINT dragOrigin{};
    Point dragApplied;
    // A grabbed window held long enough (or grabbed with the right button)
    // becomes every workspace's focus when the preview ends: activating it
    // while the preview is open would take the foreground (and with it the
    // keys and the mouse capture) from the preview.
    bool focusOnDrop = false;
    HWND focusAtEnd = nullptr;
    // The last left press, to tell a double click where the system does not.
    DWORD lastPressTime = 0;
    POINT lastPress{-1, -1};
    // The dim overlay with the selected cell as a hole.
    std::unique_ptr<CoverWnd> overlay;
    win32::UniqueGdiObject overlayBitmap;
    win32::UniqueMemoryDc overlayDc;
    win32::UniqueGdiObject overlayBrush;
    BYTE overlayAlpha = 0;
};
std::unique_ptr<ViewState> g_state;

struct ViewParams {
    WSController* ctrl;
    Win32PreviewSurface* surface;
    bool animatedSwitch;
};


LRESULT CALLBACK viewWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);

void registerViewClass() {
    win32::registerWindowClass({L"ZelvaneViewClass", viewWndProc, appInstance(), CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, nullptr, true});
}

bool keyDown(int vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; }

// The asynchronous key state: the preview window's own thread state would
// only know the keys it has read itself.
bool modifiersHeld(std::int32_t set) {
    return modifierSetHeld(set, [](unsigned vk) { return keyDown(static_cast<int>(vk)); });
}

POINT cursorPos() {
    POINT p{};
    GetCursorPos(&p);
    return p;
}

// Blacks out the window around the plane.
void blackMargins(HDC dc, const Rect& r, const PreviewLayout& l) {
    const int vw = l.virtualWidth, vh = l.virtualHeight;
    PatBlt(dc, 0, 0, r.left, r.bottom, BLACKNESS);
    PatBlt(dc, 0, r.bottom, r.right, vh - r.bottom, BLACKNESS);
    PatBlt(dc, r.right, r.top, vw - r.right, vh - r.top, BLACKNESS);
    PatBlt(dc, r.left, 0, vw - r.left, r.top, BLACKNESS);
}

void showFrame(ViewState& s, const Rect& r) {
    s.viewRect = r;
    s.session->setRect(r);
    s.session->paint(false, true);
    win32::WindowDc dc(s.hwnd);
    if (dc) blackMargins(dc.get(), r, s.layout);
    ValidateRect(s.hwnd, nullptr);
}

// Runs an animation of durationMs on the clock (preview_geometry's
// runAnimation); frame gets the linear progress.
template <typename Frame>
void onClock(std::int64_t durationMs, Frame frame) {
    const auto start = std::chrono::steady_clock::now();
    runAnimation(
        durationMs,
        [start] {
            return static_cast<std::int64_t>(
                std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
        },
        [](std::int64_t ms) { Sleep(static_cast<DWORD>(ms)); }, frame);
}

// The same with the zoom's and the slide's easing.
template <typename Frame>
void animate(std::int64_t durationMs, Frame frame) {
    onClock(durationMs, [&](double t) { frame(easeOut(t)); });
}

void drawOverlay(ViewState& s) {
    if (!s.overlay || !s.overlayDc) return;
    const int w = s.layout.screenWidth, h = s.layout.screenHeight;
    PatBlt(s.overlayDc.get(), 0, 0, w, h, BLACKNESS);
    PatBlt(s.overlayDc.get(), s.selection.col * s.rest.cellW + s.rest.restLeft,
           s.selection.row * s.rest.cellH + s.rest.restTop, s.rest.cellW, s.rest.cellH, PATCOPY);
    win32::WindowDc screen(nullptr);
    POINT origin{0, 0};
    SIZE size{w, h};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, s.overlayAlpha, 0};
    UpdateLayeredWindow(s.overlay->window(), screen.get(), nullptr, &size, s.overlayDc.get(), &origin,
                        RGB(255, 255, 255), &blend, ULW_COLORKEY | ULW_ALPHA);
}

void createOverlay(ViewState& s) {
    const int w = s.layout.screenWidth, h = s.layout.screenHeight;
    s.overlay = std::make_unique<CoverWnd>(L"cover", WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST, s.hwnd, 0, 0,
                                           w, h);
    if (!s.overlay->window()) {
        s.overlay.reset();
        return;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    s.overlayBitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    s.overlayDc.reset(CreateCompatibleDC(nullptr));
    s.overlayBrush.reset(CreateSolidBrush(RGB(255, 255, 255)));
    if (!s.overlayBitmap || !s.overlayDc || !s.overlayBrush) {
        s.overlay.reset();
        return;
    }
    SelectObject(s.overlayDc.get(), s.overlayBitmap.get());
    SelectObject(s.overlayDc.get(), s.overlayBrush.get());
    s.overlayAlpha = 0;
    drawOverlay(s);
    SetWindowPos(s.overlay->window(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
    // The fade follows the clock and skips steps when a redraw is slow (a
    // whole-screen layered redraw can take half a second under Wine): it
    // never holds the preview up for longer than its own duration and one redraw.
    const std::int32_t steps = fadeSteps(s.ctrl->settings().transitionTime);
    onClock(std::int64_t{steps > 1 ? steps : 0} * kFrameMs, [&](double t) {
        s.overlayAlpha = fadeAlpha(static_cast<std::int32_t>(t * steps + 0.5), steps);
        drawOverlay(s);
    });
}

void destroyOverlay(ViewState& s) {
    s.overlay.reset();
    s.overlayDc.reset();  // before the bitmap and brush it holds
    s.overlayBitmap.reset();
    s.overlayBrush.reset();
}

// Keys for the view still waiting in its queue. They were typed before
// anything we could read now, so they are handled, in order, before the
// slide may end: a chord typed while a slide runs is never dropped with the
// window that was to receive it.
bool keyInputPending(HWND h) {
    MSG m;
    return PeekMessageW(&m, h, WM_KEYDOWN, WM_KEYUP, PM_NOREMOVE | PM_NOYIELD) ||
           PeekMessageW(&m, h, WM_SYSKEYDOWN, WM_SYSKEYUP, PM_NOREMOVE | PM_NOYIELD);
}

// The hotkeys and the hook come back as soon as the preview takes no more
// keys (its end has begun), not once its window is gone: a chord typed
// while the last frames are drawn and the windows placed is a hotkey again,
// handled once the preview is gone, instead of input for a closing window.
void giveInputBack(ViewState& s) {
    if (s.inputGivenBack) return;
    s.inputGivenBack = true;
    SendMessageW(s.owner, kMsgPreviewEnding, 0, reinterpret_cast<LPARAM>(s.hwnd));
}

void endDrag(ViewState& s) {
    KillTimer(s.hwnd, kTimerDrag);
    KillTimer(s.hwnd, kTimerHold);
    const HWND dropped = s.carried;
    s.carried = nullptr;
    if (s.dragging) {
        s.dragging = false;
        if (GetCapture() == s.hwnd) ReleaseCapture();
    }
    if (s.focusOnDrop && dropped) s.focusAtEnd = dropped;
    s.focusOnDrop = false;
}

// Ends the preview on the selection: every window placed for it, the
// canvas freed, the taskbar back. Runs once, on whichever way out comes first.
void finish(ViewState& s) {
    if (s.finished) return;
    s.finished = true;
    giveInputBack(s);
    // A window carried through a slide lands with nothing remembered as the
    // focus of the workspace it lands on, so nothing else is activated there.
    const bool slideCarried = s.session->animatedSwitch() && s.carried;
    KillTimer(s.hwnd, kTimerRefresh);
    endDrag(s);
    destroyOverlay(s);
    if (s.focusAtEnd && IsWindow(s.focusAtEnd)) s.ctrl->setWSFocus(toWindowId(s.focusAtEnd), -1, -1);
    if (slideCarried) s.ctrl->setWSFocus(kNoWindow, s.selection.row, s.selection.col);
    s.session->end(s.selection.row, s.selection.col);
}

// One step of beginning the preview, each a few tens of milliseconds under
// Wine, so that the zoom-out can draw a frame between two of them: the
// canvas and its background; the windows (the controller shows those of
// other workspaces off the screen, and each gets an image source); then the
// pictures asked for and the canvas drawn. False once nothing is left.
bool setUpStep(ViewState& s) {
    using Setup = ViewState::Setup;
    switch (s.setup) {
        case Setup::Canvas:
            s.setup = s.session->beginCanvas(toWindowId(s.hwnd), s.canvasRect, s.viewRect) ? Setup::Windows
                                                                                          : Setup::Failed;
            return true;
        case Setup::Windows:
            s.setup = s.session->beginWindows() ? Setup::Pictures : Setup::Failed;
            return true;
        case Setup::Pictures:
            // Asked for at once: the workers capture while the animation runs.
            s.session->requestPictures();
            s.session->paint(false, false);
            s.setup = Setup::Done;
            return false;
        case Setup::Done:
        case Setup::Failed:
            return false;
    }
    return false;
}

void setUpAll(ViewState& s) {
    while (setUpStep(s)) {
    }
}

void onCreate(HWND h, const CREATESTRUCTW& cs) {
    g_state = std::make_unique<ViewState>();
    ViewState& s = *g_state;
    const auto& params = *static_cast<const ViewParams*>(cs.lpCreateParams);
    s.ctrl = params.ctrl;
    s.surface = params.surface;
    s.session = std::make_unique<PreviewSession>(*params.ctrl, *params.surface, params.animatedSwitch);
    s.hwnd = h;
    s.owner = cs.hwndParent;
    WSController& c = *s.ctrl;
    // Before this window takes the foreground.
    c.saveFocus();
    s.selection = Workspace{c.currentRow(), c.currentCol()};
    s.layout = previewLayoutOf(c);
    const PreviewLayout& l = s.layout;

    // The first frame: the screen as it is, copied and shown in this window
    // where the screen was, before anything moves. Everything after happens
    // behind it, and the zoom or the slide starts from it.
    s.session->freeze(toWindowId(h));
    SetWindowPos(h, HWND_TOP, l.virtualLeft, l.virtualTop, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    s.session->showFrozen();
    ValidateRect(h, nullptr);

    if (!s.session->animatedSwitch()) s.session->hideTaskbar();
    s.rest = restingGeometry(l, c.settings().previewScale);
    s.canvasRect = Rect{s.rest.restLeft - l.virtualLeft, s.rest.restTop - l.virtualTop,
                        s.rest.restRight() - l.virtualLeft, s.rest.restBottom() - l.virtualTop};
    s.viewRect = fullSizeRect(s.selection, l);
    // The full preview begins during its zoom-out, whose first frames need
    // only the still copy; a slide moves every window's picture from its
    // first frame, so it begins here, behind the still copy.
    if (s.session->animatedSwitch()) setUpAll(s);
    // Closed once the creation is over, so the owner always hears of a
    // window that really existed.
    if (s.setup == ViewState::Setup::Failed) PostMessageW(h, WM_CLOSE, 0, 0);
}

// A frame of the zoom-out before the preview is ready: the still copy of
// the screen in the current workspace's cell, black around it. The other
// cells come in with the canvas a few frames later.
void showFrozenFrame(ViewState& s, const Rect& r) {
    s.viewRect = r;
    s.session->setRect(r);  // thumbnails registered meanwhile follow the zoom
    const Rect cell = cellRect(r, s.selection, s.layout.rows, s.layout.cols);
    s.session->showFrozenAt(cell);
    win32::WindowDc dc(s.hwnd);
    if (dc) blackMargins(dc.get(), cell, s.layout);
    ValidateRect(s.hwnd, nullptr);
}

void zoomOut(ViewState& s) {
    if (s.interactive || s.finished || s.setup == ViewState::Setup::Failed) return;
    s.interactive = true;
    s.moved = true;
    SetForegroundWindow(s.hwnd);
    // The zoom moves at once from the still copy; the preview begins one
    // step after each frame, and the frames show the canvas once it is drawn
    // (the clock runs on meanwhile: frames are dropped, not time stretched).
    bool lastFrameFrozen = false;
    bool firstFrame = true;
    animate(zoomDurationMs(s.ctrl->settings().transitionTime), [&](double p) {
        if (s.setup == ViewState::Setup::Failed) return;
        const Rect r = zoomRect(p, s.selection, s.rest, s.layout);
        lastFrameFrozen = s.setup != ViewState::Setup::Done;
        if (!lastFrameFrozen) {
            showFrame(s, r);
            return;
        }
        showFrozenFrame(s, r);
        // The frame goes to the screen before the next step holds the thread
        // for tens of milliseconds: a zero-timeout wait for input is where
        // Wine sends a busy thread's drawing to the X server at once (see
        // docs/wine.md); on Windows both calls return at once.
        GdiFlush();
        MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, 0);
        // Not after the first frame: the animation's clock starts once that
        // frame is up, and the steps' time belongs to the motion.
        if (!std::exchange(firstFrame, false)) setUpStep(s);
    });
    if (lastFrameFrozen || s.setup != ViewState::Setup::Done) {
        // A zoom too short for the steps: the rest now, and the resting
        // picture drawn from the canvas.
        setUpAll(s);
        if (s.setup == ViewState::Setup::Failed) {
            PostMessageW(s.hwnd, WM_CLOSE, 0, 0);
            return;
        }
        showFrame(s, s.viewRect);
    }
    if (s.ctrl->settings().lightenPreview) createOverlay(s);
    s.lastCursor = cursorPos();
    if (s.ctrl->settings().updateInterval > 0) SetTimer(s.hwnd, kTimerRefresh, static_cast<UINT>(s.ctrl->settings().updateInterval), nullptr);
    showFrame(s, s.viewRect);
}

void zoomIn(ViewState& s) {
    if (s.finished) return;
    giveInputBack(s);
    KillTimer(s.hwnd, kTimerRefresh);
    endDrag(s);
    destroyOverlay(s);
    s.moved = true;
    // A preview that has not begun has no canvas to zoom into: it just closes.
    if (s.setup == ViewState::Setup::Done)
        animate(zoomDurationMs(s.ctrl->settings().transitionTime),
                [&](double p) { showFrame(s, zoomRect(1.0 - p, s.selection, s.rest, s.layout)); });
    s.interactive = false;
    SendMessageW(s.hwnd, WM_CLOSE, 0, 0);
}

// A slide ends when its modifiers are up and no key typed before that is
// still waiting to be handled. True when it ended.
bool endSlideIfReleased(ViewState& s) {
    if (s.interactive || s.finished || !s.session->animatedSwitch()) return false;
    if (keyInputPending(s.hwnd)) return false;
    const std::int32_t set = s.carried ? s.ctrl->settings().movWndKey : s.ctrl->settings().movKey;
    if (modifiersHeld(set)) return false;
    giveInputBack(s);
    SendMessageW(s.hwnd, WM_CLOSE, 0, 0);
    return true;
}

void slide(ViewState& s, WPARAM wp, LPARAM lp) {
    if (s.interactive || s.finished || !s.session->animatedSwitch()) return;
    const auto target = unpackWorkspace(static_cast<std::uintptr_t>(lp), s.layout.rows, s.layout.cols);
    if (!target) return;
    HWND carried = reinterpret_cast<HWND>(wp);
    s.carried = carried && IsWindow(carried) ? carried : nullptr;
    const Workspace from = s.selection;
    s.moved = true;
    animate(panDurationMs(s.ctrl->settings().transitionTime, from.row - target->row, from.col - target->col),
            [&](double p) {
                const Rect r = panRect(p, from, *target, s.layout);
                s.viewRect = r;
                s.session->setRectCarrying(r, toWindowId(s.carried));
                s.session->paint(false, true);
                ValidateRect(s.hwnd, nullptr);
            });
    s.selection = *target;
    if (endSlideIfReleased(s)) return;
    // Further steps follow while the modifiers are held; meanwhile the view
    // shows the desktop of the workspace reached, sharp, under its windows.
    if (GetForegroundWindow() != s.hwnd) SetForegroundWindow(s.hwnd);
    if (s.session->isCompositionEnabled()) {
        s.session->coverWithDesktopOf(s.selection.row, s.selection.col);
        ValidateRect(s.hwnd, nullptr);
    }
}

void slideBy(ViewState& s, PreviewKey key) {
    const Workspace next = moveSelection(s.selection, key, s.layout.rows, s.layout.cols);
    SendMessageW(s.hwnd, kMsgSlide, reinterpret_cast<WPARAM>(s.carried), static_cast<LPARAM>(packWorkspace(next)));
}

void selectAndZoomIn(ViewState& s, Workspace ws) {
    s.selection = ws;
    PostMessageW(s.hwnd, kMsgZoomIn, 0, 0);
}

void onKey(ViewState& s, WPARAM vk) {
    const PreviewKey key = previewKeyOf(static_cast<unsigned>(vk));
    if (s.interactive) {
        switch (key) {
            case PreviewKey::Left:
            case PreviewKey::Right:
            case PreviewKey::Up:
            case PreviewKey::Down:
                // Without the overlay the selection cannot be seen: the keys do nothing.
                if (!s.overlay) return;
                s.selection = moveSelection(s.selection, key, s.layout.rows, s.layout.cols);
                drawOverlay(s);
                return;
            case PreviewKey::Enter:
                PostMessageW(s.hwnd, kMsgZoomIn, 0, 0);
                return;
            case PreviewKey::Escape:
                selectAndZoomIn(s, Workspace{s.ctrl->currentRow(), s.ctrl->currentCol()});
                return;
            case PreviewKey::Space:
                if (modifiersHeld(s.ctrl->settings().movKey))
                    selectAndZoomIn(s, Workspace{s.ctrl->currentRow(), s.ctrl->currentCol()});
                return;
            case PreviewKey::None:
                return;
        }
        return;
    }
    if (!s.session->animatedSwitch() || s.finished) return;
    switch (key) {
        case PreviewKey::Left:
        case PreviewKey::Right:
        case PreviewKey::Up:
        case PreviewKey::Down:
            slideBy(s, key);
            return;
        case PreviewKey::Space:
            if (s.carried) return;
            // The slide becomes the full preview, zooming out from here.
            s.session->setAnimatedSwitch(false);
            s.session->hideTaskbar();
            PostMessageW(s.hwnd, kMsgZoomOut, 0, 0);
            return;
        default:
            // A digit jumps to its workspace, as its hotkey does.
            if (const auto ws = numberedWorkspace(static_cast<unsigned>(vk), s.layout.rows, s.layout.cols))
                if (ws->row != s.selection.row || ws->col != s.selection.col)
                    SendMessageW(s.hwnd, kMsgSlide, reinterpret_cast<WPARAM>(s.carried),
                                 static_cast<LPARAM>(packWorkspace(*ws)));
            return;
    }
}

void onSlideMouseMove(ViewState& s) {
    if (s.interactive || s.finished || !s.session->animatedSwitch()) return;
    const std::int32_t set = s.carried ? s.ctrl->settings().movWndKey : s.ctrl->settings().movKey;
    if (!modifiersHeld(set)) return;
    const POINT c = cursorPos();
    const PreviewLayout& l = s.layout;
    const auto step = edgeStepAt(Point{c.x, c.y}, l.virtualLeft, l.virtualTop, l.virtualLeft + l.virtualWidth,
                                 l.virtualTop + l.virtualHeight);
    if (!step) return;
    SetCursorPos(step->cursor.x, step->cursor.y);
    slideBy(s, step->direction);
}

Point planePointAt(const ViewState& s, POINT screen) {
    return screenToPlane(Point{screen.x, screen.y}, s.rest, s.layout);
}

// Where a mouse message happened, in screen coordinates: the message may be
// handled a while after the press, when the cursor is elsewhere.
POINT messagePoint(HWND h, LPARAM lp) {
    POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    ClientToScreen(h, &p);
    return p;
}

// The grabbed window is held: it is drawn above the others while it is
// dragged, and becomes the focus window at the end. (Activating it now would
// take the foreground from the preview.)
void holdGrabbed(ViewState& s) {
    if (!s.carried) return;
    s.focusOnDrop = true;
    s.session->raise(toWindowId(s.carried));
    s.session->paint(false, !s.session->isCompositionEnabled());
}

void grab(ViewState& s, bool right, POINT c) {
    s.lastCursor = c;
    const Point p = planePointAt(s, c);
    const WindowId hit = s.session->windowAt(p.x, p.y);
    if (hit == kNoWindow) return;
    s.carried = toHwnd(hit);
    s.dragging = true;
    s.dragOrigin = c;
    s.dragApplied = Point{};
    // Captured, so the release reaches us wherever it happens.
    SetCapture(s.hwnd);
    SetTimer(s.hwnd, kTimerDrag, kDragPeriodMs, nullptr);
    if (right)
        holdGrabbed(s);
    else
        SetTimer(s.hwnd, kTimerHold, GetDoubleClickTime(), nullptr);
}

// Moves the dragged window on the plane to follow the cursor at c, counted
// from where the drag began, so rounding never adds up.
void dragTo(ViewState& s, POINT c) {
    // The cursor stays on the plane while dragging.
    const POINT clamped{std::clamp<LONG>(c.x, s.rest.restLeft, std::max<LONG>(s.rest.restLeft, s.rest.restRight() - 1)),
                        std::clamp<LONG>(c.y, s.rest.restTop, std::max<LONG>(s.rest.restTop, s.rest.restBottom() - 1))};
    if (clamped.x != c.x || clamped.y != c.y) {
        SetCursorPos(clamped.x, clamped.y);
        c = clamped;
    }
    const std::int64_t restW = std::max(1, s.rest.restW), restH = std::max(1, s.rest.restH);
    const auto wantX = static_cast<std::int32_t>((std::int64_t{c.x} - s.dragOrigin.x) * s.layout.planeWidth() / restW);
    const auto wantY = static_cast<std::int32_t>((std::int64_t{c.y} - s.dragOrigin.y) * s.layout.planeHeight() / restH);
    if (s.session->moveWindowBy(toWindowId(s.carried), wantX - s.dragApplied.x, wantY - s.dragApplied.y))
        s.dragApplied = Point{wantX, wantY};
    s.lastCursor = c;
}

void dragStep(ViewState& s) {
    if (!s.dragging || !s.carried) return;
    if (!keyDown(VK_LBUTTON) && !keyDown(VK_RBUTTON)) {
        // The release went elsewhere: the drag ends here all the same.
        endDrag(s);
        return;
    }
    dragTo(s, cursorPos());
}

// The button is up: the window goes where the release happened.
void drop(ViewState& s, POINT at) {
    if (s.dragging && s.carried) {
        dragTo(s, at);
        s.session->paint(false, !s.session->isCompositionEnabled());
    }
    endDrag(s);
}

void onTimer(ViewState& s, UINT_PTR id) {
    if (!s.interactive || s.finished) return;
    if (GetForegroundWindow() != s.hwnd && !s.dragging) SetForegroundWindow(s.hwnd);
    switch (id) {
        case kTimerRefresh:
            s.refreshPending = true;
            [[fallthrough]];
        case kTimerDrag: {
            dragStep(s);
            const bool composition = s.session->isCompositionEnabled();
            s.session->paint(s.refreshPending, !composition);
            s.refreshPending = false;
            break;
        }
        case kTimerHold:
            KillTimer(s.hwnd, kTimerHold);
            holdGrabbed(s);
            break;
        default:
            break;
    }
}

void onMouseMove(ViewState& s) {
    const POINT c = cursorPos();
    if (!s.carried && c.x == s.lastCursor.x && c.y == s.lastCursor.y) return;
    if (!s.carried) s.lastCursor = c;
    const auto cell = cellAt(Point{c.x, c.y}, s.rest, s.layout);
    if (!cell || (cell->row == s.selection.row && cell->col == s.selection.col)) return;
    s.selection = *cell;
    drawOverlay(s);
}

// A press soon after another one, close to it, is the second click of a
// double click even where the system reports it as a plain press.
bool isSecondClick(ViewState& s, POINT c) {
    const DWORD now = static_cast<DWORD>(GetMessageTime());
    const bool second = now - s.lastPressTime <= GetDoubleClickTime() &&
                        std::abs(c.x - s.lastPress.x) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
                        std::abs(c.y - s.lastPress.y) <= GetSystemMetrics(SM_CYDOUBLECLK);
    s.lastPressTime = now;
    s.lastPress = second ? POINT{-1, -1} : c;
    return second;
}

void onDoubleClick(ViewState& s, POINT c) {
    KillTimer(s.hwnd, kTimerHold);
    endDrag(s);
    if (const auto cell = cellAt(Point{c.x, c.y}, s.rest, s.layout)) selectAndZoomIn(s, *cell);
}

void showClassName(ViewState& s, POINT c) {
    const Point p = planePointAt(s, c);
    const WindowId hit = s.session->windowAt(p.x, p.y);
    if (hit == kNoWindow) return;
    const auto it = s.ctrl->windows().find(hit);
    if (it == s.ctrl->windows().end()) return;
    const std::wstring name = win32::widen(it->second.className);
    win32::WindowDc dc(s.hwnd);
    if (dc) TextOutW(dc.get(), 0, 0, name.c_str(), static_cast<int>(name.size()));
}

// The desktop is repainted a moment after the preview, once the windows
// have been placed; a thread timer, so no thread is needed for it.
void CALLBACK repaintDesktop(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void onDestroy(ViewState& s) {
    finish(s);
    s.ctrl->restoreFocus();
    if (!s.session->isCompositionEnabled()) SetTimer(nullptr, 0, 500, repaintDesktop);
    PostMessageW(s.owner, kMsgPreviewClosed, 0, reinterpret_cast<LPARAM>(s.hwnd));
}

LRESULT handle(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CREATE) {
        onCreate(h, *reinterpret_cast<const CREATESTRUCTW*>(lp));
        return 0;
    }
    if (!g_state || g_state->hwnd != h) return DefWindowProcW(h, msg, wp, lp);
    ViewState& s = *g_state;
    switch (msg) {
        case WM_DESTROY:
            onDestroy(s);
            g_state.reset();
            return 0;
        case WM_DISPLAYCHANGE:
            // The screen changed: the windows are placed on the new one, also
            // when this window hears of it before the main window does (the
            // system tells every top-level window, in no order we can count on).
            s.ctrl->updateMetrics();
            finish(s);
            DestroyWindow(h);
            return 0;
        case WM_CLOSE:
            finish(s);
            DestroyWindow(h);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            win32::PaintDc dc(h);
            if (!s.moved) {
                // Still the first frame: the screen as it was.
                s.session->showFrozen();
                return 0;
            }
            if (dc) blackMargins(dc.get(), s.viewRect, s.layout);
            s.session->paint(false, true);
            return 0;
        }
        case kMsgPicturesReady:
            // New pictures came in while nothing was drawn: draw them.
            if (s.surface) s.surface->picturesNoticed();
            if (s.moved && !s.finished) s.session->paint(false, true);
            return 0;
        case kMsgZoomOut:
            zoomOut(s);
            return 0;
        case kMsgZoomIn:
            zoomIn(s);
            return 0;
        case kMsgSlide:
            slide(s, wp, lp);
            return 0;
        case WM_TIMER:
            onTimer(s, wp);
            return 0;
        case WM_MOUSEMOVE:
            if (s.interactive)
                onMouseMove(s);
            else
                onSlideMouseMove(s);
            return 0;
        case WM_LBUTTONDOWN:
            if (!s.interactive) return 0;
            if (!s.ctrl->settings().useDblclk || isSecondClick(s, messagePoint(h, lp)))
                PostMessageW(h, WM_LBUTTONDBLCLK, wp, lp);  // a single click selects
            else
                grab(s, false, messagePoint(h, lp));
            return 0;
        case WM_RBUTTONDOWN:
            if (s.interactive) grab(s, true, messagePoint(h, lp));
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            if (s.interactive)
                drop(s, messagePoint(h, lp));
            else
                endSlideIfReleased(s);
            return 0;
        case WM_CAPTURECHANGED:
            if (s.dragging && reinterpret_cast<HWND>(lp) != h) endDrag(s);
            return 0;
        case WM_LBUTTONDBLCLK:
            if (s.interactive) onDoubleClick(s, messagePoint(h, lp));
            return 0;
        case WM_MBUTTONDOWN:
            if (s.interactive) showClassName(s, messagePoint(h, lp));
            return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            // A key held down repeats: only its first press counts (held
            // Alt+Shift+Space would otherwise open the preview and at once
            // close it again as modifier+Space).
            if (lp & kKeyRepeatBit) return 0;
            onKey(s, wp);
            // A step may have ended the slide, and with it this window.
            if (g_state && g_state->hwnd == h) endSlideIfReleased(s);
            return 0;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            endSlideIfReleased(s);
            return 0;
        default:
            return DefWindowProcW(h, msg, wp, lp);
    }
}

LRESULT CALLBACK viewWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        return handle(h, msg, wp, lp);
    } catch (...) {
        // Nothing may unwind through the system's frames: the preview ends
        // and gives the desktop back.
        if (g_state && g_state->hwnd == h && msg != WM_DESTROY) {
            try {
                finish(*g_state);
            } catch (...) {
            }
            PostMessageW(h, WM_CLOSE, 0, 0);
        }
        return 0;
    }
}

}  // namespace

ViewWnd::ViewWnd(const std::wstring& title, DWORD exStyle, HWND owner, WSController& ctrl, Win32PreviewSurface& surface,
                 bool animatedSwitch) {
    registerViewClass();
    ViewParams params{&ctrl, &surface, animatedSwitch};
    const HWND h = CreateWindowExW(exStyle, L"ZelvaneViewClass", title.c_str(), WS_POPUP, ctrl.virtualLeft(),
                                   ctrl.virtualTop(), ctrl.virtualWidth(), ctrl.virtualHeight(), owner, nullptr,
                                   appInstance(), &params);
    hwnd_ = h;
}

ViewWnd::~ViewWnd() {
    if (hwnd_ && IsWindow(hwnd_)) SendMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void ViewWnd::runSwitch(int row, int col, HWND carried) {
    PostMessageW(hwnd_, kMsgSlide, reinterpret_cast<WPARAM>(carried),
                 static_cast<LPARAM>(packWorkspace(Workspace{row, col})));
}

void ViewWnd::forwardKey(UINT virtualKey) { PostMessageW(hwnd_, WM_KEYDOWN, virtualKey, 0); }

void ViewWnd::closePreview() { SendMessageW(hwnd_, kMsgZoomIn, 0, 0); }

void ViewWnd::openPreview() { PostMessageW(hwnd_, kMsgZoomOut, 0, 0); }

}  // namespace zelvane
