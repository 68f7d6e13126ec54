#pragma once
// The tray menu without the window system: which items it holds, their
// labels and marks for the current settings, and what each command changes.
#include <cstdint>
#include <string>
#include <vector>

#include "app/hotkeys.h"

namespace zelvane {

class WSController;
class SettingsFile;
struct Settings;

// The menu's command identifiers (the WM_COMMAND identifiers of its items).
enum MenuCommand : std::uintptr_t {
    kCmdExit = 0,
    kCmdHelp = 1,
    kCmdRegisterClass = 2,
    kCmdRestartElevated = 3,  // offered while we are not elevated
    kCmdSaveWallpaper = 4,
    kCmdAddRow = 5,
    kCmdDelRow = 6,
    kCmdAddColumn = 7,
    kCmdDelColumn = 8,
    kCmdMovKeyAlt = 9,      // 9..12: Alt, Ctrl, Shift, Win of the switching modifiers
    kCmdMovWndKeyAlt = 13,  // 13..16: the same for switching with the window
    kCmdKeyBindNormal = 17,
    kCmdKeyBindVi = 18,
    kCmdKeyBindEmacs = 19,
    kCmdWallsDefault = 20,
    kCmdWallsIndividual = 21,
    kCmdWallsDistant = 22,
    kCmdLoopWS = 23,
    kCmdPopupCtrlWnd = 24,
    kCmdSkipAnimation = 25,
    kCmdEdgeFlip = 26,
    kCmdKeepMixerControl = 27,
    kCmdMouseGes = 28,
    kCmdUseSingleClick = 29,
    kCmdEnglish = 30,
    kCmdJapanese = 31,
    kCmdPreview = kHotkeyPreview,
    // The preview item is added with identifier 100027, which takes 17 bits.
    // Windows reports a chosen menu item in the low word of wParam only, so
    // the item arrives as this number; the tray maps it back to the preview
    // command. (Where the whole identifier is reported, it reaches the main
    // window's own handling of 100027 directly.)
    kCmdPreviewLowWord = kHotkeyPreview & 0xFFFF,
};

// The settings the menu shows.
struct MenuSettings {
    std::int32_t movKey = 0;
    std::int32_t movWndKey = 0;
    std::string keyBind;
    std::int32_t wallsType = 0;
    std::int32_t transitionTime = 0;
    bool loopWS = false;
    bool popupCtrlWnd = false;
    bool edgeFlip = false;
    bool keepMixerControl = false;
    bool mouseGes = false;
    bool useDblclk = false;
    std::string language;
    // Not running as administrator: the menu offers a restart as one, for
    // the windows of elevated programs, which we may not place otherwise.
    bool offerElevation = false;
};

MenuSettings menuSettingsOf(const Settings& settings);

struct MenuEntry {
    enum class Mark { None, Check, Radio };

    std::string label;  // UTF-8
    bool submenu = false;
    std::uintptr_t id = 0;  // the command of an item; unused for a submenu
    Mark mark = Mark::None;
    bool checked = false;          // Check: the mark is on; Radio: the group's chosen item
    std::vector<MenuEntry> items;  // a submenu's entries
};

// The root's entries, in menu order, labelled in the settings' language.
std::vector<MenuEntry> buildMenuModel(const MenuSettings& s);

// "<base> (<keys>Space)" where the keys are the set modifiers of movKey, each
// put in front of the ones before: Alt, then Control, Shift, Win.
std::string previewLabel(const std::string& base, std::int32_t movKey);

// What the window side still has to do after a command.
enum class MenuFollowUp {
    NotACommand,    // not one of the menu's identifiers
    None,           // nothing more (also a command with nothing to do)
    Rebuild,        // a setting shown in the menu changed
    Rekey,          // a hotkey setting changed: register again, then rebuild
    GridChanged,    // the grid's size command ran
    WallpaperChanged,  // the wallpaper mode or pictures changed (and maybe the grid): rebuild, redraw
    ConfirmExit,    // ask, and end the program on yes
    ShowHelp,
    RegisterClass,  // show the main window for the class-registration drag
    OpenPreview,    // the preview item, reported by its low word
    RestartElevated,  // start again as administrator, handing over to the new instance
};

// Carries out the settings part of a menu command: on the settings, and on
// the controller where the command also switches or changes wallpapers.
MenuFollowUp applyMenuCommand(WSController& ctrl, SettingsFile& settings, std::uintptr_t id);

}  // namespace zelvane
