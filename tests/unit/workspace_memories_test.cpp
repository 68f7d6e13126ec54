// What a workspace remembers besides its windows comes back when a preview
// ends on it, as after a switch: its volume, its wallpaper and its taskbar
// order.
#include <gtest/gtest.h>

#include "controller_fixture.h"
#include "fake_memories.h"

namespace zelvane::testing {
namespace {

TEST_F(ControllerTest, APreviewEndingOnAnotherWorkspacePutsBackItsVolumeWallpaperAndTaskbarOrder) {
    auto volume = std::make_unique<FakeVolume>();
    FakeVolume* device = volume.get();
    auto taskbar = std::make_shared<FakeTaskbar>();
    taskbar->buttons = {5, 6};
    auto walls = std::make_shared<FakeWallpaperSystem>();
    ctrl->setMasterVolume(std::move(volume));
    ctrl->setTaskbar(taskbar);
    ctrl->wallpaper().setSystem(walls);
    settings.setKeepMixerControl(true);
    settings.setWallsType(1);
    const std::string a = (dir / "a.bmp").u8string(), b = (dir / "b.bmp").u8string();
    ASSERT_TRUE(replaceFileContents(a, "A"));
    ASSERT_TRUE(replaceFileContents(b, "B"));
    settings.setWallpaper(0, 0, a);
    settings.setWallpaper(0, 1, b);
    // (0,1) keeps 20, (0,0) 50.
    const auto noRestorePending = [&] {
        ctrl->cancelTrayRestore();
        ASSERT_TRUE(ctrl->waitTrayRestoresIdle(std::chrono::seconds(5)));
    };
    switchTo(0, 1);
    noRestorePending();
    device->levels["speakers"] = 20;
    switchTo(0, 0);
    noRestorePending();
    ASSERT_EQ(device->levels["speakers"], 50);
    ASSERT_EQ(ctrl->trayOrderOf(0, 1), (Buttons{5, 6}));
    const int readsBefore = taskbar->reads;

    const WindowId view = desktop->add(0, 0, 1280, 800, "ZelvaneViewClass");
    ASSERT_TRUE(ctrl->enterPreview());
    EXPECT_EQ(taskbar->reads, readsBefore + 1);  // the order of the workspace left, before windows show
    ctrl->beginPreview(view);
    ASSERT_TRUE(ctrl->endPreview(0, 1));
    settle();
    EXPECT_EQ(ctrl->currentCol(), 1);
    EXPECT_EQ(device->levels["speakers"], 20);
    EXPECT_EQ(ctrl->volumeOf(0, 0, "speakers"), 50);
    EXPECT_EQ(walls->shown.path, b);
    EXPECT_EQ(ctrl->pendingTrayRestores(), 1);

    // A preview that ends where it began: nothing is set, the order comes back all the same.
    noRestorePending();
    const int writes = device->writes;
    const std::size_t puts = walls->putsSoFar().size();
    ASSERT_TRUE(ctrl->enterPreview());
    ctrl->beginPreview(view);
    ASSERT_TRUE(ctrl->endPreview(-1, -1));
    EXPECT_EQ(device->writes, writes);
    EXPECT_EQ(walls->putsSoFar().size(), puts);
    EXPECT_EQ(ctrl->pendingTrayRestores(), 1);
}

}  // namespace
}  // namespace zelvane::testing
