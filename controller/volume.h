#pragma once
// The master volume as the per-workspace volume keeper sees it. The Windows
// side is the default playback endpoint (Core Audio) or, on systems older
// than Windows 6.0, the speaker line of the first legacy mixer.
#include <optional>

namespace zelvane {

class MasterVolume {
public:
    virtual ~MasterVolume() = default;
    // All three are called on the UI thread only and do not wait for other
    // programs (the audio service answers at once or fails).
    // The volume in percent (0..100), or nothing when it cannot be read.
    virtual std::optional<int> read() = 0;
    // Sets the volume; false when it could not be set.
    virtual bool write(int percent) = 0;
    // Lets go of the device and takes the current default one again (the
    // user may have switched devices). False when there is none.
    virtual bool reopen() = 0;
};

}  // namespace zelvane
