#pragma once
// What the main window's handlers share: the window, the controller, the
// settings and their file's path and the parts that hang off the main window. One set
// per process, created by WM_CREATE, used only on the UI thread.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/hotkey_registration.h"
#include "controller/wsctrl.h"

namespace zelvane {

class TrayUi;
class MouseActions;
class CtrlWnd;
class PreviewLauncher;

struct MainContext {
    HWND hwnd = nullptr;
    WSController* ctrl = nullptr;      // owned by the entry routine
    SettingsFile* settings = nullptr;  // owned by the entry routine
    std::string configPath;        // UTF-8
    bool shutDown = false;
    // WM_CREATE ran to its end. A start-up that failed writes nothing back:
    // the settings it holds are not the ones of the file it would write.
    bool startedUp = false;
    std::unique_ptr<TrayUi> tray;
    std::unique_ptr<MouseActions> mouse;
    std::unique_ptr<CtrlWnd> ctrlWnd;  // the control window (ctrlwnd/)
    std::unique_ptr<PreviewLauncher> preview;  // the preview window, one at a time
    HotkeyRetry hotkeyRetry;  // hotkeys whose chord was taken, tried again
    // Windows the system refused to let us place, not yet named in a balloon.
    std::vector<WindowId> refusedToTell;

    MainContext();
    ~MainContext();
    MainContext(const MainContext&) = delete;
    MainContext& operator=(const MainContext&) = delete;

    // Registers the hotkeys again after their settings changed.
    void rekey();
    // The picture of the plane's wallpapers (app/pictures.cpp): made on a
    // worker beforehand, so that the preview and the control window find it
    // ready; made anew when the wallpapers, the grid or the display changed;
    // and the control window drawn again once it is ready.
    void preparePicture();
    void pictureChanged();
    void pictureReady();
};

}  // namespace zelvane
