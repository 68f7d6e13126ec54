#pragma once
// CtrlWnd: the small semi-transparent map of the workspace grid that pops up
// where the mouse rests on a screen edge. A left click on a cell asks the
// owner (the main window) to switch there, a right click opens the owner's
// tray menu; its border resizes it. Everything runs on the UI thread, and
// nothing here waits for another program.
#include <windows.h>

#include <memory>
#include <string>

namespace zelvane {

class WSController;

class CtrlWnd {
public:
    // Pop up at the cursor: posted to itself by popup(), and to the main
    // window by the popup-delay worker.
    static constexpr UINT kMsgPopUp = 0xBFF5;
    // The tray icon's callback, posted to the owner on a right click.
    static constexpr UINT kMsgTrayCallback = WM_APP + 2;
    static constexpr WPARAM kTrayIconId = 0x8001;

    // Registers "ZelvaneCtrlClass" on first use (raises "failed to register
    // window-class." when that fails) and creates the window hidden, a
    // twentieth of the plane's size, at the virtual screen's corner. The
    // controller must outlive the window.
    CtrlWnd(const std::wstring& title, DWORD exStyle, HWND owner, WSController& ctrl);
    // Closes the window.
    virtual ~CtrlWnd();
    CtrlWnd(const CtrlWnd&) = delete;
    CtrlWnd& operator=(const CtrlWnd&) = delete;

    virtual HWND hwnd() const { return hwnd_; }
    // Posts the pop-up to the window: it is drawn anew, placed around the
    // cursor inside the virtual screen, shown without taking the focus and
    // faded in to alpha 200.
    virtual void popup();
    // Resizes the window to w x h (clamped to the virtual screen).
    virtual void resize(int w, int h);
    // Draws the picture anew (after a switch or a grid change) and repaints;
    // a hidden window is drawn when it pops up.
    virtual void refresh();
    virtual bool isVisible() const;
    virtual void hide();
    virtual void show();
    virtual int rectLeft() const;
    virtual int rectRight() const;
    virtual int rectTop() const;
    virtual int rectBottom() const;

    struct State;

private:
    RECT windowRect() const;

    std::unique_ptr<State> state_;
    HWND hwnd_ = nullptr;
};

}  // namespace zelvane
