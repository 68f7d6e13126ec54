#include "app/menu_model.h"

#include <algorithm>
#include <utility>

#include "app/texts.h"
#include "config/settings_file.h"
#include "controller/wsctrl.h"

namespace zelvane {

namespace {

// Indices into UiTexts::menu.
enum TextIndex : std::size_t {
    kTextPreview = 0,
    kTextGrid = 1,
    kTextAddRow = 2,
    kTextConfig = 6,
    kTextMovKey = 7,
    kTextMovKeyAlt = 8,
    kTextMovWndKey = 12,
    kTextMovWndKeyAlt = 13,
    kTextKeyBind = 17,
    kTextKeyBindNormal = 18,
    kTextWalls = 21,
    kTextWallsDefault = 22,
    kTextLoopWS = 25,
    kTextRegisterClass = 32,
    kTextSaveWallpaper = 33,
    kTextStartWithWindows = 34,
    kTextLanguage = 35,
    kTextEnglish = 36,
    kTextHelp = 38,
    kTextExit = 39,
};

constexpr std::int32_t kModifierBits[4] = {kModAlt, kModCtrl, kModShift, kModWin};

enum class GridLine { Row, Column };

// The grid that removing the last row or column leaves. In distant view the
// grid stays square, at least 2 x 2 (the size setters keep it so), so
// removing a row removes a column too, and the reverse.
GridState gridAfterRemoving(const WSController& ctrl, const Settings& settings, GridLine line) {
    GridState g{settings.wsRowNum, settings.wsColNum, ctrl.currentRow(), ctrl.currentCol(), settings.loopWS};
    if (settings.wallsType == 2) {
        constexpr std::int32_t kMinSquareGrid = 2;
        const std::int32_t side = std::max(kMinSquareGrid, (line == GridLine::Row ? g.rows : g.cols) - 1);
        g.rows = side;
        g.cols = side;
    } else if (line == GridLine::Row) {
        g.rows -= 1;
    } else {
        g.cols -= 1;
    }
    return g;
}

// Leaves the workspaces that are about to disappear before they do, so no
// window of the current workspace is stranded outside the grid: the switch
// goes to the nearest workspace of the grid that remains.
MenuFollowUp removeGridLine(WSController& ctrl, SettingsFile& settings, GridLine line) {
    const Settings& s = settings.values();
    if ((line == GridLine::Row ? s.wsRowNum : s.wsColNum) <= 1) return MenuFollowUp::None;
    const GridState after = gridAfterRemoving(ctrl, s, line);
    const std::int32_t row = std::min(after.currentRow, after.rows - 1);
    const std::int32_t col = std::min(after.currentCol, after.cols - 1);
    if (row != ctrl.currentRow() || col != ctrl.currentCol()) ctrl.switchWS(row, col, kNoWindow);
    if (line == GridLine::Row)
        settings.setWsRowNum(s.wsRowNum - 1);
    else
        settings.setWsColNum(s.wsColNum - 1);
    // The windows of the removed row or column come onto the nearest
    // workspace that remains.
    ctrl.gridChanged();
    return MenuFollowUp::GridChanged;
}

MenuEntry item(const std::string& label, std::uintptr_t id) {
    MenuEntry e;
    e.label = label;
    e.id = id;
    return e;
}

MenuEntry check(const std::string& label, std::uintptr_t id, bool on) {
    MenuEntry e = item(label, id);
    e.mark = MenuEntry::Mark::Check;
    e.checked = on;
    return e;
}

MenuEntry radio(const std::string& label, std::uintptr_t id, bool chosen) {
    MenuEntry e = item(label, id);
    e.mark = MenuEntry::Mark::Radio;
    e.checked = chosen;
    return e;
}

MenuEntry submenu(const std::string& label, std::vector<MenuEntry> items) {
    MenuEntry e;
    e.label = label;
    e.submenu = true;
    e.items = std::move(items);
    return e;
}

// Four check items, one per modifier bit, labelled from texts first..first+3.
std::vector<MenuEntry> modifierItems(const UiTexts& t, std::size_t firstText, std::uintptr_t firstId,
                                     std::int32_t modifiers) {
    std::vector<MenuEntry> items;
    for (std::size_t i = 0; i < 4; ++i)
        items.push_back(check(t.menu[firstText + i], firstId + i, (modifiers & kModifierBits[i]) != 0));
    return items;
}

std::int32_t toggled(std::int32_t modifiers, std::uintptr_t id, std::uintptr_t firstId) {
    return modifiers ^ kModifierBits[id - firstId];
}

void setEveryWallpaper(SettingsFile& settings, const std::string& path) {
    for (std::int32_t row = 0; row < settings.values().wsRowNum; ++row)
        for (std::int32_t col = 0; col < settings.values().wsColNum; ++col) settings.setWallpaper(row, col, path);
}

}  // namespace

MenuSettings menuSettingsOf(const Settings& settings) {
    MenuSettings s;
    s.movKey = settings.movKey;
    s.movWndKey = settings.movWndKey;
    s.keyBind = settings.keyBind;
    s.wallsType = settings.wallsType;
    s.transitionTime = settings.transitionTime;
    s.loopWS = settings.loopWS;
    s.popupCtrlWnd = settings.popupCtrlWnd;
    s.edgeFlip = settings.edgeFlip;
    s.keepMixerControl = settings.keepMixerControl;
    s.mouseGes = settings.mouseGes;
    s.useDblclk = settings.useDblclk;
    s.language = settings.language;
    return s;
}

std::string previewLabel(const std::string& base, std::int32_t movKey) {
    std::string keys = "Space";
    if (movKey & kModAlt) keys = "Alt + " + keys;
    if (movKey & kModCtrl) keys = "Control + " + keys;
    if (movKey & kModShift) keys = "Shift + " + keys;
    if (movKey & kModWin) keys = "Win + " + keys;
    return base + " (" + keys + ")";
}

std::vector<MenuEntry> buildMenuModel(const MenuSettings& s) {
    const UiTexts& t = uiTexts(s.language);

    std::vector<MenuEntry> grid;
    for (std::size_t i = 0; i < 4; ++i) grid.push_back(item(t.menu[kTextAddRow + i], kCmdAddRow + i));

    std::vector<MenuEntry> config;
    config.push_back(submenu(t.menu[kTextMovKey], modifierItems(t, kTextMovKeyAlt, kCmdMovKeyAlt, s.movKey)));
    config.push_back(
        submenu(t.menu[kTextMovWndKey], modifierItems(t, kTextMovWndKeyAlt, kCmdMovWndKeyAlt, s.movWndKey)));

    const std::uintptr_t keyBind = s.keyBind == "vi"      ? kCmdKeyBindVi
                                   : s.keyBind == "emacs" ? kCmdKeyBindEmacs
                                                          : kCmdKeyBindNormal;
    std::vector<MenuEntry> keyBinds;
    for (std::size_t i = 0; i < 3; ++i)
        keyBinds.push_back(radio(t.menu[kTextKeyBindNormal + i], kCmdKeyBindNormal + i, kCmdKeyBindNormal + i == keyBind));
    config.push_back(submenu(t.menu[kTextKeyBind], std::move(keyBinds)));

    const std::uintptr_t walls = s.wallsType == 2   ? kCmdWallsDistant
                                 : s.wallsType == 1 ? kCmdWallsIndividual
                                                    : kCmdWallsDefault;
    std::vector<MenuEntry> wallpapers;
    for (std::size_t i = 0; i < 3; ++i)
        wallpapers.push_back(radio(t.menu[kTextWallsDefault + i], kCmdWallsDefault + i, kCmdWallsDefault + i == walls));
    config.push_back(submenu(t.menu[kTextWalls], std::move(wallpapers)));

    const bool options[7] = {s.loopWS,           s.popupCtrlWnd, s.transitionTime == 0, s.edgeFlip,
                             s.keepMixerControl, s.mouseGes,     !s.useDblclk};
    for (std::size_t i = 0; i < 7; ++i) config.push_back(check(t.menu[kTextLoopWS + i], kCmdLoopWS + i, options[i]));

    const bool japanese = &t == &uiTexts("japanese");
    std::vector<MenuEntry> languages{radio(t.menu[kTextEnglish], kCmdEnglish, !japanese),
                                     radio(t.menu[kTextEnglish + 1], kCmdJapanese, japanese)};

    std::vector<MenuEntry> root;
    root.push_back(item(previewLabel(t.menu[kTextPreview], s.movKey), kCmdPreview));
    root.push_back(submenu(t.menu[kTextGrid], std::move(grid)));
    root.push_back(submenu(t.menu[kTextConfig], std::move(config)));
    root.push_back(item(t.menu[kTextRegisterClass], kCmdRegisterClass));
    root.push_back(item(t.menu[kTextSaveWallpaper], kCmdSaveWallpaper));
    root.push_back(check(t.menu[kTextStartWithWindows], kCmdStartWithWindows, s.startWithWindows));
    if (s.offerElevation) root.push_back(item(t.restartElevated, kCmdRestartElevated));
    root.push_back(submenu(t.menu[kTextLanguage], std::move(languages)));
    root.push_back(item(t.menu[kTextHelp], kCmdHelp));
    root.push_back(item(t.menu[kTextExit], kCmdExit));
    return root;
}

MenuFollowUp applyMenuCommand(WSController& ctrl, SettingsFile& settings, std::uintptr_t id) {
    const Settings& s = settings.values();
    switch (id) {
        case kCmdExit:
            return MenuFollowUp::ConfirmExit;
        case kCmdHelp:
            return MenuFollowUp::ShowHelp;
        case kCmdRegisterClass:
            return MenuFollowUp::RegisterClass;
        case kCmdPreviewLowWord:
            return MenuFollowUp::OpenPreview;
        case kCmdStartWithWindows:
            return MenuFollowUp::ToggleStartWithWindows;
        case kCmdRestartElevated:
            return MenuFollowUp::RestartElevated;

        case kCmdSaveWallpaper:
            // The snapshot needs per-workspace wallpapers: switch to them first,
            // as the "individual view" item would.
            if (s.wallsType == 0) applyMenuCommand(ctrl, settings, kCmdWallsIndividual);
            ctrl.wallpaper().capture();
            return MenuFollowUp::WallpaperChanged;

        case kCmdAddRow:
            settings.setWsRowNum(s.wsRowNum + 1);  // in distant view a column comes too
            ctrl.gridChanged();
            return MenuFollowUp::GridChanged;
        case kCmdDelRow:
            return removeGridLine(ctrl, settings, GridLine::Row);
        case kCmdAddColumn:
            settings.setWsColNum(s.wsColNum + 1);
            ctrl.gridChanged();
            return MenuFollowUp::GridChanged;
        case kCmdDelColumn:
            return removeGridLine(ctrl, settings, GridLine::Column);

        case kCmdMovKeyAlt:
        case kCmdMovKeyAlt + 1:
        case kCmdMovKeyAlt + 2:
        case kCmdMovKeyAlt + 3:
            settings.setMovKey(toggled(s.movKey, id, kCmdMovKeyAlt));
            return MenuFollowUp::Rekey;
        case kCmdMovWndKeyAlt:
        case kCmdMovWndKeyAlt + 1:
        case kCmdMovWndKeyAlt + 2:
        case kCmdMovWndKeyAlt + 3:
            settings.setMovWndKey(toggled(s.movWndKey, id, kCmdMovWndKeyAlt));
            return MenuFollowUp::Rekey;
        case kCmdKeyBindNormal:
            settings.setKeyBind("normal");
            return MenuFollowUp::Rekey;
        case kCmdKeyBindVi:
            settings.setKeyBind("vi");
            return MenuFollowUp::Rekey;
        case kCmdKeyBindEmacs:
            settings.setKeyBind("emacs");
            return MenuFollowUp::Rekey;

        case kCmdWallsDefault: {
            const std::int32_t old = s.wallsType;
            settings.setWallsType(0);
            // Kept for a later return to "individual view": every workspace
            // shows the whole spread picture.
            if (old == 2) setEveryWallpaper(settings, ctrl.previewBgPath());
            ctrl.wallpaper().restoreUser();
            return MenuFollowUp::WallpaperChanged;
        }
        case kCmdWallsIndividual: {
            const std::int32_t old = s.wallsType;
            settings.setWallsType(1);
            if (old == 2) {
                setEveryWallpaper(settings, ctrl.previewBgPath());
                ctrl.wallpaper().apply(-1, -1);
            }
            return MenuFollowUp::WallpaperChanged;
        }
        case kCmdWallsDistant:
            if (s.wallsType == 2) return MenuFollowUp::None;
            settings.setWallsType(2);  // also makes the grid square, at least 2 x 2
            ctrl.gridChanged();
            ctrl.wallpaper().capture();
            return MenuFollowUp::WallpaperChanged;

        case kCmdLoopWS:
            settings.setLoopWS(!s.loopWS);
            return MenuFollowUp::Rebuild;
        case kCmdPopupCtrlWnd:
            settings.setPopupCtrlWnd(!s.popupCtrlWnd);
            return MenuFollowUp::Rebuild;
        case kCmdSkipAnimation:
            settings.setTransitionTime(s.transitionTime < 1 ? 120 : 0);
            return MenuFollowUp::Rebuild;
        case kCmdEdgeFlip:
            settings.setEdgeFlip(!s.edgeFlip);
            return MenuFollowUp::Rebuild;
        case kCmdKeepMixerControl:
            settings.setKeepMixerControl(!s.keepMixerControl);
            return MenuFollowUp::Rebuild;
        case kCmdMouseGes:
            settings.setMouseGes(!s.mouseGes);
            return MenuFollowUp::Rebuild;
        case kCmdUseSingleClick:
            settings.setUseDblclk(!s.useDblclk);
            return MenuFollowUp::Rebuild;
        case kCmdEnglish:
            settings.setLanguage("english");
            return MenuFollowUp::Rebuild;
        case kCmdJapanese:
            settings.setLanguage("japanese");
            return MenuFollowUp::Rebuild;

        default:
            // Includes 100027 itself, which the main window handles.
            return MenuFollowUp::NotACommand;
    }
}

}  // namespace zelvane
