#include "app/mouse_actions.h"

#include "app/define.h"
#include "app/edge_flip.h"
#include "app/hook_library.h"
#include "app/hotkeys.h"
#include "app/mouse_hooks.h"
#include "app/main_context.h"
#include "controller/switch_request.h"
#include "app/texts.h"
#include "ctrlwnd/ctrlwnd.h"
#include "hooklib/quillet.h"
#include "preview/coverwnd.h"
#include "win32/text.h"
#include "win32/win32_desktop.h"
#include "win32/app_instance.h"

namespace zelvane {

namespace {

constexpr int kDragImageSize = 24;
// Where the class under the cursor is written in the shown main window.
constexpr int kTargetClassX = 0;
constexpr int kTargetClassY = 74;
// The popup-delay worker's message: the cursor rested on an edge.
constexpr UINT kMsgPopUpCtrlWnd = 0xBFF5;

Point toPoint(POINT p) { return Point{p.x, p.y}; }

bool cursorOnScreenEdge() {
    POINT p{};
    if (!GetCursorPos(&p)) return false;
    return onEdgeLine(toPoint(p), GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                      GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
}

std::wstring classNameOf(HWND window) {
    wchar_t name[256];
    const int n = window ? GetClassNameW(window, name, 256) : 0;
    return std::wstring(name, n > 0 ? static_cast<size_t>(n) : 0);
}

}  // namespace

MouseActions::MouseActions(MainContext& main) : main_(main) {
    createDragImage();
    hooks_ = std::make_unique<MouseHooks>(main_.hwnd);
}

MouseActions::~MouseActions() {
    popupDelay_.stop();
    if (hooks_) hooks_->stop();
    if (dragMode_ != DragMode::None) ReleaseCapture();
}

// The drag image follows the cursor during the class-registration drag. The
// bitmap is the one shipped beside the program; without it the image stays
// empty and the drag works all the same.
void MouseActions::createDragImage() {
    dragImageWnd_ = std::make_unique<CoverWnd>(L"mag", WS_EX_LAYERED | WS_EX_TOPMOST, main_.hwnd, 0, 0,
                                               kDragImageSize, kDragImageSize);
    const HWND image = dragImageWnd_->window();
    if (!image) return;
    const std::wstring file = programFolder() + L"\\" + win32::widen(kDragImageFile);
    dragBitmap_.reset(LoadImageW(nullptr, file.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    {
        win32::WindowDc windowDc(image);
        dragDc_.reset(CreateCompatibleDC(windowDc.get()));
    }
    if (dragDc_ && dragBitmap_) SelectObject(dragDc_.get(), dragBitmap_.get());
    SetLayeredWindowAttributes(image, 0, 200, LWA_ALPHA);
}

// While the hooks are off nothing reaches the main window, and a preview or
// a slide takes them off in the middle of a mouse action: a window dragged
// to the edge flips with a slide, and its button is let go while the slide
// runs. So no rest that began before may end in a pop-up during it, and
// what waits for a release is not kept across it: a stale dragged window
// would stop the next rest from popping the control window up and be
// carried by the next drag's flip instead of the window dragged then, and a
// stale right button would flip at every edge contact. A drag still going
// on names its window again with its next report.
void MouseActions::suspendHook() {
    popupDelay_.stop();
    hooks_->suspend();
}

void MouseActions::resumeHook() {
    movingWnd_ = nullptr;
    gesture_.reset();
    hooks_->resume();
}

void MouseActions::unbindLibrary() {
    popupDelay_.stop();
    hooks_->stop();
}

void MouseActions::beginClassRegistration() {
    ShowWindow(main_.hwnd, SW_SHOW);
    SetForegroundWindow(main_.hwnd);
    InvalidateRect(main_.hwnd, nullptr, TRUE);
}

bool MouseActions::onMessage(UINT msg, WPARAM, LPARAM lp) {
    switch (msg) {
        case WM_MOUSEMOVE:
        case quillet::kMsgMouseMove:
            onPointer();
            return true;
        case WM_LBUTTONDOWN:
            beginDrag(DragMode::Left);
            return true;
        case WM_RBUTTONDOWN:
            beginDrag(DragMode::Right);
            return true;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case quillet::kMsgRightUp:
            onRelease();
            return true;
        case quillet::kMsgLeftUp:
            movingWnd_ = nullptr;
            onRelease();
            return true;
        case quillet::kMsgLeftDown:
            onHookPress(HookButton::Left);
            return true;
        case quillet::kMsgRightDown:
            onHookPress(HookButton::Right);
            return true;
        case quillet::kMsgWindowMoving:
            onWindowMoving(reinterpret_cast<HWND>(lp));
            return true;
        case quillet::kMsgMiddleDown:
        case quillet::kMsgMiddleUp:
            return true;  // reported by the hook, not used
        case WM_PAINT:
            paint();
            return true;
        default:
            return false;
    }
}

// The main window never has the keyboard, so its own thread's key state
// does not follow the keys; the switching modifiers are read as the
// keyboard has them now.
bool MouseActions::switchModifiersHeld() const {
    const auto down = [](int vk) { return GetAsyncKeyState(vk) < 0; };
    const std::int32_t held = heldModifiers(down(VK_MENU), down(VK_CONTROL), down(VK_SHIFT),
                                            down(VK_LWIN) || down(VK_RWIN));
    return movKeyHeld(main_.settings->values().movKey, held);
}

void MouseActions::onPointer() {
    POINT p{};
    if (!GetCursorPos(&p)) return;
    if (dragMode_ != DragMode::None) {
        showDragFeedback(p);
        return;
    }
    const Settings& settings = main_.settings->values();
    PointerInput in;
    in.cursor = toPoint(p);
    in.plane = main_.ctrl->plane();
    in.loop = settings.loopWS;
    in.flipWanted = gesture_.rightHeld() || switchModifiersHeld();
    in.popupCtrlWnd = settings.popupCtrlWnd;
    in.windowBeingMoved = movingWnd_ != nullptr;
    const CtrlWnd* ctrlWnd = main_.ctrlWnd.get();
    in.ctrlWndVisible = ctrlWnd && ctrlWnd->isVisible();
    if (in.ctrlWndVisible)
        in.ctrlWndRect = Rect{ctrlWnd->rectLeft(), ctrlWnd->rectTop(), ctrlWnd->rectRight(), ctrlWnd->rectBottom()};
    const PointerAction action = pointerAction(in);
    switch (action.kind) {
        case PointerAction::Kind::Flip:
            // The cursor is read again for every report, so the queued moves
            // at the old edge do not flip a second time.
            SetCursorPos(action.step.cursorTo.x, action.step.cursorTo.y);
            PostMessageW(main_.hwnd, WM_HOTKEY, static_cast<WPARAM>(action.step.hotkey), 0);
            gesture_.cancelPreview();
            break;
        case PointerAction::Kind::StartPopupDelay:
            startPopupDelay();
            break;
        case PointerAction::Kind::HideCtrlWnd:
            main_.ctrlWnd->hide();
            break;
        case PointerAction::Kind::None:
            break;
    }
}

void MouseActions::startPopupDelay() {
    const HWND main = main_.hwnd;
    // Dropped while an earlier wait still runs.
    popupDelay_.start(main_.settings->values().popupCtrlWndDelay, cursorOnScreenEdge,
                      [main] { PostMessageW(main, kMsgPopUpCtrlWnd, 0, 0); });
}

// Another program's window is being dragged: at a screen edge it goes along
// to the neighbouring workspace. The switch request names the dragged window
// itself: the foreground window at the time the request is handled may
// still be another one, as the dragged window's activation can be queued
// behind it.
void MouseActions::onWindowMoving(HWND moving) {
    WSController& ctrl = *main_.ctrl;
    const Settings& settings = main_.settings->values();
    if (!settings.edgeFlip || (main_.ctrlWnd && main_.ctrlWnd->isVisible())) return;
    if (!movingWnd_) movingWnd_ = moving;
    POINT p{};
    if (!GetCursorPos(&p)) return;
    const EdgeStep step = edgeStep(toPoint(p), ctrl.plane(), settings.loopWS);
    if (step.edge == Edge::None || step.blocked) return;
    const HotkeyCommand target = hotkeyCommand(
        step.carryHotkey,
        GridState{ctrl.wsRowNum(), ctrl.wsColNum(), ctrl.currentRow(), ctrl.currentCol(), settings.loopWS});
    if (target.action != HotkeyCommand::Action::Switch) return;
    SetCursorPos(step.cursorTo.x, step.cursorTo.y);
    const HWND carried = IsWindow(movingWnd_) ? movingWnd_ : nullptr;
    if (carried) ctrl.activateWindow(win32::toWindowId(carried));
    PostMessageW(main_.hwnd, kMsgSwitchRequest, reinterpret_cast<WPARAM>(carried),
                 static_cast<LPARAM>(packWorkspace({target.row, target.col})));
}

void MouseActions::onHookPress(HookButton button) {
    if (dragMode_ != DragMode::None || !main_.settings->values().mouseGes) return;
    gesture_.press(button, GestureTracker::Clock::now());
}

void MouseActions::onRelease() {
    if (dragMode_ != DragMode::None) finishDrag();
    if (gesture_.release()) PostMessageW(main_.hwnd, WM_COMMAND, kHotkeyPreview, 0);
}

void MouseActions::beginDrag(DragMode mode) {
    // Only from the shown main window, never from a message posted to the
    // hidden one.
    if (!IsWindowVisible(main_.hwnd)) return;
    dragMode_ = mode;
    dragTargetClass_.clear();
    SetCapture(main_.hwnd);
}

void MouseActions::showDragFeedback(POINT cursor) {
    if (const HWND image = dragImageWnd_->window()) {
        SetWindowPos(image, HWND_TOP, cursor.x + 1, cursor.y + 1, 0, 0,
                     SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
        if (dragBitmap_) {
            win32::WindowDc dc(image);
            BitBlt(dc.get(), 0, 0, kDragImageSize, kDragImageSize, dragDc_.get(), 0, 0, SRCCOPY);
        }
    }
    const std::wstring name = classNameOf(GetAncestor(WindowFromPoint(cursor), GA_ROOT));
    dragTargetClass_ = win32::narrow(name);

    win32::WindowDc dc(main_.hwnd);
    // A shorter name must not leave the end of the previous one behind.
    RECT line{};
    GetClientRect(main_.hwnd, &line);
    line.top = kTargetClassY;
    FillRect(dc.get(), &line, GetSysColorBrush(COLOR_WINDOW));
    TextOutW(dc.get(), kTargetClassX, kTargetClassY, name.c_str(), static_cast<int>(name.size()));
}

// Left adds the class under the cursor to the always-displayed classes,
// right removes it. Dropped on the main window itself, the program's own
// class is refused by the controller: that is how the user cancels.
void MouseActions::finishDrag() {
    WSController& ctrl = *main_.ctrl;
    if (!dragTargetClass_.empty()) {
        if (dragMode_ == DragMode::Left)
            ctrl.addExclusion(dragTargetClass_);
        else
            ctrl.removeExclusion(dragTargetClass_);
    }
    dragImageWnd_->hide();
    dragMode_ = DragMode::None;
    ReleaseCapture();
    ShowWindow(main_.hwnd, SW_HIDE);
}

void MouseActions::paint() {
    win32::PaintDc dc(main_.hwnd);
    if (dragBitmap_) BitBlt(dc.get(), 10, 0, kDragImageSize, kDragImageSize, dragDc_.get(), 0, 0, SRCCOPY);
    const auto& lines = uiTexts(main_.settings->values().language).dragInstructions;
    const POINT at[] = {{34, 0}, {5, 24}, {5, 44}};
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::wstring text = win32::widen(lines[i]);
        TextOutW(dc.get(), at[i].x, at[i].y, text.c_str(), static_cast<int>(text.size()));
    }
}

}  // namespace zelvane
