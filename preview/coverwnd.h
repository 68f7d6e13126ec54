#pragma once
// CoverWnd: the program's plain popup window. It shows nothing of its own;
// its users place it, show it and draw into it themselves (the main window's
// drag image, the preview's still screenshot and dim overlay, the wallpaper
// capture). Created hidden; destroying the object closes the window.
#include <windows.h>

#include <string>

namespace zelvane {

class CoverWnd {
public:
    // Registers "ZelvaneCoverClass" on first use; raises "failed to register
    // window-class." when that fails.
    CoverWnd(const std::wstring& title, DWORD exStyle, HWND owner, int x, int y, int width, int height);
    virtual ~CoverWnd();
    CoverWnd(const CoverWnd&) = delete;
    CoverWnd& operator=(const CoverWnd&) = delete;

    virtual HWND window() const { return hwnd_; }
    virtual void hide();
    virtual void show();

private:
    HWND hwnd_ = nullptr;
};

}  // namespace zelvane
