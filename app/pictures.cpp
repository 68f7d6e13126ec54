// What the main window does when the pictures of the grid go stale.
#include "app/main_context.h"
#include "ctrlwnd/ctrlwnd.h"
#include "win32/wallpaper_image.h"

namespace zelvane {

void MainContext::pictureChanged() {
    discardWallpaperImage();
    if (ctrlWnd) {
        ctrlWnd->forgetPicture();
        ctrlWnd->refresh();
    }
}

}  // namespace zelvane
