// What the main window does when the pictures of the grid go stale, and when
// a new one is ready.
#include "app/main_context.h"
#include "ctrlwnd/ctrlwnd.h"
#include "preview/preview_background.h"
#include "win32/wallpaper_image.h"

namespace zelvane {

void MainContext::preparePicture() { wallpaperImages().prepare(restingPlanePicture(*ctrl)); }

void MainContext::pictureChanged() {
    wallpaperImages().invalidate();
    preparePicture();
    if (ctrlWnd) ctrlWnd->refresh();
}

void MainContext::pictureReady() {
    if (ctrlWnd) ctrlWnd->refresh();
}

}  // namespace zelvane
