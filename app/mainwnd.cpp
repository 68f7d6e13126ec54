#include "app/mainwnd.h"

#include <shellapi.h>

#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "win32/app_instance.h"
#include "app/define.h"
#include "app/elevation.h"
#include "app/hotkey_registration.h"
#include "app/hotkeys.h"
#include "app/load_settings.h"
#include "app/main_context.h"
#include "app/mouse_actions.h"
#include "app/preview_launcher.h"
#include "app/tray_ui.h"
#include "app/startup_paths.h"
#include "controller/switch_request.h"
#include "ctrlwnd/ctrlwnd.h"
#include "win32/wallpaper_image.h"
#include "win32/dwm_binding.h"
#include "preview/taskbar.h"
#include "preview/viewwnd.h"
#include "win32/handles.h"
#include "win32/text.h"
#include "win32/wallpaper_win32.h"
#include "win32/win32_desktop.h"
#include "win32/window_class.h"

namespace zelvane {

namespace {

using win32::narrow;
using win32::widen;


std::unique_ptr<MainContext> g_main;
std::exception_ptr g_windowError;
UINT g_taskbarCreated = 0;

// Posted by workers: a piece of the spread picture is cut; the plane picture is ready.
constexpr UINT kMsgWallpaperPiecesCut = WM_APP + 3;
constexpr UINT kMsgPlanePictureReady = WM_APP + 4;
// Names the windows the system refused to let us place (posted by the
// controller's refusal handler).
constexpr UINT kMsgTellRefused = WM_APP + 5;

LRESULT CALLBACK mainWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);

// What the entry routine hands the window at its creation.
struct MainWndParts {
    WSController& ctrl;
    SettingsFile& settings;
};

void registerMainClass() {
    win32::registerWindowClass({L"ZelvaneMainClass", mainWndProc, appInstance(), CS_HREDRAW | CS_VREDRAW,
                                LoadIconW(appInstance(), MAKEINTRESOURCEW(kIconResource)), false,
                                reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)});
}

std::string environmentValue(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    const DWORD n = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(n < size ? n : 0);
    return narrow(value);
}

bool pathExists(const std::string& path) {
    return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string systemErrorText(DWORD code) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    win32::UniqueLocalMemory owner(text);
    return text ? narrow(text) : "error " + std::to_string(code);
}

void startUp(HWND h, const CREATESTRUCTW& cs) {
    g_main = std::make_unique<MainContext>();
    const MainWndParts& parts = *static_cast<const MainWndParts*>(cs.lpCreateParams);
    WSController& ctrl = parts.ctrl;
    SettingsFile& settings = parts.settings;
    g_main->hwnd = h;
    g_main->ctrl = &ctrl;
    g_main->settings = &settings;

    // Without an argument the home folder holds the settings file and the
    // data directory; the two variables are read whole, however long.
    const std::string home = environmentValue(L"HomeDRIVE") + environmentValue(L"HomePATH");
    const StartupPaths paths = chooseStartupPaths(programArguments(), home, pathExists);
    g_main->configPath = paths.configPath;
    if (!pathExists(paths.dataDir) && !CreateDirectoryW(widen(paths.dataDir).c_str(), nullptr))
        throw std::runtime_error("cannot create the data directory " + paths.dataDir + ": " +
                                 systemErrorText(GetLastError()));

    ctrl.setDataDir(paths.dataDir);
    ctrl.wallpaper().setSystem(std::make_shared<win32::Win32Wallpaper>());
    // Both told on their workers, taken in on this thread.
    ctrl.wallpaper().setCutNotice([h] { PostMessageW(h, kMsgWallpaperPiecesCut, 0, 0); });
    wallpaperImages().setReadyNotice([h] { PostMessageW(h, kMsgPlanePictureReady, 0, 0); });
    // A preview that ended with a crash left the taskbar hidden.
    taskbar::restoreAfterCrash(paths.dataDir);
    dwm::load();
    loadSettings(settings, ctrl, paths.configPath);
    ctrl.restoreWindowList();
    g_main->preparePicture();

    // Hotkeys first: adding the tray icon waits for the shell, which may be
    // busy, and the keyboard must work from the start whatever the shell does.
    registerHotkeys(h, settings.values(), g_main->hotkeyRetry);
    g_main->tray = std::make_unique<TrayUi>(*g_main);
    // A window the system will not let us place stays on every workspace:
    // the user is told which, once, after the switch (the balloon waits for
    // the shell, which may be busy).
    ctrl.setRefusalHandler([](const std::vector<WindowId>& windows) {
        if (!g_main || g_main->shutDown) return;
        g_main->refusedToTell.insert(g_main->refusedToTell.end(), windows.begin(), windows.end());
        PostMessageW(g_main->hwnd, kMsgTellRefused, 0, 0);
    });
    g_main->mouse = std::make_unique<MouseActions>(*g_main);
    g_main->preview = std::make_unique<PreviewLauncher>(*g_main);

    // Placed for the class-registration drag, still hidden.
    SetWindowPos(h, HWND_TOPMOST, ctrl.screenWidth() / 2 - 200, ctrl.screenHeight() / 2 - 50, 400, 100,
                 SWP_NOACTIVATE);
    g_main->ctrlWnd = std::make_unique<CtrlWnd>(L"control", WS_EX_LAYERED, h, ctrl);
    g_main->startedUp = true;
}

