#pragma once
// ViewWnd: the full-screen preview window ("ZelvaneViewClass"). It shows the
// whole workspace plane, zooms out to it and back in, lets the user pick a
// workspace and drag windows between workspaces; the same window runs the
// animated switch, a slide across the full-size plane.
//
// One preview window at a time. Everything runs on the UI thread: the zoom
// and the slide paint their frames synchronously (paced by the clock, about
// `transitionTime` ms each). Windows of other programs are placed only
// through the controller's placement queue, so the preview never waits for
// a program that does not answer. When the window is gone, its owner gets
// kMsgPreviewClosed (wParam 0, lParam the preview window).
#include <windows.h>

#include <string>

#include "controller/wsctrl.h"
#include "preview/win32_surface.h"

namespace zelvane {

inline constexpr UINT kMsgPreviewClosed = 0x8064;
inline constexpr UINT kMsgZoomOut = 0x8065;
inline constexpr UINT kMsgZoomIn = 0x8066;
// wParam: the window carried along (0 for none); lParam: the target
// workspace packed like the switch request's.
inline constexpr UINT kMsgSlide = 0x8067;
// Sent to the owner when the preview takes no more keys (its end has begun;
// the window itself goes a moment later): the hotkeys and the hook may come
// back now. wParam 0, lParam the preview window.
inline constexpr UINT kMsgPreviewEnding = 0x8068;

class ViewWnd {
public:
    // Registers the class on first use (raises "failed to register
    // window-class." when that fails) and creates the window, which freezes
    // the screen and shows that still copy where the screen is. A slide sets
    // up its canvas there too; the full preview sets it up during its
    // zoom-out's first frames (openPreview). If the canvas cannot be made,
    // the window closes itself (and still sends kMsgPreviewClosed).
    // animatedSwitch: the window runs a slide (runSwitch) rather than the
    // full preview. Both ctrl and surface outlive the window.
    ViewWnd(const std::wstring& title, DWORD exStyle, HWND owner, WSController& ctrl, Win32PreviewSurface& surface,
            bool animatedSwitch);
    virtual ~ViewWnd();  // closes the window if it is still there
    ViewWnd(const ViewWnd&) = delete;
    ViewWnd& operator=(const ViewWnd&) = delete;

    virtual HWND window() const { return hwnd_; }
    // Slides to workspace (row, col), carrying `carried` along.
    virtual void runSwitch(int row, int col, HWND carried);
    // A key typed for the preview that reached the owner as its hotkey
    // (the chord came while the preview was being opened): handled as if
    // the preview had received it, after what it already has.
    virtual void forwardKey(UINT virtualKey);
    // Zooms back into the selection and closes (synchronous).
    virtual void closePreview();
    // Zooms out to the whole grid (posted).
    virtual void openPreview();

private:
    HWND hwnd_ = nullptr;
};

}  // namespace zelvane
