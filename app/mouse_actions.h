#pragma once
// The hook library and what the mouse does through it: edge flips, the
// two-button gesture, the popup delay of the control window, and the
// class-registration drag from the shown main window.
#include <windows.h>

namespace zelvane {

struct MainContext;

class MouseActions {
public:
    // Binds the hook library, sets its hooks, creates the drag-image window.
    explicit MouseActions(MainContext& main);
    ~MouseActions();
    MouseActions(const MouseActions&) = delete;
    MouseActions& operator=(const MouseActions&) = delete;

    // Hooks off while the preview runs, and at shutdown (also frees the library).
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
    MainContext& main_;
};

}  // namespace zelvane