void shutDown(HWND h) {
    if (!g_main || g_main->shutDown) return;
    // An open preview ends first: it places the windows and shows the taskbar.
    if (g_main->preview) g_main->preview->close();
    g_main->shutDown = true;
    unregisterHotkeys(h, g_main->hotkeyRetry);
    if (g_main->mouse) g_main->mouse->unbindLibrary();
    WSController& ctrl = *g_main->ctrl;
    ctrl.cancelTrayRestore();
    g_main->ctrlWnd.reset();
    ctrl.releaseAll();
    ctrl.wallpaper().restoreUser();
    // After a failed start-up the settings in memory may come from another
    // file (the current folder's), and the user's file must stay as it is.
    // Nor is there a message loop to end: the entry shows its message box
    // next, and a pending quit message would close that box at once.
    const bool startedUp = g_main->startedUp;
    if (startedUp) g_main->settings->save(g_main->configPath);
    releaseWallpaperImages();
    dwm::unload();  // the preview and its thumbnails are gone
    g_main->tray.reset();
    g_main->mouse.reset();
    if (startedUp) PostQuitMessage(0);
}

// The key of a switch hotkey (a direction or a digit), for an open preview.
std::optional<UINT> switchHotkeyKey(int id) {
    if (id < kHotkeyLeft || id >= kHotkeyPreview) return std::nullopt;
    const Settings& s = g_main->settings->values();
    for (const HotkeyBinding& b : hotkeyBindings(s.movKey, s.movWndKey, s.keyBind))
        if (b.id == id) return static_cast<UINT>(b.key);
    return std::nullopt;
}

void onHotkey(HWND h, int id) {
    // A switch chord that fired while a preview is open (it came before the
    // preview took the keyboard) is the preview's key: a step of a slide.
    if (const auto key = switchHotkeyKey(id); key && g_main->preview && g_main->preview->forwardHotkey(*key)) return;
    const WSController& ctrl = *g_main->ctrl;
    const HotkeyCommand cmd =
        hotkeyCommand(id, GridState{ctrl.wsRowNum(), ctrl.wsColNum(), ctrl.currentRow(), ctrl.currentCol(),
                                    g_main->settings->values().loopWS});
    switch (cmd.action) {
        case HotkeyCommand::Action::Switch: {
            const HWND carried = cmd.carryForeground ? GetForegroundWindow() : nullptr;
            SendMessageW(h, kMsgSwitchRequest, reinterpret_cast<WPARAM>(carried),
                         static_cast<LPARAM>(packWorkspace({cmd.row, cmd.col})));
            break;
        }
        case HotkeyCommand::Action::OpenPreview:
            PostMessageW(h, WM_COMMAND, kHotkeyPreview, 0);
            break;
        case HotkeyCommand::Action::None:
            break;
    }
}

// A switch request, from our own hotkeys or posted by anyone on the desktop:
// only a workspace inside the grid is taken.
void onSwitchRequest(WPARAM wp, LPARAM lp) {
    WSController& ctrl = *g_main->ctrl;
    const auto ws = unpackWorkspace(static_cast<std::uintptr_t>(lp), ctrl.wsRowNum(), ctrl.wsColNum());
    if (!ws) return;
    HWND carried = reinterpret_cast<HWND>(wp);
    if (carried && !IsWindow(carried)) carried = nullptr;
    if (g_main->preview && g_main->preview->animatedSwitch(*ws, carried)) return;
    ctrl.switchWS(ws->row, ws->col, win32::toWindowId(carried));
    if (g_main->ctrlWnd) g_main->ctrlWnd->refresh();
}

void onCommand(WPARAM wp) {
    if (wp == kHotkeyPreview) {
        // The small map of the grid makes way for the full one.
        if (g_main->ctrlWnd && g_main->ctrlWnd->isVisible()) g_main->ctrlWnd->hide();
        if (g_main->preview) g_main->preview->openFullPreview();
        return;
    }
    if (g_main->tray) g_main->tray->onCommand(wp);
}

constexpr UINT kMsgTrayCallback = WM_APP + 2;

