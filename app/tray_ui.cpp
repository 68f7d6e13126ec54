#include "app/tray_ui.h"

#include <algorithm>
#include <string>

#include "app/define.h"
#include "app/elevation.h"
#include "app/hotkeys.h"
#include "app/main_context.h"
#include "app/menu_model.h"
#include "app/mouse_actions.h"
#include "app/start_with_windows.h"
#include "app/texts.h"
#include "win32/text.h"

namespace zelvane {

namespace {

constexpr UINT kTrayIconId = 0x8001;
constexpr UINT kTrayCallbackMessage = WM_APP + 2;

int messageBox(HWND owner, const std::string& text, UINT style) {
    return MessageBoxW(owner, win32::widen(text).c_str(), win32::widen(kProgramName).c_str(), style);
}

// Copies text into a fixed field of the icon data, cut with an ellipsis
// where it does not fit.
template <std::size_t N>
void fill(wchar_t (&field)[N], const std::wstring& text) {
    std::wstring cut = text;
    if (cut.size() >= N) cut = cut.substr(0, N - 2) + L"\u2026";
    std::copy(cut.begin(), cut.end(), field);
    field[cut.size()] = L'\0';
}

// What the user knows a window by: its title, or its class when it has none.
std::string windowName(HWND w) {
    wchar_t text[256] = {};
    if (GetWindowTextW(w, text, 256) > 0) return win32::narrow(text);
    wchar_t cls[256] = {};
    GetClassNameW(w, cls, 256);
    return win32::narrow(cls);
}

}  // namespace

TrayUi::TrayUi(MainContext& main) : main_(main) {
    icon_.cbSize = sizeof(icon_);
    icon_.hWnd = main_.hwnd;
    icon_.uID = kTrayIconId;
    icon_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon_.uCallbackMessage = kTrayCallbackMessage;
    icon_.hIcon = reinterpret_cast<HICON>(GetClassLongPtrW(main_.hwnd, GCLP_HICON));
    GetWindowTextW(main_.hwnd, icon_.szTip, static_cast<int>(sizeof(icon_.szTip) / sizeof(icon_.szTip[0])));
    // Without a shell the program runs on without its icon; the shell's
    // "TaskbarCreated" adds it later.
    Shell_NotifyIconW(NIM_ADD, &icon_);
    followMovedProgram();
    elevated_ = runningElevated();
    rebuildMenu();
}

TrayUi::~TrayUi() {
    Shell_NotifyIconW(NIM_DELETE, &icon_);
    if (menuOpen_) {
        // Shutting down inside the menu loop (a session end): close the
        // menu, and leave its handles to the end of the process rather than
        // destroy them under the loop that still runs on this stack.
        EndMenu();
        menu_.release();
        shownMenu_.release();
    }
}

void TrayUi::onTaskbarCreated() {
    Shell_NotifyIconW(NIM_ADD, &icon_);
}

void TrayUi::onTrayCallback(WPARAM wp, LPARAM lp) {
    if (wp != kTrayIconId) return;
    if (lp == WM_LBUTTONUP)
        PostMessageW(main_.hwnd, WM_COMMAND, kHotkeyPreview, 0);
    else if (lp == WM_RBUTTONUP)
        showMenu();
}

void TrayUi::rebuildMenu() {
    MenuSettings settings = menuSettingsOf(main_.settings->values());
    settings.startWithWindows = startsWithWindows();
    settings.offerElevation = !elevated_;
    UniqueMenu fresh = createPopupMenu(buildMenuModel(settings));
    // The menu of the previous build is destroyed (with its submenus) here,
    // unless the menu loop is showing it right now.
    if (menuOpen_ && !shownMenu_) shownMenu_ = std::move(menu_);
    menu_ = std::move(fresh);
}

void TrayUi::showMenu() {
    if (menuOpen_ || !menu_) return;
    POINT at{};
    GetCursorPos(&at);
    const HWND owner = main_.hwnd;
    // The menu closes when the user clicks elsewhere only if its owner is
    // the foreground window.
    SetForegroundWindow(owner);
    const std::weak_ptr<int> alive = alive_;
    // The registry may have changed since the menu was built.
    CheckMenuItem(menu_.get(), kCmdStartWithWindows, MF_BYCOMMAND | (startsWithWindows() ? MF_CHECKED : MF_UNCHECKED));
    menuOpen_ = true;
    TrackPopupMenu(menu_.get(), TPM_BOTTOMALIGN, at.x, at.y, 0, owner, nullptr);
    if (alive.expired()) return;
    menuOpen_ = false;
    shownMenu_.reset();
    // Lets the system finish the menu's switch away from the foreground.
    PostMessageW(owner, WM_NULL, 0, 0);
}

void TrayUi::confirmExit() {
    const HWND owner = main_.hwnd;
    const std::weak_ptr<int> alive = alive_;
    const std::string& question = uiTexts(main_.settings->values().language).exitQuestion;
    const int answer = messageBox(owner, question, MB_YESNO | MB_TOPMOST);
    if (alive.expired() || answer != IDYES) return;
    // Runs the shutdown, which destroys this object: nothing may follow.
    DestroyWindow(owner);
}

// The new instance waits for this one to end; this one gives every window
// back and ends as at Exit. Nothing happens when the user says no.
void TrayUi::restartElevated() {
    const HWND owner = main_.hwnd;
    const std::weak_ptr<int> alive = alive_;
    const bool started = startElevatedSuccessor(owner);
    if (alive.expired() || !started) return;
    // Runs the shutdown, which destroys this object: nothing may follow.
    DestroyWindow(owner);
}

void TrayUi::tellRefused(const std::vector<WindowId>& windows) {
    if (windows.empty()) return;
    std::vector<std::string> names;
    for (WindowId w : windows) names.push_back(windowName(reinterpret_cast<HWND>(w)));
    const UiTexts& texts = uiTexts(main_.settings->values().language);
    NOTIFYICONDATAW balloon = icon_;
    balloon.uFlags = NIF_INFO;
    balloon.dwInfoFlags = NIIF_WARNING;
    fill(balloon.szInfoTitle, win32::widen(texts.refusedTitle));
    fill(balloon.szInfo, win32::widen(refusedMessage(texts, names)));
    Shell_NotifyIconW(NIM_MODIFY, &balloon);
}

bool TrayUi::onCommand(WPARAM id) {
    switch (applyMenuCommand(*main_.ctrl, *main_.settings, id)) {
        case MenuFollowUp::NotACommand:
            return false;
        case MenuFollowUp::None:
            break;
        case MenuFollowUp::Rebuild:
            rebuildMenu();
            break;
        case MenuFollowUp::Rekey:
            main_.rekey();
            rebuildMenu();
            break;
        case MenuFollowUp::GridChanged:
            // The grid's size is shown nowhere in the menu; the spread
            // picture and the pictures of the grid follow it.
            main_.ctrl->wallpaper().respread();
            main_.pictureChanged();
            break;
        case MenuFollowUp::WallpaperChanged:
            rebuildMenu();
            main_.pictureChanged();
            break;
        case MenuFollowUp::ConfirmExit:
            confirmExit();
            break;
        case MenuFollowUp::ShowHelp:
            messageBox(main_.hwnd, uiTexts(main_.settings->values().language).help, MB_OK);
            break;
        case MenuFollowUp::RegisterClass:
            if (main_.mouse) main_.mouse->beginClassRegistration();
            break;
        case MenuFollowUp::OpenPreview:
            PostMessageW(main_.hwnd, WM_COMMAND, kHotkeyPreview, 0);
            break;
        case MenuFollowUp::ToggleStartWithWindows:
            toggleStartWithWindows();
            rebuildMenu();
            break;
        case MenuFollowUp::RestartElevated:
            restartElevated();
            break;
    }
    return true;
}

}  // namespace zelvane
