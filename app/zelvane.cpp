// Process entry: one instance, the settings and one controller, the main
// window and its message loop; on the way out every managed window goes back
// on the screen.
#include <windows.h>

#include <exception>
#include <memory>
#include <stdexcept>
#include <string>

#include "win32/app_instance.h"
#include "app/define.h"
#include "app/desktop_factory.h"
#include "app/elevation.h"
#include "app/hook_library.h"
#include "app/load_settings.h"
#include "app/mainwnd.h"
#include "app/startup_paths.h"
#include "config/settings_file.h"
#include "controller/wsctrl.h"
#include "win32/crash_rescue.h"
#include "coreaudio/master_volume.h"
#include "win32/shell_taskbar.h"
#include "win32/text.h"

namespace zelvane {

namespace {

// Gives every managed window back when the main routine ends, also when it
// ends by an error.
class ReleaseOnExit {
public:
    explicit ReleaseOnExit(WSController& ctrl) : ctrl_(ctrl) {}
    ~ReleaseOnExit() {
        ctrl_.releaseAll();
        win32::markCleanExit();  // the guard has nothing left to do
    }
    ReleaseOnExit(const ReleaseOnExit&) = delete;
    ReleaseOnExit& operator=(const ReleaseOnExit&) = delete;

private:
    WSController& ctrl_;
};

bool existsHere(const std::string& path) {
    return GetFileAttributesW(win32::widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

int mainRoutine() {
    // Started to take over (the restart as administrator): the instance
    // before gives its windows back and ends first.
    awaitPredecessor(30000);
    if (FindWindowW(L"ZelvaneMainClass", L"Zelvane")) throw std::runtime_error("Zelvane is already running.");
    // Puts the windows back should this process be ended outright; without
    // it the crash handlers still do when it dies of a fault.
    win32::startRescueGuard();

    // Declared first, so it outlives the controller, which reads it.
    SettingsFile settings(systemClassList());
    WSController ctrl(makeDesktop(), settings, systemClassList());
    ReleaseOnExit release(ctrl);
    ctrl.setTaskbar(std::make_shared<win32::ShellTaskbar>());
    ctrl.setMasterVolume(audio::openMasterVolume());  // keeps COM up on this thread while it lives
    // A first reading from the current folder; the main window reads the
    // home folder's (or the named) file again.
    loadSettings(settings, ctrl, firstExisting({kConfigFileNames[0], kConfigFileNames[1]}, existsHere));

    MainWnd main(ctrl, settings, nullptr, 0, L"Zelvane");
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        rethrowWindowError();
    }
    rethrowWindowError();
    return static_cast<int>(msg.wParam);
}

// The error box runs a modal message loop of its own, which a pending quit
// message ends before the user sees anything. The quit posted while the main
// window went down belongs to the loop that has already ended.
void discardQuitMessage() {
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

int showError(const std::wstring& text) {
    discardQuitMessage();
    return MessageBoxW(nullptr, text.c_str(), L"Zelvane", MB_ICONERROR | MB_TOPMOST);
}

}  // namespace

}  // namespace zelvane

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    zelvane::restrictLibrarySearch();
    zelvane::win32::installCrashRescue();
    try {
        return zelvane::mainRoutine();
    } catch (const std::exception& e) {
        return zelvane::showError(zelvane::win32::widen(e.what()));
    } catch (...) {
        return zelvane::showError(L"unknown error");
    }
}
