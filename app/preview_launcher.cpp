#include "app/preview_launcher.h"

#include <utility>

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
    if (view_) return false;  // its callers have reaped a closed one
    WSController& ctrl = *main_.ctrl;
    if (ctrl.previewActive()) return false;
    if (main_.mouse) main_.mouse->suspendHook();
    // The hotkeys stay registered until the preview window exists and has
    // the keyboard: a chord typed while it is being made fires its hotkey,
    // which forwardHotkey hands to the preview, instead of going to
    // whichever window had the keyboard before.
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
    inputBack_ = false;
    unregisterHotkeys(main_.hwnd, main_.hotkeyRetry);
    return true;
}

bool PreviewLauncher::forwardHotkey(UINT key) {
    reapClosed();
    if (!view_) return false;
    view_->forwardKey(key);
    return true;
}

void PreviewLauncher::openFullPreview() {
    reapClosed();
    if (view_) {
        // The last preview or slide is ending (its hotkeys are back): this
        // one opens once it is gone, rather than the chord being lost.
        if (inputBack_) openWhenClosed_ = true;
        return;
    }
    if (start(false)) view_->openPreview();
}

bool PreviewLauncher::animatedSwitch(Workspace ws, HWND carried) {
    reapClosed();
    if (view_) return true;  // one preview at a time: the request is dropped
    WSController& ctrl = *main_.ctrl;
    if (!surface_->compositionEnabled() || ctrl.settings().transitionTime < 1) return false;
    if (!start(true)) return false;
    view_->runSwitch(ws.row, ws.col, carried);
    return true;
}

void PreviewLauncher::onPreviewEnding(HWND view) {
    if (!view_ || view_->window() != view || inputBack_) return;
    inputBack_ = true;
    restoreInput();
}

void PreviewLauncher::onPreviewClosed() { reapClosed(); }

void PreviewLauncher::reapClosed() {
    if (!view_ || IsWindow(view_->window())) return;
    view_.reset();
    if (!std::exchange(inputBack_, false)) restoreInput();
    if (std::exchange(openWhenClosed_, false) && !main_.shutDown) openFullPreview();
}

void PreviewLauncher::close() {
    openWhenClosed_ = false;
    if (!view_) return;
    view_.reset();  // closes the window, which ends the preview
    if (!std::exchange(inputBack_, false)) restoreInput();
}

void PreviewLauncher::restoreInput() {
    if (main_.shutDown) return;
    registerHotkeys(main_.hwnd, main_.ctrl->settings(), main_.hotkeyRetry);
    if (main_.mouse) main_.mouse->resumeHook();
}

}  // namespace zelvane
