// Many switches in quick succession, plain and carrying a window: afterwards
// every window must be on its own workspace at its exact rectangle, visible
// exactly when its workspace is current.
#include "fixture.h"

#include <cstdio>

namespace e2e {
namespace {

class StressTest : public ZelvaneTest {
protected:
    void TearDown() override {
        setKeyPacing(savedPacing_);
        ZelvaneTest::TearDown();
    }
    DWORD savedPacing_ = keyPacing();
};

TEST_F(StressTest, TwentySwitchesASecondForTenSecondsKeepEveryWindowInPlace) {
    openOnEveryWorkspace(2);
    ZelvaneProcess* z = startZelvane();
    ASSERT_NE(nullptr, z);

    // Every switch is a whole chord (modifiers down, key down and up,
    // modifiers up) with 8 ms after each event: about 50 ms a switch, 20 a
    // second. Holding the modifiers across switches is no option under Wine:
    // when a switch hides the foreground window Wine may forget modifiers
    // that are held down (see docs/wine.md).
    setKeyPacing(8);
    std::uint32_t seed = 20240611;
    auto random = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7fff;
    };

    Workspace ws{};
    int switches = 0;
    const double start = nowMs();
    // Four bursts of 50 switches: plain, carrying, plain, carrying.
    for (int burst = 0; burst < 4; ++burst) {
        const bool carrying = burst % 2 == 1;
        Tracked* carried = nullptr;
        if (carrying) {
            // The foreground window is what gets carried, so it must be
            // settled before the burst starts.
            ASSERT_SETTLED(ws);
            // Zelvane hands the foreground on after the last plain switch,
            // once that switch's window is shown: let it finish first.
            HWND foreground = GetForegroundWindow();
            double calmSince = nowMs();
            pollUntil(
                [&] {
                    const HWND now = GetForegroundWindow();
                    if (now != foreground) {
                        foreground = now;
                        calmSince = nowMs();
                    }
                    return nowMs() - calmSince > 700;
                },
                5s);
            for (Tracked* t : layout.all())
                if (t->home == ws) carried = t;
            ASSERT_NE(nullptr, carried);
            ASSERT_TRUE(activate(carried));
        }
        const std::vector<WORD> modifiers =
            carrying ? std::vector<WORD>{kAlt, kWin} : std::vector<WORD>{kAlt, kShift};
        for (int i = 0; i < 50; ++i) {
            // On a 2 x 2 grid one horizontal and one vertical step lead
            // somewhere from every workspace: every tap is a real switch.
            WORD key = random() % 2 ? (ws.col == 0 ? VK_RIGHT : VK_LEFT)
                                    : (ws.row == 0 ? VK_DOWN : VK_UP);
            {
                HeldModifiers chord(modifiers);
                ASSERT_TRUE(chord.tap(key));
            }
            ws = grid.step(ws, key);
            if (carried) layout.moveHome(carried, ws);
            ++switches;
        }
    }
    const double pressing = (nowMs() - start) / 1000.0;
    std::printf("  %d switches pressed in %.1f s (bursts of 50, settled before each carrying burst)\n",
                switches, pressing);

    const std::string misplaced = layout.waitFor(ws, 120s);
    ASSERT_TRUE(misplaced.empty()) << misplaced;

    PostMessageW(z->mainWindow(), WM_CLOSE, 0, 0);
    const std::string notReleased = layout.waitAllReleased();
    EXPECT_TRUE(notReleased.empty()) << notReleased;
}

}  // namespace
}  // namespace e2e
