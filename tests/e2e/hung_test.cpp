// Windows whose program stops answering: a switch must place the responsive
// windows without waiting for them, and the hung ones must catch up with the
// last switch (or the exit) once they answer again.
//
// Hung windows are opened last so that they are on top of the Z order: a
// program that walked the windows top-down and waited for each would block
// on them before it reached any responsive one.
#include "fixture.h"

namespace e2e {
namespace {

class HungWindowTest : public ZelvaneTest {
protected:
    ::testing::AssertionResult hangAll(const std::vector<Tracked*>& which) {
        for (Tracked* t : which)
            if (!t->window->hang()) return ::testing::AssertionFailure() << t->name << " did not hang";
        return ::testing::AssertionSuccess();
    }
    ::testing::AssertionResult stillHung(const std::vector<Tracked*>& which) {
        for (Tracked* t : which)
            if (t->window->answers(50ms))
                return ::testing::AssertionFailure() << t->name << " answers although hung";
        return ::testing::AssertionSuccess();
    }
    void releaseAll(const std::vector<Tracked*>& which) {
        for (Tracked* t : which) t->window->release();
    }
};

TEST_F(HungWindowTest, SwitchPlacesResponsiveWindowsWhileOthersHang) {
    openOn({0, 0}, "a1", 0);
    openOn({0, 0}, "a2", 1);
    openOn({0, 1}, "b1", 2);
    openOn({1, 0}, "c1", 3);
    std::vector<Tracked*> hung = {openOn({0, 0}, "hung-a", 4), openOn({0, 0}, "hung-b", 5),
                                  openOn({0, 1}, "hung-c", 6)};
    ASSERT_NE(nullptr, startZelvane());
    ASSERT_TRUE(hangAll(hung));

    Workspace ws = press({}, VK_RIGHT);
    std::string misplaced = layout.waitFor(layout.except(hung), ws);
    ASSERT_TRUE(misplaced.empty()) << "responsive windows, while three others hang: " << misplaced << zelvaneStatus();
    ASSERT_TRUE(stillHung(hung));

    releaseAll(hung);
    ASSERT_SETTLED(ws);
}

TEST_F(HungWindowTest, HungWindowsEndInTheStateOfTheLastSwitch) {
    openOn({0, 0}, "a1", 0);
    openOn({0, 1}, "b1", 1);
    openOn({1, 0}, "c1", 2);
    std::vector<Tracked*> hung = {openOn({0, 0}, "hung-a", 3), openOn({0, 1}, "hung-b", 4),
                                  openOn({1, 1}, "hung-d", 5)};
    ASSERT_NE(nullptr, startZelvane());
    // One switch first, so every window has been placed once before hanging.
    Workspace ws = press({}, VK_RIGHT);
    ASSERT_SETTLED(ws);
    ASSERT_TRUE(hangAll(hung));

    // Several switches while they hang; each one places the responsive
    // windows, and the hung ones must end up where the last one says.
    for (WORD key : {VK_LEFT, VK_DOWN, VK_RIGHT}) {
        ws = press(ws, key);
        std::string misplaced = layout.waitFor(layout.except(hung), ws);
        ASSERT_TRUE(misplaced.empty()) << misplaced << zelvaneStatus();
    }
    ASSERT_EQ((Workspace{1, 1}), ws);
    ASSERT_TRUE(stillHung(hung));

    releaseAll(hung);
    ASSERT_SETTLED(ws);
    // And they are managed normally afterwards.
    ws = press(ws, VK_UP);
    ASSERT_SETTLED(ws);
}

TEST_F(HungWindowTest, ExitShowsHungWindowsOnceTheyAnswer) {
    openOn({0, 0}, "a1", 0);
    Tracked* b1 = openOn({0, 1}, "b1", 1);
    Tracked* hungWindow = openOn({0, 1}, "hung-b", 2);
    ZelvaneProcess* z = startZelvane();
    ASSERT_NE(nullptr, z);
    Workspace ws = press({}, VK_RIGHT);
    ASSERT_SETTLED(ws);
    ws = press(ws, VK_LEFT);
    ASSERT_SETTLED(ws);  // b1 and hung-b hidden, one workspace to the right
    ASSERT_TRUE(hangAll({hungWindow}));

    PostMessageW(z->mainWindow(), WM_CLOSE, 0, 0);
    // The responsive hidden window comes back without waiting for the hung one.
    std::string misplaced = layout.waitReleased({b1});
    ASSERT_TRUE(misplaced.empty()) << "b1 after WM_CLOSE: " << misplaced << zelvaneStatus();
    ASSERT_TRUE(stillHung({hungWindow}));

    releaseAll({hungWindow});
    misplaced = layout.waitAllReleased();
    EXPECT_TRUE(misplaced.empty()) << misplaced;
    EXPECT_TRUE(z->waitExit(30s)) << "Zelvane still runs 30 s after WM_CLOSE";
}

}  // namespace
}  // namespace e2e