bool isMouseMessage(UINT msg) {
    switch (msg) {
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_PAINT:
            return true;
        default:
            return msg >= 0xBFF8 && msg <= 0xBFFF;
    }
}

LRESULT CALLBACK mainWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        if (g_main && !g_main->shutDown) {
            if (msg == g_taskbarCreated && g_main->tray) g_main->tray->onTaskbarCreated();
            if (isMouseMessage(msg) && g_main->mouse && g_main->mouse->onMessage(msg, wp, lp)) return 0;
        }
        switch (msg) {
            case WM_CREATE:
                startUp(h, *reinterpret_cast<const CREATESTRUCTW*>(lp));
                break;
            case WM_DESTROY:
                shutDown(h);
                break;
            case WM_ENDSESSION:
                // wParam FALSE: the log-off or shutdown was cancelled, and
                // the session goes on; so do we.
                if (wp) shutDown(h);
                break;
            case WM_QUERYENDSESSION:
                return TRUE;  // never hold up a log-off
            case WM_DISPLAYCHANGE:
                if (g_main) {
                    g_main->ctrl->updateMetrics();
                    g_main->pictureChanged();
                }
                break;
            case CtrlWnd::kMsgPopUp:
                // A rest that ended while the preview opened pops nothing up:
                // the preview makes the control window give way.
                if (g_main && !g_main->shutDown && g_main->ctrlWnd && !g_main->ctrlWnd->isVisible() &&
                    !(g_main->preview && g_main->preview->open()))
                    g_main->ctrlWnd->popup();
                break;
            case WM_COMMAND:
                if (g_main) onCommand(wp);
                break;
            case WM_SYSCOMMAND:
                if ((wp & 0xFFF0) == SC_MINIMIZE || (wp & 0xFFF0) == SC_CLOSE) {
                    ShowWindow(h, SW_HIDE);
                    return 0;
                }
                break;
            case WM_TIMER:
                if (wp == HotkeyRetry::kTimer && g_main && !g_main->shutDown)
                    retryHotkeys(h, g_main->settings->values(), g_main->hotkeyRetry);
                break;
            case WM_HOTKEY:
                if (g_main && !g_main->shutDown) onHotkey(h, static_cast<int>(wp));
                break;
            case kMsgSwitchRequest:
                if (g_main && !g_main->shutDown) onSwitchRequest(wp, lp);
                break;
            case kMsgPreviewEnding:
                if (g_main && g_main->preview) g_main->preview->onPreviewEnding(reinterpret_cast<HWND>(lp));
                break;
            case kMsgPreviewClosed:
                if (g_main && g_main->preview) g_main->preview->onPreviewClosed();
                if (g_main && g_main->ctrlWnd) g_main->ctrlWnd->refresh();  // the preview may have switched
                break;
            case kMsgTellRefused:
                if (g_main && !g_main->shutDown && g_main->tray && !g_main->refusedToTell.empty())
                    g_main->tray->tellRefused(std::exchange(g_main->refusedToTell, {}));
                break;
            case kMsgWallpaperPiecesCut:
                if (g_main && !g_main->shutDown) g_main->ctrl->wallpaper().takeCutPieces();
                break;
            case kMsgPlanePictureReady:
                if (g_main && !g_main->shutDown) g_main->pictureReady();
                break;
            case kMsgTrayCallback:
                if (g_main && !g_main->shutDown && g_main->tray) g_main->tray->onTrayCallback(wp, lp);
                break;
            default:
                break;
        }
    } catch (...) {
        // Raised again by the entry routine, outside the system's frames.
        if (!g_windowError) g_windowError = std::current_exception();
        if (msg == WM_CREATE) return -1;
        PostQuitMessage(1);
        return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

}  // namespace

MainContext::MainContext() = default;
MainContext::~MainContext() = default;

void MainContext::rekey() {
    unregisterHotkeys(hwnd, hotkeyRetry);
    registerHotkeys(hwnd, settings->values(), hotkeyRetry);
}

void rethrowWindowError() {
    if (g_windowError) std::rethrow_exception(std::exchange(g_windowError, nullptr));
}

MainWnd::MainWnd(WSController& ctrl, SettingsFile& settings, HWND owner, DWORD exStyle, const std::wstring& title) {
    registerMainClass();
    g_taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    MainWndParts parts{ctrl, settings};
    hwnd_ = CreateWindowExW(exStyle, L"ZelvaneMainClass", title.c_str(), WS_POPUP, 0, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                            owner, nullptr, appInstance(), &parts);
    rethrowWindowError();
    if (!hwnd_) throw std::runtime_error("failed to create the main window: " + systemErrorText(GetLastError()));
}

MainWnd::~MainWnd() {
    if (IsWindow(hwnd_)) SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    g_main.reset();
}

}  // namespace zelvane
