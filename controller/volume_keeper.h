#pragma once
// Each workspace's own master volume: leaving a workspace records the
// volume, entering one sets the volume recorded for it, if any. Volumes are
// kept per device: with a headset made the default, a workspace gets back
// the level it had on the headset, and a level recorded on the speakers is
// never put on the headset. UI thread only.
#include <cstdint>
#include <map>
#include <string>

#include "controller/plane.h"
#include "controller/volume.h"

namespace zelvane {

class VolumeKeeper {
public:
    static constexpr std::int32_t kNothingRecorded = -1;

    // Records the volume of the default device for the old workspace, then
    // sets the one recorded on that device for the new workspace, if any. A
    // failed read keeps what was recorded before; a failed read or write
    // takes the device again once (it may have gone) and tries once more,
    // on the same device only. False when the volume could not be read or
    // set, or a workspace lies outside the table.
    bool switchVolume(MasterVolume* volume, std::int32_t oldRow, std::int32_t oldCol, std::int32_t newRow,
                      std::int32_t newCol);

    std::int32_t volumeOf(std::int32_t row, std::int32_t col, const std::string& device) const;

private:
    WorkspaceTable<std::map<std::string, std::int32_t>> table_;
};

}  // namespace zelvane
