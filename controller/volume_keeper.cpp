#include "controller/volume_keeper.h"

#include <optional>

namespace zelvane {

namespace {

std::optional<VolumeReading> readTwice(MasterVolume& volume) {
    if (auto reading = volume.read()) return reading;
    if (!volume.reopen()) return std::nullopt;
    return volume.read();
}

// Only on the device the level was recorded on: a device that took its
// place meanwhile keeps its own volume.
bool writeTwice(MasterVolume& volume, const std::string& device, int percent) {
    if (volume.write(device, percent)) return true;
    if (!volume.reopen()) return false;
    const auto now = volume.read();
    return now && now->device == device && volume.write(device, percent);
}

}  // namespace

std::int32_t VolumeKeeper::volumeOf(std::int32_t row, std::int32_t col, const std::string& device) const {
    if (!inWorkspaceTable(row, col)) return kNothingRecorded;
    const auto it = table_[row][col].find(device);
    return it == table_[row][col].end() ? kNothingRecorded : it->second;
}

bool VolumeKeeper::switchVolume(MasterVolume* volume, std::int32_t oldRow, std::int32_t oldCol, std::int32_t newRow,
                                std::int32_t newCol) {
    if (!volume || !inWorkspaceTable(oldRow, oldCol) || !inWorkspaceTable(newRow, newCol)) return false;
    const auto current = readTwice(*volume);
    if (!current) return false;
    table_[oldRow][oldCol][current->device] = current->percent;
    const std::int32_t wanted = volumeOf(newRow, newCol, current->device);
    if (wanted == kNothingRecorded || wanted == current->percent) return true;
    return writeTwice(*volume, current->device, wanted);
}

}  // namespace zelvane
