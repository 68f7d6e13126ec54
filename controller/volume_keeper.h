#pragma once
// Each workspace's own master volume: leaving a workspace records the
// volume, entering one sets the volume recorded for it. UI thread only.
#include <array>
#include <cstdint>

#include "controller/plane.h"
#include "controller/volume.h"

namespace zelvane {

class VolumeKeeper {
public:
    static constexpr std::int32_t kNothingRecorded = -1;

    VolumeKeeper();

    // Records the volume for the old workspace, then sets the one recorded
    // for the new workspace, if any. A failed read keeps what was recorded
    // before; a failed read or write takes the device again once (the
    // default device may have changed) and tries once more. False when the
    // volume could not be read or set, or a workspace lies outside the table.
    bool switchVolume(MasterVolume* volume, std::int32_t oldRow, std::int32_t oldCol, std::int32_t newRow,
                      std::int32_t newCol);

    std::int32_t volumeOf(std::int32_t row, std::int32_t col) const { return table_[row][col]; }

private:
    std::array<std::array<std::int32_t, kMaxGrid>, kMaxGrid> table_;
};

}  // namespace zelvane
