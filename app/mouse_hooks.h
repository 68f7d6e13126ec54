#pragma once
// The hooks that report the mouse to the main window: Zelvane's own
// Quillet.dll, and on 64-bit Windows (a 32-bit Zelvane under WOW64) the
// 64-bit companion host for the 64-bit programs.
//
// For the tests only: with the environment variable ZELVANE_TEST_COMPANION
// set to 1, Zelvane runs the companion host instead of its own hooks,
// whatever its bitness. A machine that cannot run 32-bit programs tests the
// 64-bit build, which never runs under WOW64; this is how its tests reach
// the real host and the real 64-bit library (docs/wine.md).
#include <windows.h>

#include <memory>

namespace zelvane {

class Companion;
class HookLibrary;

class MouseHooks {
public:
    // Binds the library and sets its hooks, and starts the companion where
    // it is wanted. A missing library or host is reported in a message box;
    // Zelvane then works on without it.
    explicit MouseHooks(HWND mainWnd);
    ~MouseHooks();
    MouseHooks(const MouseHooks&) = delete;
    MouseHooks& operator=(const MouseHooks&) = delete;

    // Hooks off while the preview runs, and on again after it.
    void suspend();
    void resume();
    // Takes every hook out for good: frees the library, stops the host.
    void stop();

private:
    std::unique_ptr<HookLibrary> own_;
    std::unique_ptr<Companion> companion_;
};

}  // namespace zelvane
