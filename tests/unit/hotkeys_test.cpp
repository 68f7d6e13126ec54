#include "app/hotkeys.h"

#include <gtest/gtest.h>

#include "controller/switch_request.h"

namespace zelvane {
namespace {

using Action = HotkeyCommand::Action;

TEST(HotkeyTargets, DirectionsStopAtTheEdgeUnlessLooping) {
    GridState g{1, 3, 0, 2, false};
    EXPECT_EQ(hotkeyCommand(kHotkeyRight, g).action, Action::None);
    g.loop = true;
    auto c = hotkeyCommand(kHotkeyRight, g);
    EXPECT_EQ(c.action, Action::Switch);
    EXPECT_EQ(c.col, 0);
    EXPECT_FALSE(c.carryForeground);
    // One column with looping: left and right lead to the current workspace.
    c = hotkeyCommand(kHotkeyLeft, GridState{2, 1, 1, 0, true});
    EXPECT_EQ(c.action, Action::Switch);
    EXPECT_EQ(c.row, 1);
    EXPECT_EQ(c.col, 0);
    c = hotkeyCommand(kHotkeyCarryDown, GridState{3, 3, 1, 1, false});
    EXPECT_EQ(c.row, 2);
    EXPECT_TRUE(c.carryForeground);
    EXPECT_EQ(hotkeyCommand(kHotkeyUp, GridState{3, 3, 0, 1, false}).action, Action::None);
}

TEST(HotkeyTargets, DigitsCountRowByRowWithinTheGrid) {
    const GridState g{2, 2, 0, 0, false};
    auto c = hotkeyCommand(kHotkeyJumpFirst + 2, g);  // digit 3
    EXPECT_EQ(c.action, Action::Switch);
    EXPECT_EQ(c.row, 1);
    EXPECT_EQ(c.col, 0);
    for (int digit = 5; digit <= 9; ++digit)
        EXPECT_EQ(hotkeyCommand(kHotkeyJumpFirst + digit - 1, g).action, Action::None) << digit;
    EXPECT_EQ(hotkeyCommand(kHotkeyJumpFirst, g).action, Action::None);  // the current one
    c = hotkeyCommand(kHotkeyCarryJumpFirst + 3, g);
    EXPECT_TRUE(c.carryForeground);
    EXPECT_EQ(c.row, 1);
    EXPECT_EQ(c.col, 1);
    EXPECT_EQ(hotkeyCommand(kHotkeyPreview, g).action, Action::OpenPreview);
    EXPECT_EQ(hotkeyCommand(100000, g).action, Action::None);
    EXPECT_EQ(hotkeyCommand(100028, g).action, Action::None);
}

TEST(HotkeyBindings, OrderModifiersAndKeys) {
    const auto list = hotkeyBindings(5, 9, "emacs");
    ASSERT_EQ(list.size(), 27u);
    EXPECT_EQ(list[0].id, kHotkeyPreview);
    EXPECT_EQ(list[0].key, 0x20u);
    EXPECT_EQ(list[1].key, static_cast<std::uint32_t>('B'));
    EXPECT_EQ(list[5].modifiers, 9);
    EXPECT_EQ(list[5].key, static_cast<std::uint32_t>('B'));
    EXPECT_EQ(list[9].id, kHotkeyJumpFirst);
    EXPECT_EQ(list[9].key, 0x31u);
    EXPECT_EQ(list[26].id, kHotkeyCarryJumpFirst + 8);
    EXPECT_EQ(list[26].modifiers, 9);
    EXPECT_EQ(directionKeys("VI").left, 0x25u);  // only the exact word picks letters
    EXPECT_EQ(directionKeys("vi").down, static_cast<std::uint32_t>('J'));
}

TEST(SwitchRequest, CarriesItsWorkspaceAndRejectsForeignValues) {
    const auto ws = unpackWorkspace(packWorkspace({1, 4}), 2, 5);
    ASSERT_TRUE(ws);
    EXPECT_EQ(ws->row, 1);
    EXPECT_EQ(ws->col, 4);
    EXPECT_FALSE(unpackWorkspace(packWorkspace({2, 0}), 2, 2));
    EXPECT_FALSE(unpackWorkspace(0xDEADBEEF, 5, 5));
}

}  // namespace
}  // namespace zelvane
