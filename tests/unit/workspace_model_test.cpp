// The workspace model's plans, plain data in and out: a snapshot of the live
// windows goes in, the placements, the focus target and the rescue list come out.
#include "controller/workspace_model.h"

#include <gtest/gtest.h>

namespace zelvane {
namespace {

constexpr WindowId kShell = 1;

LiveWindow shown(WindowId id, int left, int top, bool inFlight = false) {
    LiveWindow w;
    w.id = id;
    w.visible = true;
    w.rect = Rect{left, top, left + 300, top + 200};
    w.inFlight = inFlight;
    w.described = true;
    w.className = "Notepad";
    return w;
}

LiveWindow sized(WindowId id, int left, int top, int width, int height, bool visible = true) {
    LiveWindow w = shown(id, left, top);
    w.rect = Rect{left, top, left + width, top + height};
    w.visible = visible;
    return w;
}

LiveWindow hidden(WindowId id, int left, int top) {
    LiveWindow w = shown(id, left, top);
    w.visible = false;
    return w;
}

Snapshot snapshotOf(std::vector<LiveWindow> windows, WindowId foreground = kNoWindow) {
    Snapshot s;
    s.windows = std::move(windows);
    s.foreground = foreground;
    s.shell = kShell;
    s.reindex();
    return s;
}

// A 2 x 2 grid of 1280 x 800 workspaces; the settings are a plain value.
struct Grid {
    Settings settings;
    WorkspaceModel model{settings, {"Shell_TrayWnd"}};
    Grid() { model.setMetrics(ScreenMetrics{1280, 800, 0, 0, 1280, 800}); }
};

// Registers the windows on workspace (row, col) of g's model: they are
// measured there, then (0, 0) becomes current and they are hidden.
void measureOn(Grid& g, std::int32_t row, std::int32_t col, std::vector<LiveWindow> windows) {
    g.model.planSwitch(snapshotOf({}), row, col, kNoWindow);
    g.model.planSwitch(snapshotOf(std::move(windows)), 0, 0, kNoWindow);
}

std::string text(const Plan& plan) {
    std::string out;
    for (const Placement& p : plan.placements) {
        out += std::to_string(p.window) + (p.show ? " show" : " hide");
        if (p.pos) out += " " + std::to_string(p.pos->x) + "," + std::to_string(p.pos->y);
        out += "; ";
    }
    return out;
}

// A rescue shows every window of its list: written like the placements.
std::string text(const std::vector<RescuePlacement>& rescue) {
    std::string out;
    for (const RescuePlacement& r : rescue) {
        out += std::to_string(r.window) + " show";
        if (r.pos) out += " " + std::to_string(r.pos->x) + "," + std::to_string(r.pos->y);
        out += "; ";
    }
    return out;
}

TEST(WorkspaceModelTest, SwitchPlans) {
    struct Case {
        const char* what;
        std::vector<LiveWindow> live;
        WindowId carried;
        std::string placements;
        WindowId focus;
        std::size_t rescued;
    };
    const Case cases[] = {
        {"windows leaving are hidden off the screen, the windows leaving first",
         {shown(10, 100, 100), shown(11, 700, 50)}, kNoWindow, "10 hide -1180,100; 11 hide -580,50; ", kShell, 2},
        {"a window reaching 10 pixels into the next workspace belongs to both",
         {shown(10, 990, 100)}, kNoWindow, "10 show -290,100; ", 10, 0},
        {"the carried window stays and gets no foreground change", {shown(10, 100, 100), shown(12, 300, 300)}, 12,
         "10 hide -1180,100; ", kNoWindow, 1},
        {"a tray window hidden by its program is left alone", {shown(10, 100, 100), hidden(13, 100, 100)}, kNoWindow,
         "10 hide -1180,100; ", kShell, 1},
    };
    for (const Case& c : cases) {
        Grid g;
        WorkspaceModel& m = g.model;
        const Plan plan = m.planSwitch(snapshotOf(c.live), 0, 1, c.carried);
        EXPECT_EQ(text(plan), c.placements) << c.what;
        EXPECT_EQ(plan.focus, c.focus) << c.what;
        EXPECT_EQ(plan.rescue.size(), c.rescued) << c.what;
    }
}

// Which windows are left alone, and why: our own (a message box of ours has
// a common class), the shell's, one the system keeps cloaked (only while it
// is), and one the system refused to let us place (from then on, once).
TEST(WorkspaceModelTest, WindowsLeftAloneAndWhy) {
    Grid g;
    WorkspaceModel& m = g.model;
    LiveWindow box = shown(20, 500, 300);
    box.className = "#32770";
    box.ours = true;
    LiveWindow cloaked = shown(21, 100, 100);
    cloaked.cloaked = true;
    LiveWindow tray = shown(22, 0, 760);
    tray.className = "Shell_TrayWnd";
    EXPECT_EQ(m.exemptReason(box), ExemptReason::OwnWindow);
    EXPECT_EQ(m.exemptReason(cloaked), ExemptReason::Cloaked);
    EXPECT_EQ(m.exemptReason(tray), ExemptReason::SystemClass);
    EXPECT_EQ(m.exemptReason(shown(23, 0, 0)), ExemptReason::None);

    const Plan away = m.planSwitch(snapshotOf({box, cloaked, tray, shown(23, 0, 0)}), 0, 1, kNoWindow);
    EXPECT_EQ(text(away), "23 hide -1280,0; ");
    m.includeClass("#32770");  // listing the class off again does not make our own window movable
    EXPECT_TRUE(m.find(20)->exempt);
    // Uncloaked, the window is measured where it shows and managed from then on.
    LiveWindow back = cloaked;
    back.cloaked = false;
    EXPECT_EQ(text(m.planSwitch(snapshotOf({box, back, tray, hidden(23, -1280, 0)}), 0, 0, kNoWindow)),
              "21 hide 1380,100; 23 show 0,0; ");

    // A window whose placement the system refused stays where it is, on
    // every workspace, and is named once.
    EXPECT_EQ(m.noteRefused({23, 99}), std::vector<WindowId>{23});
    EXPECT_EQ(m.find(23)->reason, ExemptReason::Refused);
    EXPECT_TRUE(m.noteRefused({23}).empty());
    EXPECT_EQ(text(m.planSwitch(snapshotOf({shown(23, 0, 0)}), 0, 1, kNoWindow)), "");
    EXPECT_TRUE(m.rescueList().empty());
}

// Coming back: a window already where it belongs gets no request, unless a
// request posted to it is still on its way (its live place is stale).
TEST(WorkspaceModelTest, SwitchingBackSkipsWindowsInPlaceButNotThoseInFlight) {
    Grid g;
    WorkspaceModel& m = g.model;
    m.planSwitch(snapshotOf({shown(10, 100, 100), shown(11, 700, 50)}, 10), 0, 1, kNoWindow);
    LiveWindow stale = hidden(11, -580, 50);
    stale.inFlight = true;
    LiveWindow inPlace = shown(10, 100, 100);  // its program showed it back itself
    const Plan back = m.planSwitch(snapshotOf({hidden(10, -1180, 100), stale}), 0, 0, kNoWindow);
    EXPECT_EQ(text(back), "10 show 100,100; 11 show 700,50; ");
    EXPECT_EQ(back.focus, 10u);  // remembered for (0, 0)
    EXPECT_TRUE(back.rescue.empty());
    EXPECT_EQ(text(m.planSwitch(snapshotOf({inPlace, shown(11, 700, 50)}), 0, 0, kNoWindow)), "");
}

TEST(WorkspaceModelTest, ReleaseDisplayChangeAndRestore) {
    Grid g;
    WorkspaceModel& m = g.model;
    g.settings.wsRowNum = g.settings.wsColNum = 3;
    m.planSwitch(snapshotOf({shown(10, 100, 100)}), 2, 2, kNoWindow);  // 10 lives on (0, 0)
    m.planSwitch(snapshotOf({hidden(10, -2460, -1500), shown(11, 200, 150)}), 0, 0, kNoWindow);  // 11 on (2, 2)
    g.settings.wsRowNum = g.settings.wsColNum = 2;  // (2, 2) is past the grid now: the release still shows 11
    const Plan release = m.planRelease(snapshotOf({shown(10, 100, 100), hidden(11, 2760, 1750)}));
    EXPECT_EQ(text(release), "11 show 200,150; ");
    EXPECT_TRUE(release.rescue.empty());
    EXPECT_TRUE(m.planRelease(snapshotOf({})).placements.empty());  // once

    // The screen grows: a window we hid keeps its workspace and its place
    // inside it on the larger cells (it only moves to where it now hides);
    // one its own program hid is left alone.
    Grid dg;
    WorkspaceModel& d = dg.model;
    d.planSwitch(snapshotOf({shown(12, 300, 300)}), 0, 1, kNoWindow);  // 12 lives on (0, 0)
    d.planSwitch(snapshotOf({hidden(12, -980, 300), shown(10, 100, 100)}), 0, 0, kNoWindow);  // 10 on (0, 1)
    const Plan grown = d.planDisplayChange(snapshotOf({hidden(10, -1180, 100), hidden(12, 300, 300)}),
                                           ScreenMetrics{2560, 800, 0, 0, 2560, 800});
    EXPECT_EQ(text(grown), "10 hide 2660,100; ");

    // After a crash: a window still hidden where we left it is taken back
    // (and needs no request), a reused handle that now names a visible
    // window elsewhere is not.
    Grid rg;
    WorkspaceModel& r = rg.model;
    WndInfo ours, reused;
    for (WndInfo* w : {&ours, &reused}) {
        w->managed = true;
        w->left = 1380;
        w->right = 1680;
        w->top = 100;
        w->bottom = 300;
    }
    ours.hwnd = 10;
    reused.hwnd = 11;
    const Plan restored = r.planRestore({ours, reused}, std::nullopt, snapshotOf({hidden(10, 1380, 100), shown(11, 5, 5)}));
    EXPECT_EQ(text(restored), "");
    EXPECT_EQ(r.windows().count(11), 0u);
    ASSERT_EQ(restored.rescue.size(), 1u);
    EXPECT_EQ(restored.rescue[0].pos->x, 100);
}

// A clean exit, and a crash rescue alike, bring each window of another
// workspace to its home position: its own workspace is the one that holds
// the larger part of it (not the cell beyond an edge it overhangs), and it
// comes wholly onto the screen where it fits. A window of the current
// workspace stays where the user sees it.
TEST(WorkspaceModelTest, ReleaseAndRescueBringEachWindowToItsHomePosition) {
    struct Case {
        const char* what;
        std::int32_t row, col;  // where the window lives; (0, 0) is current
        LiveWindow window;      // as measured there
        std::string released;   // the release's placement
    };
    const Case cases[] = {
        {"overhanging the right and bottom edges", 0, 1, sized(10, 700, 400, 760, 570), "10 show 520,230; "},
        {"overhanging the right edge, as much in both cells", 1, 0, sized(10, 900, 50, 760, 570), "10 show 520,50; "},
        {"overhanging the left edge, mostly in its own cell", 1, 1, sized(10, -100, 50, 400, 300), "10 show 0,50; "},
        {"wider than the screen: its left edge on it", 0, 1, sized(10, 200, 100, 1500, 300), "10 show 0,100; "},
        {"on the current workspace, overhanging", 0, 0, sized(10, 1100, 700, 400, 300), ""},
    };
    for (const Case& c : cases) {
        Grid g;
        measureOn(g, c.row, c.col, {c.window});
        // A crash now would send it where the release does.
        EXPECT_EQ(text(g.model.rescueList()), c.released) << c.what;
        LiveWindow live = c.window;
        live.visible = c.row == 0 && c.col == 0;
        EXPECT_EQ(text(g.model.planRelease(snapshotOf({live}))), c.released) << c.what;
    }
}

// The grid shrinks from 3 x 3 to 2 x 2 while (2, 0) is current: a window of
// a removed row or column moves onto the nearest workspace that remains,
// keeping its place inside it; one that starts on a column that stays (and
// only overhangs into the removed one) keeps its workspace; the current
// workspace gives way to the nearest one, and its window comes along.
TEST(WorkspaceModelTest, ShrinkingTheGridKeepsEveryWindowWithinReach) {
    Grid g;
    WorkspaceModel& m = g.model;
    g.settings.wsRowNum = g.settings.wsColNum = 3;
    m.planSwitch(snapshotOf({}), 2, 2, kNoWindow);
    m.planSwitch(snapshotOf({shown(10, 300, 200)}), 0, 1, kNoWindow);                           // 10 on (2, 2)
    m.planSwitch(snapshotOf({hidden(10, 300, 200), sized(11, 1000, 100, 600, 200)}), 2, 0, kNoWindow);  // 11 on (0, 1)
    m.planSwitch(snapshotOf({hidden(10, 2860, 200), hidden(11, 2280, -1500), shown(12, 100, 100)}), 2, 0,
                 kNoWindow);  // 12 on (2, 0)
    g.settings.wsRowNum = g.settings.wsColNum = 2;
    const Plan plan =
        m.planGridChange(snapshotOf({hidden(10, 2860, 200), sized(11, 2280, -1500, 600, 200, false), shown(12, 100, 100)}));
    EXPECT_EQ(m.currentRow(), 1);
    EXPECT_EQ(m.currentCol(), 0);
    EXPECT_EQ(text(plan), "10 hide 1580,200; 11 hide 2280,-700; ");
    EXPECT_EQ(plan.focus, 12u);
    EXPECT_EQ(m.find(10)->left, 1280 + 300);
    EXPECT_EQ(m.find(12)->top, 800 + 100);
    // Nothing else moves at a later change.
    EXPECT_EQ(text(m.planGridChange(snapshotOf({hidden(10, 1580, 200), sized(11, 2280, -700, 600, 200, false),
                                                 shown(12, 100, 100)}))),
              "");
}

TEST(WorkspaceModelTest, ThePreviewShowsOtherWorkspacesAndEndsWhereTheUserDroppedWindows) {
    constexpr WindowId kView = 99;
    Grid g;
    WorkspaceModel& m = g.model;
    m.planSwitch(snapshotOf({shown(10, 100, 100)}), 0, 1, kNoWindow);  // 10 on (0, 0), hidden
    LiveWindow topmost = shown(11, 500, 500);
    topmost.exStyle = 0x8;
    LiveWindow cloaked = shown(12, 50, 50);
    cloaked.cloaked = true;
    const PreviewPlan begin = m.planPreviewBegin(snapshotOf({hidden(10, -1180, 100), topmost, cloaked}), kView);
    EXPECT_EQ(text(begin), "10 show; 11 show 1280,800; ");
    ASSERT_EQ(begin.shown.size(), 2u);
    EXPECT_TRUE(begin.shown[1].topmost);
    // A crash during the preview (or a slide, which begins one) shows the
    // window of the other workspace at home and puts the topmost one back.
    EXPECT_EQ(text(begin.rescue), "10 show 100,100; 11 show 500,500; ");

    // 10 is dragged one workspace down: it lands on (1, 0), hidden.
    ASSERT_TRUE(m.moveRecord(10, 0, 800));
    const Plan end = m.planPreviewEnd(snapshotOf({shown(10, -1180, 100), shown(11, 1280, 800), cloaked}), -1, -1);
    EXPECT_EQ(text(end), "10 hide -1180,900; 11 show 500,500; ");
    EXPECT_EQ(text(end.rescue), "10 show 100,100; ");
}

}  // namespace
}  // namespace zelvane
