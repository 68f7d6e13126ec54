#include "app/preview_launcher.h"

#include "app/hotkey_registration.h"
#include "app/main_context.h"
#include "app/mouse_actions.h"
#include "preview/viewwnd.h"
#include "preview/win32_surface.h"

namespace zelvane {

PreviewLauncher::PreviewLauncher(MainContext& main)
    : main_(main), surface_(std::make_unique<Win32PreviewSurface>()) {}

PreviewLauncher::~PreviewLauncher() { close(); }

bool PreviewLauncher::start(bool animated) {
    if (view_) return false;
    WSController& ctrl = *main_.ctrl;
    if (ctrl.previewActive()) return false;
    unregisterHotkeys(main_.hwnd, main_.hotkeyRetry);
    if (main_.mouse) main_.mouse->suspendHook();
    try {
        view_ = std::make_unique<ViewWnd>(L"preview", WS_EX_TOPMOST, main_.hwnd, ctrl, *surface_, animated);
    } catch (...) {
        view_.reset();
        restoreInput();
        throw;
    }
    if (!view_->window()) {
        view_.reset();
        restoreInput();
        return false;
    }
    return true;
}

void PreviewLauncher::openFullPreview() {
    if (start(false)) view_->openPreview();
}

bool PreviewLauncher::animatedSwitch(Workspace ws, HWND carried) {
    if (view_) return true;  // one preview at a time: the request is dropped
    WSController& ctrl = *main_.ctrl;
    if (!surface_->compositionEnabled() || ctrl.settings().transitionTime < 1) return false;
    if (!start(true)) return false;
    view_->runSwitch(ws.row, ws.col, carried);
    return true;
}

void PreviewLauncher::onPreviewClosed() {
    if (!view_ || IsWindow(view_->window())) return;
    view_.reset();
    restoreInput();
}

void PreviewLauncher::close() {
    if (!view_) return;
    view_.reset();  // closes the window, which ends the preview
    restoreInput();
}

void PreviewLauncher::restoreInput() {
    if (main_.shutDown) return;
    registerHotkeys(main_.hwnd, main_.ctrl->settings(), main_.hotkeyRetry);
    if (main_.mouse) main_.mouse->resumeHook();
}

}  // namespace zelvane
