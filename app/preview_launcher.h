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
class Win32PreviewSurface;

class PreviewLauncher {
public:
    explicit PreviewLauncher(MainContext& main);
    ~PreviewLauncher();
    PreviewLauncher(const PreviewLauncher&) = delete;
    PreviewLauncher& operator=(const PreviewLauncher&) = delete;

    // Opens the full preview. A request while a preview is open is ignored;
    // one while it is ending opens the next once it is gone.
    void openFullPreview();
    // Runs the switch to ws as a slide when composition is on and the
    // transition time is at least 1 ms: true when the request was taken (or
    // ignored because a preview is open), false when the caller switches.
    bool animatedSwitch(Workspace ws, HWND carried);
    // A switch hotkey (a direction or a digit; `key` is its virtual key)
    // that fired while a preview is open: the preview takes it as its key.
    // False when no preview is open.
    bool forwardHotkey(UINT key);
    // kMsgPreviewEnding: the preview takes no more keys; the hotkeys and
    // the hook come back now, while its last frames are drawn.
    void onPreviewEnding(HWND view);
    // kMsgPreviewClosed: the preview window is gone; gives the hotkeys and
    // the hook back if that has not happened yet.
    void onPreviewClosed();
    // Ends an open preview at once (shutdown).
    void close();
    bool open() const { return view_ != nullptr; }

private:
    bool start(bool animated);
    void restoreInput();
    // A preview whose window is already gone (its closing notice still on
    // its way) counts as closed: a request that comes first is not dropped.
    void reapClosed();

    MainContext& main_;
    std::unique_ptr<Win32PreviewSurface> surface_;  // the drawing of every preview, kept between them
    std::unique_ptr<ViewWnd> view_;
    bool inputBack_ = false;  // the open preview gave the hotkeys and hook back already
    bool openWhenClosed_ = false;  // the preview's chord came while the last one was ending
};

}  // namespace zelvane
