// The per-workspace volume: the conversions to and from the audio
// interfaces' values, and the keeper against a fake device.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "controller/volume_keeper.h"
#include "controller/volume_math.h"
#include "controller_fixture.h"

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

// A device whose volume is a number; it can fail, and taking it again can
// mend it (a new default device) or not (no device at all).
class FakeVolume : public MasterVolume {
public:
    std::optional<int> read() override {
        ++reads;
        if (broken) return std::nullopt;
        return level;
    }
    bool write(int percent) override {
        if (broken) return false;
        level = percent;
        ++writes;
        return true;
    }
    bool reopen() override {
        ++reopens;
        if (!reopenMends) return false;
        broken = false;
        return true;
    }
    int level = 50;
    bool broken = false;
    bool reopenMends = true;
    int reads = 0;
    int writes = 0;
    int reopens = 0;
};

TEST(VolumeKeeper, EachWorkspaceGetsItsVolumeBack) {
    VolumeKeeper keeper;
    FakeVolume device;
    EXPECT_TRUE(keeper.switchVolume(&device, 0, 0, 0, 1));  // first visit: nothing set
    EXPECT_EQ(keeper.volumeOf(0, 0), 50);
    EXPECT_EQ(keeper.volumeOf(0, 1), VolumeKeeper::kNothingRecorded);
    EXPECT_EQ(device.writes, 0);
    device.level = 20;
    EXPECT_TRUE(keeper.switchVolume(&device, 0, 1, 0, 0));
    EXPECT_EQ(device.level, 50);
    EXPECT_TRUE(keeper.switchVolume(&device, 0, 0, 0, 1));
    EXPECT_EQ(device.level, 20);
    EXPECT_FALSE(keeper.switchVolume(&device, 0, 0, 5, 1));
    EXPECT_FALSE(keeper.switchVolume(&device, -1, 0, 0, 1));
}

TEST(VolumeKeeper, FailedReadKeepsTheRecordAndTakesTheDeviceAgainOnce) {
    VolumeKeeper keeper;
    FakeVolume device;
    keeper.switchVolume(&device, 0, 0, 0, 1);
    // The default device changed: taken again once, then read.
    device.level = 70;
    device.broken = true;
    EXPECT_TRUE(keeper.switchVolume(&device, 0, 1, 0, 0));
    EXPECT_EQ(device.reopens, 1);
    EXPECT_EQ(keeper.volumeOf(0, 1), 70);
    EXPECT_EQ(device.level, 50);
    // No device at all: the records stay, nothing is set, one try each time.
    device.broken = true;
    device.reopenMends = false;
    EXPECT_FALSE(keeper.switchVolume(&device, 0, 0, 0, 1));
    EXPECT_EQ(device.reopens, 2);
    EXPECT_EQ(keeper.volumeOf(0, 0), 50);
    EXPECT_EQ(keeper.volumeOf(0, 1), 70);
    EXPECT_FALSE(keeper.switchVolume(nullptr, 0, 0, 0, 1));
}

TEST_F(ControllerTest, VolumeIsKeptOnlyWithItsSetting) {
    auto owned = std::make_unique<FakeVolume>();
    FakeVolume* device = owned.get();
    ctrl->setMasterVolume(std::move(owned));
    settings.setKeepTrayOrder(false);
    ctrl->leaveWorkspace(0, 1);
    EXPECT_EQ(device->reads, 0);
    EXPECT_EQ(ctrl->volumeOf(0, 0), VolumeKeeper::kNothingRecorded);
    settings.setKeepMixerControl(true);
    ctrl->leaveWorkspace(0, 1);
    EXPECT_EQ(ctrl->volumeOf(0, 0), 50);
}

}  // namespace
}  // namespace zelvane::testing
