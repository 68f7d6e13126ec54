#pragma once
// The hook library and what the mouse does through it: edge flips, the
// two-button gesture, the popup delay of the control window, and the
// class-registration drag from the shown main window.
#include <windows.h>

#include <memory>
#include <string>

#include "app/gesture.h"
#include "app/popup_delay.h"
#include "win32/handles.h"

namespace zelvane {

class CoverWnd;
class MouseHooks;

struct MainContext;

class MouseActions {
public:
    // Sets the mouse hooks (app/mouse_hooks.h), creates the drag-image window.
    explicit MouseActions(MainContext& main);
    ~MouseActions();
    MouseActions(const MouseActions&) = delete;
    MouseActions& operator=(const MouseActions&) = delete;

    // Hooks off while the preview runs, and at shutdown (also frees the
    // library and stops the 64-bit companion). Resuming starts from a mouse
    // with nothing pressed and no window being dragged: the releases of that
    // time were not reported.
    void suspendHook();
    void resumeHook();
    void unbindLibrary();

    // Menu command 2: shows the main window for the class-registration drag.
    void beginClassRegistration();

    // The mouse messages of the main window and of the hook library
    // (WM_MOUSEMOVE, WM_[LR]BUTTONDOWN/UP, WM_PAINT, 0xBFF8 to 0xBFFF).
    // True when the message was handled.
    bool onMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    enum class DragMode { None, Left, Right };

    void createDragImage();
    void onPointer();
    void showDragFeedback(POINT cursor);
    void onWindowMoving(HWND moving);
    void onHookPress(HookButton button);
    void onRelease();
    void beginDrag(DragMode mode);
    void finishDrag();
    void paint();
    void startPopupDelay();
    bool switchModifiersHeld() const;

    MainContext& main_;
    std::unique_ptr<MouseHooks> hooks_;

    // The class-registration drag.
    DragMode dragMode_ = DragMode::None;
    std::string dragTargetClass_;  // UTF-8
    std::unique_ptr<CoverWnd> dragImageWnd_;
    // Declared before the DC that holds it: the DC goes first.
    win32::UniqueGdiObject dragBitmap_;
    win32::UniqueMemoryDc dragDc_;

    // The hook's view of the mouse.
    HWND movingWnd_ = nullptr;
    GestureTracker gesture_;
    PopupDelayWorker popupDelay_;
};

}  // namespace zelvane
