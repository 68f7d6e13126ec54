// The per-workspace volume: the conversions to and from the audio
// interfaces' values, and the keeper against a fake device.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <string>

#include "controller/volume_keeper.h"
#include "controller/volume_math.h"
#include "controller_fixture.h"
#include "fake_memories.h"

namespace zelvane::testing {
namespace {

TEST(VolumeMath, MixerValuesAndBounds) {
    EXPECT_EQ(mixerPercent(32768, 0, 65535), 50);
    EXPECT_EQ(mixerValue(50, 0, 65535), 32767u);
    EXPECT_EQ(mixerPercent(0, 0, 65535), 0);
    EXPECT_EQ(mixerPercent(65535, 0, 65535), 100);
    EXPECT_EQ(mixerValue(100, 0, 65535), 65535u);
    EXPECT_EQ(mixerValue(0, 100, 200), 100u);
    // A value outside the bounds counts as the nearer bound instead of wrapping.
    EXPECT_EQ(mixerPercent(50, 100, 200), 0);
    EXPECT_EQ(mixerPercent(300, 100, 200), 100);
    // Percentages outside 0..100 are clamped.
    EXPECT_EQ(mixerValue(-5, 0, 1000), 0u);
    EXPECT_EQ(mixerValue(250, 0, 1000), 1000u);
    // No range: nothing, rather than a division by zero.
    EXPECT_EQ(mixerPercent(5, 7, 7), std::nullopt);
    EXPECT_EQ(mixerValue(50, 9, 3), std::nullopt);
    // (max - min) * 100 does not fit in 32 bits here.
    EXPECT_EQ(mixerPercent(0xFFFFFFFFu, 0, 0xFFFFFFFFu), 100);
    EXPECT_EQ(mixerPercent(0x80000000u, 0, 0xFFFFFFFFu), 50);
    EXPECT_EQ(mixerValue(50, 0, 0xFFFFFFFFu), 0x7FFFFFFFu);
}

TEST(VolumeMath, EndpointScalar) {
    EXPECT_EQ(scalarPercent(0.5f), 50);
    EXPECT_EQ(scalarPercent(0.494f), 49);
    EXPECT_EQ(scalarPercent(0.996f), 100);
    EXPECT_EQ(scalarPercent(1.5f), 100);
    EXPECT_EQ(scalarPercent(-0.2f), 0);
    EXPECT_EQ(scalarPercent(std::numeric_limits<float>::quiet_NaN()), std::nullopt);
    EXPECT_FLOAT_EQ(percentScalar(20), 0.2f);
    EXPECT_FLOAT_EQ(percentScalar(140), 1.0f);
    for (int p = 0; p <= 100; ++p) EXPECT_EQ(scalarPercent(percentScalar(p)), p);
}

TEST(VolumeKeeper, EachWorkspaceGetsItsVolumeBack) {
    VolumeKeeper keeper;
    FakeVolume device;
    EXPECT_TRUE(keeper.switchVolume(&device, 0, 0, 0, 1));  // first visit: nothing set
    EXPECT_EQ(keeper.volumeOf(0, 0, "speakers"), 50);
    EXPECT_EQ(keeper.volumeOf(0, 1, "speakers"), VolumeKeeper::kNothingRecorded);
    EXPECT_EQ(device.writes, 0);
    device.levels["speakers"] = 20;
    EXPECT_TRUE(keeper.switchVolume(&device, 0, 1, 0, 0));
    EXPECT_EQ(device.levels["speakers"], 50);
    EXPECT_TRUE(keeper.switchVolume(&device, 0, 0, 0, 1));
    EXPECT_EQ(device.levels["speakers"], 20);
    EXPECT_FALSE(keeper.switchVolume(&device, 0, 0, 5, 1));
    EXPECT_FALSE(keeper.switchVolume(&device, -1, 0, 0, 1));
    EXPECT_FALSE(keeper.switchVolume(nullptr, 0, 0, 0, 1));
}

// The user plugs a headset in and makes it the default while the speakers
// stay, then takes it away again. Each step: the default device, a volume
// the user sets on it first, the switch (from column, to column; -1: none),
// and the volumes of both devices after it.
TEST(VolumeKeeper, LevelsAreKeptPerDeviceAndFollowTheDefaultDevice) {
    VolumeKeeper keeper;
    FakeVolume devices;
    devices.levels["headset"] = 80;
    const struct {
        const char* what;
        const char* defaultDevice;
        int setNow;
        int fromCol, toCol;
        int speakersAfter, headsetAfter;
    } steps[] = {
        {"speakers at 50, to the second workspace", "speakers", -1, 0, 1, 50, 80},
        {"turned down to 20 there", "speakers", 20, 1, -1, 20, 80},
        {"headset made the default: the first has no level on it", "headset", -1, 1, 0, 20, 80},
        {"headset down to 30 on the first, to the second", "headset", 30, 0, 1, 20, 80},
        {"back to the first: its headset level", "headset", -1, 1, 0, 20, 30},
        {"headset gone: no headset level goes onto the speakers", "speakers", -1, 0, 1, 20, 30},
        {"speakers at 60 there, back to the first", "speakers", 60, 1, 0, 20, 30},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        devices.defaultDevice = s.defaultDevice;
        if (s.setNow >= 0) devices.levels[s.defaultDevice] = s.setNow;
        if (s.toCol >= 0) {
            EXPECT_TRUE(keeper.switchVolume(&devices, 0, s.fromCol, 0, s.toCol));
        }
        EXPECT_EQ(devices.levels["speakers"], s.speakersAfter);
        EXPECT_EQ(devices.levels["headset"], s.headsetAfter);
    }
    EXPECT_EQ(keeper.volumeOf(0, 1, "headset"), 80);
    EXPECT_EQ(keeper.volumeOf(0, 1, "speakers"), 60);
}

TEST(VolumeKeeper, AFailedCallTakesTheDeviceAgainOnceAndNeverSetsAnotherDevice) {
    VolumeKeeper keeper;
    FakeVolume device;
    keeper.switchVolume(&device, 0, 0, 0, 1);
    device.levels["speakers"] = 70;
    // The reference went stale: taken again once, then read.
    device.broken = true;
    EXPECT_TRUE(keeper.switchVolume(&device, 0, 1, 0, 0));
    EXPECT_EQ(device.reopens, 1);
    EXPECT_EQ(keeper.volumeOf(0, 1, "speakers"), 70);
    EXPECT_EQ(device.levels["speakers"], 50);
    // No device at all: the records stay, nothing is set, one try each time.
    device.broken = true;
    device.reopenMends = false;
    EXPECT_FALSE(keeper.switchVolume(&device, 0, 0, 0, 1));
    EXPECT_EQ(device.reopens, 2);
    EXPECT_EQ(keeper.volumeOf(0, 0, "speakers"), 50);
    EXPECT_EQ(keeper.volumeOf(0, 1, "speakers"), 70);
}

// A device that refuses the write because another one took over between
// the read and the write: the new default keeps its own volume.
class DeviceChangingOnWrite : public FakeVolume {
public:
    bool write(const std::string& device, int percent) override {
        defaultDevice = "headset";
        return FakeVolume::write(device, percent);
    }
};

TEST(VolumeKeeper, ADefaultDeviceChangingDuringTheSwitchKeepsItsOwnVolume) {
    VolumeKeeper keeper;
    DeviceChangingOnWrite devices;
    devices.levels["headset"] = 80;
    keeper.switchVolume(&devices, 0, 0, 0, 1);
    devices.levels["speakers"] = 20;
    EXPECT_FALSE(keeper.switchVolume(&devices, 0, 1, 0, 0));
    EXPECT_EQ(devices.levels["headset"], 80);
    EXPECT_EQ(devices.levels["speakers"], 20);
}

TEST_F(ControllerTest, VolumeIsKeptOnlyWithItsSettingAndASwitchSetsIt) {
    auto owned = std::make_unique<FakeVolume>();
    FakeVolume* device = owned.get();
    ctrl->setMasterVolume(std::move(owned));
    switchTo(0, 1);
    switchTo(0, 0);
    EXPECT_EQ(device->reads, 0);
    EXPECT_EQ(ctrl->volumeOf(0, 0, "speakers"), VolumeKeeper::kNothingRecorded);

    settings.setKeepMixerControl(true);
    switchTo(0, 1);
    EXPECT_EQ(ctrl->volumeOf(0, 0, "speakers"), 50);
    device->levels["speakers"] = 20;
    switchTo(0, 0);
    EXPECT_EQ(device->levels["speakers"], 50);
    switchTo(0, 1);
    EXPECT_EQ(device->levels["speakers"], 20);
}

}  // namespace
}  // namespace zelvane::testing
