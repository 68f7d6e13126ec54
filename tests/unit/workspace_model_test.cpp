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

std::string text(const Plan& plan) {
    std::string out;
    for (const Placement& p : plan.placements) {
        out += std::to_string(p.window) + (p.show ? " show" : " hide");
        if (p.pos) out += " " + std::to_string(p.pos->x) + "," + std::to_string(p.pos->y);
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

    // The screen grows: a window we hid that now falls on the current
    // workspace comes back; one its own program hid stays hidden.
    Grid dg;
    WorkspaceModel& d = dg.model;
    d.planSwitch(snapshotOf({shown(12, 300, 300)}), 0, 1, kNoWindow);  // 12 lives on (0, 0)
    d.planSwitch(snapshotOf({hidden(12, -980, 300), shown(10, 100, 100)}), 0, 0, kNoWindow);  // 10 on (0, 1)
    const Plan grown = d.planDisplayChange(snapshotOf({hidden(10, -1180, 100), hidden(12, 300, 300)}),
                                           ScreenMetrics{2560, 800, 0, 0, 2560, 800});
    EXPECT_EQ(text(grown), "10 show 1380,100; ");

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
    const Plan restored = r.planRestore({ours, reused}, snapshotOf({hidden(10, 1380, 100), shown(11, 5, 5)}));
    EXPECT_EQ(text(restored), "");
    EXPECT_EQ(r.windows().count(11), 0u);
    ASSERT_EQ(restored.rescue.size(), 1u);
    EXPECT_EQ(restored.rescue[0].pos->x, 100);
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

    // 10 is dragged one workspace down: it lands on (1, 0), hidden.
    ASSERT_TRUE(m.moveRecord(10, 0, 800));
    const Plan end = m.planPreviewEnd(snapshotOf({shown(10, -1180, 100), shown(11, 1280, 800), cloaked}), -1, -1);
    EXPECT_EQ(text(end), "10 hide -1180,900; 11 show 500,500; ");
}

}  // namespace
}  // namespace zelvane
