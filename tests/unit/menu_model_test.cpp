#include "app/menu_model.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/texts.h"
#include "controller_fixture.h"

namespace zelvane::testing {
namespace {

// Every entry in menu order, submenus before their items.
void flatten(const std::vector<MenuEntry>& entries, std::vector<const MenuEntry*>& out) {
    for (const MenuEntry& e : entries) {
        out.push_back(&e);
        if (e.submenu) flatten(e.items, out);
    }
}

std::vector<const MenuEntry*> flat(const std::vector<MenuEntry>& root) {
    std::vector<const MenuEntry*> out;
    flatten(root, out);
    return out;
}

const MenuEntry* itemById(const std::vector<MenuEntry>& root, std::uintptr_t id) {
    for (const MenuEntry* e : flat(root))
        if (!e->submenu && e->id == id) return e;
    return nullptr;
}

MenuSettings defaults() {
    MenuSettings s;
    s.movKey = 5;
    s.movWndKey = 9;
    s.keyBind = "normal";
    s.transitionTime = 120;
    s.popupCtrlWnd = true;
    s.useDblclk = true;
    s.language = "english";
    return s;
}

// "+" checked, "-" unchecked check item, "*" chosen radio, "o" other radio.
std::string marks(const std::vector<MenuEntry>& root, std::uintptr_t first, std::uintptr_t last) {
    std::string out;
    for (std::uintptr_t id = first; id <= last; ++id) {
        const MenuEntry* e = itemById(root, id);
        if (!e) return "missing " + std::to_string(id);
        switch (e->mark) {
            case MenuEntry::Mark::None: out += ' '; break;
            case MenuEntry::Mark::Check: out += e->checked ? '+' : '-'; break;
            case MenuEntry::Mark::Radio: out += e->checked ? '*' : 'o'; break;
        }
    }
    return out;
}

// The text table is in menu order: walking the menu must meet its entries
// one by one, each submenu before its items, each item with its command.
TEST(MenuModel, TreeFollowsTheTextTableInBothLanguages) {
    const std::vector<std::uintptr_t> ids{
        kCmdPreview, 0, 5, 6, 7, 8, 0, 0, 9, 10, 11, 12, 0, 13, 14, 15, 16, 0, 17, 18, 19, 0,
        20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 2, 4, 32, 0, 30, 31, 1, 0};  // 0 for a submenu, and for Exit
    for (const char* language : {"english", "japanese"}) {
        MenuSettings s = defaults();
        s.language = language;
        const std::vector<MenuEntry> root = buildMenuModel(s);
        const std::vector<const MenuEntry*> all = flat(root);
        const UiTexts& texts = uiTexts(language);
        ASSERT_EQ(all.size(), texts.menu.size()) << language;
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (i > 0) {
                EXPECT_EQ(all[i]->label, texts.menu[i]) << language << " entry " << i;
            }
            EXPECT_EQ(all[i]->id, ids[i]) << language << " entry " << i;
            EXPECT_EQ(all[i]->submenu, ids[i] == 0 && i != 39) << language << " entry " << i;
        }
        // Root: preview, grid, config, three items, language, help, exit;
        // the config submenu: four submenus, then seven options.
        ASSERT_EQ(root.size(), 9u);
        EXPECT_EQ(root[2].items.size(), 11u);
        for (std::size_t i = 0; i < 4; ++i) EXPECT_TRUE(root[2].items[i].submenu);
        EXPECT_FALSE(root[1].items.empty());
        for (const MenuEntry& e : root[1].items) EXPECT_EQ(e.mark, MenuEntry::Mark::None);
    }
}

// Not running as administrator, the root offers a restart as one, after
// "Start with Windows"; its command asks the window side to hand over.
TEST(MenuModel, RestartAsAdministratorIsOfferedOnlyWhenNotElevated) {
    for (const char* language : {"english", "japanese"}) {
        MenuSettings s = defaults();
        s.language = language;
        s.offerElevation = true;
        const std::vector<MenuEntry> root = buildMenuModel(s);
        ASSERT_EQ(root.size(), 10u) << language;
        EXPECT_EQ(root[5].id, std::uintptr_t{kCmdStartWithWindows});
        EXPECT_EQ(root[6].id, std::uintptr_t{kCmdRestartElevated});
        EXPECT_EQ(root[6].label, uiTexts(language).restartElevated);
        s.offerElevation = false;
        for (const MenuEntry& e : buildMenuModel(s)) EXPECT_NE(e.id, std::uintptr_t{kCmdRestartElevated}) << e.label;
    }
}

TEST(MenuModel, PreviewLabelNamesTheSwitchingModifiersLastSetFirst) {
    EXPECT_EQ(previewLabel("Fullscreen Preview", 5), "Fullscreen Preview (Shift + Alt + Space)");
    EXPECT_EQ(previewLabel("Fullscreen Preview", 15), "Fullscreen Preview (Win + Shift + Control + Alt + Space)");
    EXPECT_EQ(previewLabel("Fullscreen Preview", 0), "Fullscreen Preview (Space)");
    EXPECT_EQ(previewLabel("Fullscreen Preview", 10), "Fullscreen Preview (Win + Control + Space)");

    MenuSettings s = defaults();
    EXPECT_EQ(buildMenuModel(s)[0].label, "Fullscreen Preview (Shift + Alt + Space)");
    s.movKey = 4;
    EXPECT_EQ(buildMenuModel(s)[0].label, "Fullscreen Preview (Shift + Space)");
    s.language = "japanese";
    EXPECT_EQ(buildMenuModel(s)[0].label, "全画面プレビュー (Shift + Space)");
}

TEST(MenuModel, DefaultSettingsMarks) {
    const std::vector<MenuEntry> root = buildMenuModel(defaults());
    EXPECT_EQ(marks(root, 9, 12), "+-+-");   // Alt + Shift
    EXPECT_EQ(marks(root, 13, 16), "+--+");  // Alt + Win
    EXPECT_EQ(marks(root, 17, 19), "*oo");
    EXPECT_EQ(marks(root, 20, 22), "*oo");
    // loop, control window, skip animation, edge flip, mixer, gestures, single click
    EXPECT_EQ(marks(root, 23, 29), "-+-----");
    EXPECT_EQ(marks(root, 30, 31), "*o");
    EXPECT_EQ(marks(root, 32, 32), "-");  // off until the registry says otherwise
    EXPECT_EQ(marks(root, 0, 2) + marks(root, 4, 8), "        ");  // commands carry no mark
}

TEST(MenuModel, MarksFollowEverySetting) {
    MenuSettings s = defaults();
    s.movKey = 10;
    s.movWndKey = 6;
    s.keyBind = "emacs";
    s.wallsType = 2;
    s.transitionTime = 0;
    s.loopWS = true;
    s.popupCtrlWnd = false;
    s.edgeFlip = true;
    s.keepMixerControl = true;
    s.mouseGes = true;
    s.useDblclk = false;
    s.language = "japanese";
    s.startWithWindows = true;
    std::vector<MenuEntry> root = buildMenuModel(s);
    EXPECT_EQ(marks(root, 32, 32), "+");
    EXPECT_EQ(marks(root, 9, 12), "-+-+");
    EXPECT_EQ(marks(root, 13, 16), "-++-");
    EXPECT_EQ(marks(root, 17, 19), "oo*");
    EXPECT_EQ(marks(root, 20, 22), "oo*");
    EXPECT_EQ(marks(root, 23, 29), "+-+++++");
    EXPECT_EQ(marks(root, 30, 31), "o*");

    s.keyBind = "vi";
    s.wallsType = 1;
    s.transitionTime = 50;  // an animation, though not the default one
    root = buildMenuModel(s);
    EXPECT_EQ(marks(root, 17, 19), "o*o");
    EXPECT_EQ(marks(root, 20, 22), "o*o");
    EXPECT_EQ(marks(root, 25, 25), "-");

    // Only the exact words count.
    s.keyBind = "VI";
    s.language = "Japanese";
    root = buildMenuModel(s);
    EXPECT_EQ(marks(root, 17, 19), "*oo");
    EXPECT_EQ(marks(root, 30, 31), "*o");
    EXPECT_EQ(root.back().label, "Exit");
}

class MenuCommandTest : public ControllerTest {
protected:
    MenuFollowUp run(std::uintptr_t id) { return applyMenuCommand(*ctrl, settings, id); }
};

TEST_F(MenuCommandTest, ModifierItemsToggleOneBitAndAskForNewHotkeys) {
    ASSERT_EQ(settings.values().movKey, 5);
    EXPECT_EQ(run(kCmdMovKeyAlt), MenuFollowUp::Rekey);
    EXPECT_EQ(settings.values().movKey, 4);  // Shift alone
    EXPECT_EQ(run(kCmdMovKeyAlt + 3), MenuFollowUp::Rekey);
    EXPECT_EQ(settings.values().movKey, 12);
    EXPECT_EQ(run(kCmdMovKeyAlt), MenuFollowUp::Rekey);
    EXPECT_EQ(settings.values().movKey, 13);

    ASSERT_EQ(settings.values().movWndKey, 9);
    EXPECT_EQ(run(kCmdMovWndKeyAlt + 1), MenuFollowUp::Rekey);
    EXPECT_EQ(settings.values().movWndKey, 11);
    EXPECT_EQ(run(kCmdMovWndKeyAlt + 3), MenuFollowUp::Rekey);
    EXPECT_EQ(settings.values().movWndKey, 3);
    EXPECT_EQ(settings.values().movKey, 13);  // the other set is untouched

    EXPECT_EQ(run(kCmdKeyBindEmacs), MenuFollowUp::Rekey);
    EXPECT_EQ(settings.values().keyBind, "emacs");
    EXPECT_EQ(run(kCmdKeyBindVi), MenuFollowUp::Rekey);
    EXPECT_EQ(settings.values().keyBind, "vi");
    EXPECT_EQ(run(kCmdKeyBindNormal), MenuFollowUp::Rekey);
    EXPECT_EQ(settings.values().keyBind, "normal");
}

TEST_F(MenuCommandTest, RemovingTheCurrentLastRowOrColumnSwitchesAwayFirst) {
    const auto w = desktop->add(100, 100, 300, 200);
    switchTo(1, 1);
    ASSERT_FALSE(visible(w));

    EXPECT_EQ(run(kCmdDelRow), MenuFollowUp::GridChanged);
    settle();
    EXPECT_EQ(ctrl->wsRowNum(), 1);
    EXPECT_EQ(ctrl->currentRow(), 0);
    EXPECT_EQ(ctrl->currentCol(), 1);

    EXPECT_EQ(run(kCmdDelColumn), MenuFollowUp::GridChanged);
    settle();
    EXPECT_EQ(ctrl->wsColNum(), 1);
    EXPECT_EQ(ctrl->currentCol(), 0);
    EXPECT_TRUE(visible(w));  // its workspace is current again
    EXPECT_EQ(rectOf(w), (Rect{100, 100, 400, 300}));

    // A 1 x 1 grid has nothing to remove.
    EXPECT_EQ(run(kCmdDelRow), MenuFollowUp::None);
    EXPECT_EQ(run(kCmdDelColumn), MenuFollowUp::None);
    EXPECT_EQ(ctrl->wsRowNum(), 1);
    EXPECT_EQ(ctrl->wsColNum(), 1);
}

// In distant view the grid stays square: removing a row takes a column too,
// and the switch has to land inside what is left either way.
TEST_F(MenuCommandTest, InDistantViewRemovingEitherWaySwitchesIntoTheSquareThatRemains) {
    settings.setWallsType(2);
    settings.setWsRowNum(3);
    ASSERT_EQ(ctrl->wsColNum(), 3);
    switchTo(0, 1);
    const auto b = desktop->add(100, 100, 300, 200);  // on (0,1)
    switchTo(0, 2);
    ASSERT_FALSE(visible(b));

    EXPECT_EQ(run(kCmdDelRow), MenuFollowUp::GridChanged);
    settle();
    EXPECT_EQ(ctrl->wsRowNum(), 2);
    EXPECT_EQ(ctrl->wsColNum(), 2);
    EXPECT_EQ(ctrl->currentRow(), 0);
    EXPECT_EQ(ctrl->currentCol(), 1);
    EXPECT_TRUE(visible(b));
    EXPECT_EQ(rectOf(b), (Rect{100, 100, 400, 300}));

    settings.setWsColNum(3);
    switchTo(2, 0);
    EXPECT_EQ(run(kCmdDelColumn), MenuFollowUp::GridChanged);
    EXPECT_EQ(ctrl->wsRowNum(), 2);
    EXPECT_EQ(ctrl->currentRow(), 1);
    EXPECT_EQ(ctrl->currentCol(), 0);

    // 2 x 2 is the smallest square: nothing shrinks, nothing moves.
    EXPECT_EQ(run(kCmdDelRow), MenuFollowUp::GridChanged);
    EXPECT_EQ(ctrl->wsRowNum(), 2);
    EXPECT_EQ(ctrl->currentRow(), 1);
}

// A window on a row or column that goes comes onto the nearest workspace
// that remains, at the same place inside it, so it stays within reach; a
// window elsewhere does not move. (The cases are the model's: see
// WorkspaceModelTest.ShrinkingTheGridKeepsEveryWindowWithinReach.)
TEST_F(MenuCommandTest, TheWindowsOfARemovedRowOrColumnComeOntoTheNearestWorkspace) {
    settings.setWsRowNum(3);
    settings.setWsColNum(3);
    switchTo(2, 2);
    const auto corner = desktop->add(300, 200, 400, 300);  // on (2,2), the bottom-right one
    switchTo(0, 0);
    const auto here = desktop->add(100, 100, 300, 200);
    ASSERT_EQ(run(kCmdDelRow), MenuFollowUp::GridChanged);
    ASSERT_EQ(run(kCmdDelColumn), MenuFollowUp::GridChanged);
    settle();
    EXPECT_TRUE(desktop->get(here).calls.empty());
    switchTo(1, 1);
    EXPECT_TRUE(visible(corner));
    EXPECT_EQ(rectOf(corner), (Rect{300, 200, 700, 500}));
}

TEST_F(MenuCommandTest, RemovingAnotherRowOrColumnDoesNotSwitch) {
    settings.setWsRowNum(3);
    settings.setWsColNum(3);
    switchTo(1, 1);
    EXPECT_EQ(run(kCmdDelRow), MenuFollowUp::GridChanged);
    EXPECT_EQ(run(kCmdDelColumn), MenuFollowUp::GridChanged);
    EXPECT_EQ(ctrl->wsRowNum(), 2);
    EXPECT_EQ(ctrl->wsColNum(), 2);
    EXPECT_EQ(ctrl->currentRow(), 1);
    EXPECT_EQ(ctrl->currentCol(), 1);
}

TEST_F(MenuCommandTest, AddingPastTheLimitStillReportsTheGridCommand) {
    settings.setWsRowNum(5);
    EXPECT_EQ(run(kCmdAddRow), MenuFollowUp::GridChanged);
    EXPECT_EQ(ctrl->wsRowNum(), 5);
    EXPECT_EQ(run(kCmdAddColumn), MenuFollowUp::GridChanged);
    EXPECT_EQ(ctrl->wsColNum(), 3);
}

TEST_F(MenuCommandTest, OptionTogglesAndTheAnimationSwitch) {
    const Settings& s = settings.values();
    const auto flags = [&] {
        return std::vector<bool>{s.loopWS, s.popupCtrlWnd, s.edgeFlip, s.keepMixerControl, s.mouseGes, s.useDblclk};
    };
    const std::vector<bool> before = flags();
    for (std::uintptr_t id : {23u, 24u, 26u, 27u, 28u, 29u}) EXPECT_EQ(run(id), MenuFollowUp::Rebuild) << id;
    const std::vector<bool> after = flags();
    for (std::size_t i = 0; i < before.size(); ++i) EXPECT_NE(before[i], after[i]) << i;
    // The menu shows what the settings now hold.
    EXPECT_EQ(marks(buildMenuModel(menuSettingsOf(settings.values())), 23, 29), "+--++++");

    settings.setTransitionTime(50);
    EXPECT_EQ(run(kCmdSkipAnimation), MenuFollowUp::Rebuild);
    EXPECT_EQ(settings.values().transitionTime, 0);
    EXPECT_EQ(run(kCmdSkipAnimation), MenuFollowUp::Rebuild);
    EXPECT_EQ(settings.values().transitionTime, 120);
}

// What the menu shows after each wallpaper command: the radio mark of the
// mode in force ("default", "individual view", "distant view"), and what
// the main window is asked to do. (What each mode does to the pictures is
// the wallpaper keeper's.)
TEST_F(MenuCommandTest, WallpaperItemsMarkTheModeInForce) {
    const struct {
        std::uintptr_t command;
        MenuFollowUp followUp;
        const char* marks;
    } steps[] = {
        {kCmdSaveWallpaper, MenuFollowUp::WallpaperChanged, "o*o"},  // needs per-workspace pictures first
        {kCmdSaveWallpaper, MenuFollowUp::WallpaperChanged, "o*o"},
        {kCmdWallsDistant, MenuFollowUp::WallpaperChanged, "oo*"},
        {kCmdWallsDistant, MenuFollowUp::None, "oo*"},  // already: nothing to redraw
        {kCmdSaveWallpaper, MenuFollowUp::WallpaperChanged, "oo*"},
        {kCmdWallsDefault, MenuFollowUp::WallpaperChanged, "*oo"},
        {kCmdWallsIndividual, MenuFollowUp::WallpaperChanged, "o*o"},
    };
    EXPECT_EQ(marks(buildMenuModel(menuSettingsOf(settings.values())), kCmdWallsDefault, kCmdWallsDistant), "*oo");
    for (const auto& step : steps) {
        SCOPED_TRACE(step.command);
        EXPECT_EQ(run(step.command), step.followUp);
        EXPECT_EQ(marks(buildMenuModel(menuSettingsOf(settings.values())), kCmdWallsDefault, kCmdWallsDistant),
                  step.marks);
    }
}

TEST_F(MenuCommandTest, LanguageItemsSwitchTheMenuLanguage) {
    EXPECT_EQ(run(kCmdJapanese), MenuFollowUp::Rebuild);
    EXPECT_EQ(settings.values().language, "japanese");
    std::vector<MenuEntry> root = buildMenuModel(menuSettingsOf(settings.values()));
    EXPECT_EQ(root.back().label, "終了");
    EXPECT_EQ(marks(root, 30, 31), "o*");
    EXPECT_EQ(itemById(root, kCmdEnglish)->label, "EngLish");

    EXPECT_EQ(run(kCmdEnglish), MenuFollowUp::Rebuild);
    EXPECT_EQ(settings.values().language, "english");
    EXPECT_EQ(buildMenuModel(menuSettingsOf(settings.values())).back().label, "Exit");
}

TEST_F(MenuCommandTest, IdentifiersAreComparedWhole) {
    const Settings untouched;
    EXPECT_EQ(run(kCmdExit), MenuFollowUp::ConfirmExit);
    EXPECT_EQ(run(kCmdHelp), MenuFollowUp::ShowHelp);
    EXPECT_EQ(run(kCmdRegisterClass), MenuFollowUp::RegisterClass);
    EXPECT_EQ(run(kCmdStartWithWindows), MenuFollowUp::ToggleStartWithWindows);
    EXPECT_EQ(run(kCmdRestartElevated), MenuFollowUp::RestartElevated);
    // The preview item as a 16-bit menu reports it.
    EXPECT_EQ(run(100027 & 0xFFFF), MenuFollowUp::OpenPreview);
    // Not ours: past the end, the preview's full number (the main window's
    // own), and menu numbers with a high word.
    for (std::uintptr_t id : {std::uintptr_t{33}, std::uintptr_t{100027},
                              std::uintptr_t{0x10000 | 23}, std::uintptr_t{0x10000}})
        EXPECT_EQ(run(id), MenuFollowUp::NotACommand) << id;
    EXPECT_EQ(settings.values().loopWS, untouched.loopWS);
    EXPECT_EQ(ctrl->wsRowNum(), 2);
}

}  // namespace
}  // namespace zelvane::testing
