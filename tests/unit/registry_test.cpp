// The plane, the window records, the window-list file, releasing at exit and
// the exempt rule.
#include <gtest/gtest.h>

#include <fstream>

#include "config/text_file.h"
#include "controller/window_list_file.h"

#include "controller_fixture.h"

namespace zelvane::testing {
namespace {

WndInfo recordAt(int left, int top, int width, int height) {
    WndInfo w;
    w.left = left;
    w.top = top;
    w.right = left + width;
    w.bottom = top + height;
    w.marginX = width > 20 ? 10 : 0;
    w.marginY = height > 20 ? 10 : 0;
    return w;
}

Plane grid(int rows, int cols, int row, int col) {
    Plane p;
    p.rows = rows;
    p.cols = cols;
    p.currentRow = row;
    p.currentCol = col;
    p.virtualWidth = 1280;
    p.virtualHeight = 800;
    return p;
}

TEST(PlaneTest, AWindowBelongsToANeighbourOnlyWhenItReachesFarEnoughIn) {
    // Right edge 9 pixels into (0,1): not there; 10 pixels: there.
    EXPECT_FALSE(recordAt(1089, 100, 200, 200).isOnCurrentWS(grid(2, 2, 0, 1)));
    EXPECT_TRUE(recordAt(1090, 100, 200, 200).isOnCurrentWS(grid(2, 2, 0, 1)));
    // Left edge 10 pixels into (0,0) from (0,1): not there; 11: there.
    EXPECT_FALSE(recordAt(1270, 100, 200, 200).isOnCurrentWS(grid(2, 2, 0, 0)));
    EXPECT_TRUE(recordAt(1269, 100, 200, 200).isOnCurrentWS(grid(2, 2, 0, 0)));
    // Across the grid's outer edges any overlap counts.
    EXPECT_TRUE(recordAt(-195, -195, 200, 200).isOnCurrentWS(grid(2, 2, 0, 0)));
    EXPECT_TRUE(recordAt(1275, 795, 200, 200).isOnCurrentWS(grid(1, 1, 0, 0)));
    // Small windows have no margin.
    EXPECT_TRUE(recordAt(1279, 100, 20, 20).isOnCurrentWS(grid(2, 2, 0, 0)));
    // A minimized window sits at its workspace's origin point only.
    WndInfo minimized = recordAt(1280, 800, 0, 0);
    EXPECT_TRUE(minimized.isOnCurrentWS(grid(2, 2, 1, 1)));
    EXPECT_FALSE(minimized.isOnCurrentWS(grid(2, 2, 0, 0)));
    EXPECT_FALSE(minimized.isOnCurrentWS(grid(2, 2, 0, 1)));
}

TEST(WndInfoText, RoundTripsAndRejectsDamage) {
    WndInfo w = recordAt(-1180, 40, 300, 10);
    w.hwnd = 0x100A2;
    w.managed = true;
    const std::string line = w.toText();
    EXPECT_EQ(line, "65698,0,1,-1180,-880,40,50,0,10,0");
    const auto back = WndInfo::fromText(line + "\r");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->toText(), line);
    EXPECT_EQ(back->marginX, 10);

