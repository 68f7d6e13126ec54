#pragma once
// The master volume of this machine: the default playback endpoint through
// Core Audio on Windows 6.0 and later, the first legacy mixer's speaker line
// below that. UI thread only: the Core Audio object keeps COM initialised on
// the thread that opened it for as long as it lives.
#include <memory>

#include "controller/volume.h"

namespace zelvane::audio {

// Chooses by the Windows version. Null when COM cannot be used at all; an
// object without a device answers nothing until a device appears.
std::unique_ptr<MasterVolume> openMasterVolume();

// Each kind on its own, for the tests.
std::unique_ptr<MasterVolume> openEndpointVolume();
std::unique_ptr<MasterVolume> openLegacyMixerVolume();

}  // namespace zelvane::audio
