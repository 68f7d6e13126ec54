#pragma once
// The master volume as the per-workspace volume keeper sees it: the volume of
// the default playback device, and which device that is. The Windows side is
// the default playback endpoint (Core Audio), which it follows as the user
// changes it, or, on systems older than Windows 6.0, the speaker line of the
// first legacy mixer.
#include <optional>
#include <string>

namespace zelvane {

struct VolumeReading {
    std::string device;  // names the device for as long as it exists (an endpoint ID)
    int percent = 0;     // 0..100
};

class MasterVolume {
public:
    virtual ~MasterVolume() = default;
    // All three are called on the UI thread only and do not wait for other
    // programs (the audio service answers at once or fails).
    // The default device now and its volume; nothing when there is no
    // device or it cannot be read.
    virtual std::optional<VolumeReading> read() = 0;
    // Sets the volume of `device`: false when that is not the default device
    // any more, or the volume could not be set.
    virtual bool write(const std::string& device, int percent) = 0;
    // Lets go of the device and takes the current default one again. False
    // when there is none.
    virtual bool reopen() = 0;
};

}  // namespace zelvane