    for (const char* bad : {"", "1,0,1,2,3,4,5,0,10", "1,0,1,2,3,4,5,0,10,0,9", "x,0,1,2,3,4,5,0,10,0",
                            "1,0,1,99999999999,3,4,5,0,10,0", "1,0,1,2,3,4,5,0,ten,0", "-5,0,1,2,3,4,5,0,10,0"})
        EXPECT_FALSE(WndInfo::fromText(bad)) << bad;
}

// The window-list file: the ten-field lines every version reads, then the
// trailer that tells whose windows they were.
TEST(WindowListFile, TrailerRoundTripsAndOlderFilesStillRead) {
    WndInfo a;
    a.hwnd = 0x20;
    a.managed = true;
    a.className = "Notepad";
    WndInfo unmanaged = a;
    unmanaged.hwnd = 0x30;
    unmanaged.managed = false;
    const std::string text = formatWindowList({{a.hwnd, a}, {unmanaged.hwnd, unmanaged}},
                                              SessionStamp{0x3e7'0001, 1'700'000'000, 123'456},
                                              ScreenMetrics{1920, 1080, -1920, 0, 3840, 1080});
    // An older reader stops at the trailer's first line with every window read.
    EXPECT_EQ(text.substr(0, text.find("\nzelvane-window-list 2\n")), a.toText());

    const WindowListFile file = parseWindowList(text);
    ASSERT_EQ(file.records.size(), 1u);
    EXPECT_TRUE(file.complete);
    EXPECT_EQ(file.records[0].className, "Notepad");
    ASSERT_TRUE(file.session && file.screen);
    EXPECT_EQ(file.session->logon, 0x3e7'0001u);
    EXPECT_EQ(file.screen->virtualLeft, -1920);
    EXPECT_EQ(file.screen->virtualWidth, 3840);

    const WindowListFile older = parseWindowList(a.toText() + "\r\n");
    EXPECT_TRUE(older.complete && older.records.size() == 1 && !older.session && !older.screen);
    // A damaged line ends the windows; the trailer after it still tells whose they were.
    const WindowListFile damaged = parseWindowList(a.toText() + "\ngarbage\n" + a.toText() + "\n" +
                                                   text.substr(text.find("zelvane-window-list")));
    EXPECT_FALSE(damaged.complete);
    EXPECT_EQ(damaged.records.size(), 1u);
    EXPECT_TRUE(damaged.session);
}

TEST(WindowListFile, HandlesOfAnotherRunOfTheSystemAreNotOurs) {
    const SessionStamp then{7, 1'700'000'000, 3'600'000};
    struct Case {
        const char* what;
        SessionStamp now;
        bool same;
    };
    const Case cases[] = {
        {"later in the same run", {7, 1'700'000'000, 7'200'000}, true},
        {"the clock corrected by half a minute", {7, 1'700'000'030, 7'200'000}, true},
        {"rebooted: up for less time than then", {7, 1'700'003'700, 60'000}, false},
        {"rebooted and up longer than then", {7, 1'700'009'000, 3'700'000}, false},
        {"another logon of the same boot", {8, 1'700'000'000, 7'200'000}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(sameSystemRun(then, c.now), c.same) << c.what;
}

class RegistryTest : public ControllerTest {
protected:
    std::string listPath() const { return (dir / "_redume").u8string(); }
};

TEST_F(RegistryTest, ReleaseAllShowsEveryWindowEvenBeyondTheGrid) {
    settings.setWsRowNum(5);
    const auto home = desktop->add(100, 100, 300, 300);
    ctrl->switchWS(4, 0, kNoWindow);
    const auto farDown = desktop->add(200, 150, 300, 300);  // on row 4
    ctrl->switchWS(3, 0, kNoWindow);
    const auto nextDown = desktop->add(300, 250, 300, 300);  // on row 3
    ctrl->switchWS(0, 0, kNoWindow);
    settle();
    ASSERT_FALSE(visible(farDown));
    ASSERT_TRUE(std::filesystem::exists(ctrl->resumeFilePath()));

    settings.setWsRowNum(2);  // rows 3 and 4 are gone, their windows still hidden there
    ctrl->releaseAll();
    for (auto w : {home, farDown, nextDown}) EXPECT_TRUE(visible(w));
    EXPECT_EQ(rectOf(farDown), (Rect{200, 150, 500, 450}));
    EXPECT_EQ(rectOf(nextDown), (Rect{300, 250, 600, 550}));
    EXPECT_EQ(ctrl->currentRow(), 0);
    settle();
    EXPECT_FALSE(std::filesystem::exists(ctrl->resumeFilePath()));
}

TEST_F(RegistryTest, ReleaseAllDoesNotWaitForHungWindowsButTheyEndShown) {
    const auto hung = desktop->add(100, 100, 300, 300);
    ctrl->switchWS(0, 1, kNoWindow);
    settle();
    desktop->setHung(hung, true);
    ctrl->releaseAll();  // returns although the window's program does not answer
    EXPECT_FALSE(visible(hung));
    desktop->answer(hung);
    ASSERT_TRUE(desktop->waitFor(hung, [](const auto& w) { return w.visible && w.rect.left == 100; }));
}

TEST_F(RegistryTest, AfterACrashHiddenWindowsAreTakenBackButReusedHandlesAreLeftAlone) {
    switchTo(0, 1);
    const auto away = desktop->add(100, 100, 300, 300);  // lives on (0,1)
    const auto minimized = desktop->add(0, 0, 160, 30);
    desktop->edit(minimized, [](auto& w) { w.minimized = true; });
    const auto reused = desktop->add(500, 100, 300, 300);
    switchTo(0, 0);
    ASSERT_FALSE(visible(away));
    // The program dies here. Meanwhile the handle of `reused` comes to name
    // another window of another size, shown somewhere else.
    ctrl.reset();
    desktop->edit(reused, [](auto& w) {
        w.rect = {40, 40, 240, 140};
        w.visible = true;
    });
    const auto reusedCalls = desktop->get(reused).calls.size();

    ctrl = makeController();
    ASSERT_TRUE(ctrl->restoreWindowList());
    settle();
    EXPECT_FALSE(visible(away));
    EXPECT_EQ(ctrl->windows().count(minimized), 1u);
    EXPECT_EQ(ctrl->windows().count(reused), 0u);
    EXPECT_EQ(desktop->get(reused).calls.size(), reusedCalls);
    EXPECT_TRUE(visible(reused));

    switchTo(0, 1);
    EXPECT_TRUE(visible(away));
    EXPECT_EQ(rectOf(away), (Rect{100, 100, 400, 400}));
    EXPECT_EQ(rectOf(reused), (Rect{40 - 1280, 40, 240 - 1280, 140}));  // registered afresh, on (0,0)
}

// The screen is smaller at the next start (undocked, a remote session): the
// windows hidden before the crash no longer sit where the record says. A
// list that says which screen it was written on carries each window over
// onto the new screen on its own workspace, wholly on the screen; an older
// list, which does not, keeps the places and moves a window that now lies
// beyond the grid onto the nearest workspace of it. All come back.
TEST_F(RegistryTest, AfterACrashAndAScreenChangeHiddenWindowsStillComeBack) {
    struct Case {
        const char* what;
        bool olderList;  // written before the list recorded the screen
        int nearLeft, farLeft;
    };
    for (const Case c : {Case{"this list", false, 100, 980}, Case{"an older list", true, 740, 860}}) {
        ctrl.reset();
        desktop->screen = {1920, 1080, 0, 0, 1920, 1080};
        ctrl = makeController();
        switchTo(0, 0);
        switchTo(0, 1);
        const auto near = desktop->add(100, 100, 300, 300);   // plane x 2020
        const auto far = desktop->add(1500, 100, 300, 300);   // plane x 3420
        const auto resized = desktop->add(600, 500, 300, 300);
        switchTo(0, 0);
        ASSERT_FALSE(visible(near));
        ctrl.reset();  // the crash; nothing was shown again
        if (c.olderList) {
            std::string text = *readTextFile(listPath());
            text.erase(text.find("zelvane-window-list"));
            std::ofstream(listPath(), std::ios::binary | std::ios::trunc) << text;
        }
        desktop->edit(resized, [](auto& w) { w.rect.right += 100; });
        desktop->screen = {1280, 800, 0, 0, 1280, 800};

        ctrl = makeController();
        ASSERT_TRUE(ctrl->restoreWindowList()) << c.what;
        settle();
        for (auto w : {near, far, resized}) EXPECT_EQ(ctrl->windows().count(w), 1u) << c.what;
        EXPECT_FALSE(visible(far)) << c.what;
        switchTo(0, 1);
        for (auto w : {near, far, resized}) EXPECT_TRUE(visible(w)) << c.what;
        EXPECT_EQ(rectOf(near).left, c.nearLeft) << c.what;
        EXPECT_EQ(rectOf(far).left, c.farLeft) << c.what;
        EXPECT_EQ(rectOf(resized).right - rectOf(resized).left, 400) << c.what;
        ctrl->releaseAll();
        settle();
        for (auto w : {near, far, resized}) EXPECT_TRUE(visible(w)) << c.what;
        for (auto w : {near, far, resized}) desktop->close(w);
    }
}

// The list of where hidden windows must go should we crash follows every
// switch and is emptied by releaseAll, which does its work only once; a
// temporary file left by a crash mid-write is removed at the next start.
TEST_F(RegistryTest, RescueListReleaseOnceAndStaleTemporaryFiles) {
    const auto here = desktop->add(100, 100, 300, 300);
    switchTo(0, 1);
    const auto there = desktop->add(200, 200, 300, 300);
    switchTo(1, 1);
    ASSERT_EQ(desktop->rescue.size(), 2u);
    for (const auto& r : desktop->rescue) {
        ASSERT_TRUE(r.pos);
        EXPECT_EQ(r.pos->x, r.window == here ? 100 : 200);
    }
    ctrl->releaseAll();
    const int posted = desktop->posted;
    ctrl->releaseAll();  // the entry's guard calls it once more at exit
    EXPECT_EQ(desktop->posted, posted);
    EXPECT_TRUE(desktop->rescue.empty());
    EXPECT_TRUE(visible(there));

    const auto stale = ctrl->resumeFilePath() + ".tmp-12-3";
    std::ofstream(stale) << "half a list";
    ctrl->restoreWindowList();
    EXPECT_FALSE(std::filesystem::exists(stale));
}

// After a crash and a reboot every handle of the list names another window,
// or none: nothing is taken back, not even a hidden window of the new
// session that sits exactly where ours did. Within the same run a handle
// reused for a window of another class is not taken back either.
TEST_F(RegistryTest, AfterARebootOrForAnotherClassNothingIsTakenBack) {
    struct Case {
        const char* what;
        bool reboot;
        const char* classNow;
        bool takenBack;
    };
    const Case cases[] = {
        {"the same run, the same window", false, "Notepad", true},
        {"after a reboot", true, "Notepad", false},
        {"a reused handle of another class", false, "Other", false},
    };
    for (const Case& c : cases) {
        ctrl.reset();
        desktop->session = SessionStamp{7, 1'700'000'000, 3'600'000};
        ctrl = makeController();
        const auto w = desktop->add(100, 100, 300, 300, "Notepad");
        switchTo(0, 1);
        ASSERT_FALSE(visible(w)) << c.what;
        ctrl.reset();  // the crash
        if (c.reboot) desktop->session = SessionStamp{7, 1'700'004'000, 90'000};
        desktop->edit(w, [&](auto& win) { win.className = c.classNow; });

        ctrl = makeController();
        ctrl->restoreWindowList();
        settle();
        EXPECT_EQ(ctrl->windows().count(w), c.takenBack ? 1u : 0u) << c.what;
        ctrl->releaseAll();
        settle();
        EXPECT_EQ(visible(w), c.takenBack) << c.what;
        desktop->close(w);
    }
}

TEST_F(RegistryTest, ADamagedWindowListKeepsWhatCameBefore) {
    const auto w = desktop->add(100, 100, 300, 300);
    desktop->edit(w, [](auto& win) { win.visible = false; win.rect = {-1180, 100, -880, 400}; });
    std::ofstream(ctrl->resumeFilePath()) << w << ",0,1,100,400,100,400,0,10,10\n" << "garbage\n"
                                          << w + 1 << ",0,1,0,10,0,10,0,0,0\n";
    EXPECT_FALSE(ctrl->restoreWindowList());
    settle();
    EXPECT_TRUE(visible(w));
    EXPECT_EQ(ctrl->windows().size(), 1u);
}

TEST_F(RegistryTest, ExemptRuleAndExclusions) {
    EXPECT_EQ(ctrl->exemptReason("Progman", 0), ExemptReason::SystemClass);
    EXPECT_EQ(ctrl->exemptReason("progman", 0), ExemptReason::None);
    EXPECT_EQ(ctrl->exemptReason("WMP Skin Host", 0x96000000), ExemptReason::PlayerSkin);
    EXPECT_EQ(ctrl->exemptReason("WMP Skin Host", 0x86000000), ExemptReason::PlayerSkin);
    EXPECT_EQ(ctrl->exemptReason("WMP Skin Host", 0x96C00000), ExemptReason::None);

    EXPECT_TRUE(ctrl->addExclusion("Notepad"));
    EXPECT_FALSE(ctrl->addExclusion("Notepad"));
    EXPECT_FALSE(ctrl->addExclusion("Progman"));
    EXPECT_EQ(settings.values().exclusions, std::vector<std::string>{"Notepad"});
    EXPECT_EQ(ctrl->exemptReason("Notepad", 0), ExemptReason::Excluded);
    EXPECT_FALSE(ctrl->removeExclusion("Shell_TrayWnd"));
    EXPECT_TRUE(ctrl->removeExclusion("NeverListed"));
    EXPECT_TRUE(ctrl->removeExclusion("Notepad"));
    EXPECT_TRUE(settings.values().exclusions.empty());
}

TEST_F(RegistryTest, ExcludingAClassBringsItsHiddenWindowsBack) {
    const auto note = desktop->add(100, 100, 300, 300, "Notepad");
    const auto other = desktop->add(500, 100, 300, 300);
    switchTo(0, 1);
    ASSERT_FALSE(visible(note));
    ctrl->addExclusion("Notepad");
    settle();
    EXPECT_TRUE(visible(note));  // otherwise it would stay hidden for good
    EXPECT_EQ(rectOf(note), (Rect{100, 100, 400, 400}));
    switchTo(0, 0);
    switchTo(0, 1);
    EXPECT_TRUE(visible(note));
    EXPECT_FALSE(visible(other));
    ctrl->removeExclusion("Notepad");
    switchTo(0, 0);
    EXPECT_FALSE(visible(note));  // managed again, it now belongs to (0,1)
}

}  // namespace
}  // namespace zelvane::testing
