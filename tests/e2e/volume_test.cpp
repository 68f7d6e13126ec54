// The master volume under Wine, through the program's own audio code in this
// process, and Zelvane switching with the per-workspace volume on.
#include <fstream>

#include "controller/volume_keeper.h"
#include "coreaudio/master_volume.h"
#include "fixture.h"

namespace e2e {
namespace {

using zelvane::VolumeKeeper;

// Without a sound server Wine has COM and the device enumerator but no
// playback endpoint, and no legacy mixer: the "no device" path, for real.
// Where a device exists, each workspace gets its volume back.
TEST(EndpointVolumeTest, EachWorkspaceGetsItsVolumeBackOrNothingIsRecordedWithoutADevice) {
    auto endpoint = zelvane::audio::openEndpointVolume();
    ASSERT_NE(nullptr, endpoint) << "COM could not be initialised";
    VolumeKeeper keeper;
    const auto before = endpoint->read();
    if (!before) {
        EXPECT_FALSE(endpoint->reopen());
        EXPECT_FALSE(endpoint->write(30));
        EXPECT_FALSE(keeper.switchVolume(endpoint.get(), 0, 0, 0, 1));
        EXPECT_EQ(VolumeKeeper::kNothingRecorded, keeper.volumeOf(0, 0));
        auto mixer = zelvane::audio::openLegacyMixerVolume();
        if (!mixer->reopen()) {
            EXPECT_FALSE(mixer->read());
        }
        return;
    }
    ASSERT_TRUE(endpoint->write(50));
    ASSERT_TRUE(keeper.switchVolume(endpoint.get(), 0, 0, 0, 1));
    ASSERT_TRUE(endpoint->write(20));
    ASSERT_TRUE(keeper.switchVolume(endpoint.get(), 0, 1, 0, 0));
    EXPECT_EQ(std::optional<int>(50), endpoint->read());
    ASSERT_TRUE(keeper.switchVolume(endpoint.get(), 0, 0, 0, 1));
    EXPECT_EQ(std::optional<int>(20), endpoint->read());
    endpoint->write(*before);
}

class VolumeSwitchTest : public ZelvaneTest {};

TEST_F(VolumeSwitchTest, SwitchesAreUnaffectedWithPerWorkspaceVolumeOn) {
    const std::wstring home = ZelvaneProcess::freshHome(L"volume");
    std::ofstream((L"C:" + home + L"\\.zlvrc").c_str(), std::ios::binary) << "keepMixerControl=1\n";
    openOnEveryWorkspace(1);
    ZelvaneProcess* z = startZelvane(home);
    ASSERT_NE(nullptr, z);
    Workspace ws = press({}, VK_RIGHT);
    ASSERT_SETTLED(ws);
    ws = press(ws, VK_DOWN);
    ASSERT_SETTLED(ws);
    ws = press(ws, VK_LEFT);
    ASSERT_SETTLED(ws);
    ASSERT_TRUE(z->running());
}

}  // namespace
}  // namespace e2e
