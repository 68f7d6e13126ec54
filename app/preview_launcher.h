#pragma once
// Opens the preview window for the main window, one at a time: the full
// preview (menu item, hotkey, tray click, two-button gesture) and the
// animated switch. While it is open the hotkeys are unregistered and the
// mouse hook is unset; both come back when it is gone (kMsgPreviewClosed).
// UI thread only.
#include <windows.h>

#include <memory>

#include "controller/switch_request.h"

namespace zelvane {

struct MainContext;
class ViewWnd;
class PreviewSurface;

class PreviewLauncher {
public:
    explicit PreviewLauncher(MainContext& main);
    ~PreviewLauncher();
    PreviewLauncher(const PreviewLauncher&) = delete;
    PreviewLauncher& operator=(const PreviewLauncher&) = delete;

    // Opens the full preview; a request while a preview is open is ignored.
    void openFullPreview();
    // Runs the switch to ws as a slide when composition is on and the
    // transition time is at least 1 ms: true when the request was taken (or
    // ignored because a preview is open), false when the caller switches.
    bool animatedSwitch(Workspace ws, HWND carried);
    // kMsgPreviewClosed: gives the hotkeys and the hook back once the
    // preview window is gone.
    void onPreviewClosed();
    // Ends an open preview at once (shutdown).
    void close();
    bool open() const { return view_ != nullptr; }

private:
    bool start(bool animated);
    void restoreInput();

    MainContext& main_;
    std::unique_ptr<PreviewSurface> surface_;  // the drawing of every preview, kept between them
    std::unique_ptr<ViewWnd> view_;
};

}  // namespace zelvane
