// The master volume under Wine through the program's own Core Audio code,
// answered by the tests' stand-in device library (tests/e2e/audio_standin):
// reading and setting the default device's volume, following the default
// device as it changes, and Zelvane keeping each workspace's volume per
// device across switches.
#include <fstream>
#include <string>

#include "coreaudio/master_volume.h"
#include "fixture.h"

namespace e2e {
namespace {

// The stand-in's devices: one file per device holding its volume, and the
// name of the default one.
class StandInAudio {
public:
    StandInAudio() {
        CreateDirectoryW(L"C:\\zlvaudio", nullptr);
        clear();
    }
    ~StandInAudio() { clear(); }
    void device(const std::string& name, int percent) { write(name, std::to_string(percent)); }
    void unplug(const std::string& name) { DeleteFileA(("C:\\zlvaudio\\" + name).c_str()); }
    void makeDefault(const std::string& name) {
        write("default", name);
        Sleep(200);  // the stand-in looks every 30 ms and tells the programs
    }
    int level(const std::string& name) const {
        std::ifstream in("C:\\zlvaudio\\" + name);
        int percent = -1;
        in >> percent;
        return percent;
    }
    static std::string id(const std::string& name) { return "{0.0.0.00000000}.zlv-" + name; }

private:
    void write(const std::string& name, const std::string& text) {
        std::ofstream("C:\\zlvaudio\\" + name, std::ios::trunc) << text;
    }
    void clear() {
        for (const char* name : {"default", "speakers", "headset", "log"}) DeleteFileA((std::string("C:\\zlvaudio\\") + name).c_str());
    }
};

TEST(EndpointVolumeTest, ReadsAndSetsTheDefaultDeviceAndFollowsItWhenItChanges) {
    StandInAudio audio;
    auto endpoint = zelvane::audio::openEndpointVolume();
    ASSERT_NE(nullptr, endpoint) << "COM could not be initialised";
    // No device: nothing to read or set.
    EXPECT_FALSE(endpoint->read());
    EXPECT_FALSE(endpoint->reopen());

    audio.device("speakers", 50);
    audio.makeDefault("speakers");
    ASSERT_TRUE(endpoint->reopen());
    const auto speakers = endpoint->read();
    ASSERT_TRUE(speakers);
    EXPECT_EQ(StandInAudio::id("speakers"), speakers->device);
    EXPECT_EQ(50, speakers->percent);
    ASSERT_TRUE(endpoint->write(speakers->device, 30));
    EXPECT_EQ(30, audio.level("speakers"));

    // A headset made the default while the speakers stay: told, not asked.
    audio.device("headset", 80);
    audio.makeDefault("headset");
    const auto headset = endpoint->read();
    ASSERT_TRUE(headset);
    EXPECT_EQ(StandInAudio::id("headset"), headset->device);
    EXPECT_EQ(80, headset->percent);
    EXPECT_FALSE(endpoint->write(speakers->device, 10));  // not the default device any more
    ASSERT_TRUE(endpoint->write(headset->device, 40));
    EXPECT_EQ(40, audio.level("headset"));
    EXPECT_EQ(30, audio.level("speakers"));
}

class VolumeSwitchTest : public ZelvaneTest {};

TEST_F(VolumeSwitchTest, EachWorkspaceGetsItsVolumeBackOnTheDeviceItWasSetOn) {
    StandInAudio audio;
    audio.device("speakers", 50);
    audio.makeDefault("speakers");
    const std::wstring home = ZelvaneProcess::freshHome(L"volume");
    std::ofstream((L"C:" + home + L"\\.zlvrc").c_str(), std::ios::binary) << "keepMixerControl=true\n";
    openOnEveryWorkspace(1);
    ZelvaneProcess* z = startZelvane(home);
    ASSERT_NE(nullptr, z);
    const auto levelBecomes = [&](const std::string& device, int percent) {
        return pollUntil([&] { return audio.level(device) == percent; });
    };

    Workspace ws = press({}, VK_RIGHT);
    ASSERT_SETTLED(ws);
    EXPECT_EQ(50, audio.level("speakers"));  // first visit: nothing set
    audio.device("speakers", 20);
    ws = press(ws, VK_LEFT);
    ASSERT_SETTLED(ws);
    EXPECT_TRUE(levelBecomes("speakers", 50)) << audio.level("speakers");
    ws = press(ws, VK_RIGHT);
    ASSERT_SETTLED(ws);
    EXPECT_TRUE(levelBecomes("speakers", 20)) << audio.level("speakers");

    // The headset becomes the default: the speakers' levels stay off it.
    audio.device("headset", 80);
    audio.makeDefault("headset");
    ws = press(ws, VK_LEFT);
    ASSERT_SETTLED(ws);
    audio.device("headset", 30);
    ws = press(ws, VK_RIGHT);
    ASSERT_SETTLED(ws);
    EXPECT_TRUE(levelBecomes("headset", 80)) << audio.level("headset");
    EXPECT_EQ(20, audio.level("speakers"));

    // Gone again: back on the speakers, each workspace has its speakers' level.
    audio.unplug("headset");
    audio.makeDefault("speakers");
    ws = press(ws, VK_LEFT);
    ASSERT_SETTLED(ws);
    EXPECT_TRUE(levelBecomes("speakers", 50)) << audio.level("speakers");
    ASSERT_TRUE(z->running());
}

}  // namespace
}  // namespace e2e
