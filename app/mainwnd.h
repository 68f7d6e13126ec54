#pragma once
// The hidden main window: every user action reaches the program as a message
// to it, and it turns them into calls on the controller and the settings.
#include <windows.h>

#include <string>

#include "controller/wsctrl.h"

namespace zelvane {

class MainWnd {
public:
    // Creates the window; its whole start-up runs before this returns, and
    // an error during start-up is raised from here. The controller and the
    // settings must outlive the window.
    MainWnd(WSController& ctrl, SettingsFile& settings, HWND owner, DWORD exStyle, const std::wstring& title);
    virtual ~MainWnd();
    MainWnd(const MainWnd&) = delete;
    MainWnd& operator=(const MainWnd&) = delete;

    virtual HWND hwnd() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};

// Raises, on the UI thread, an error that a window procedure caught: errors
// must not unwind through the system's own frames.
void rethrowWindowError();

}  // namespace zelvane
