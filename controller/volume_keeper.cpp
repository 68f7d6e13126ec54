#include "controller/volume_keeper.h"

#include <optional>

namespace zelvane {

namespace {

bool inTable(std::int32_t row, std::int32_t col) { return row >= 0 && row < kMaxGrid && col >= 0 && col < kMaxGrid; }

std::optional<int> readTwice(MasterVolume& volume) {
    if (const auto percent = volume.read()) return percent;
    if (!volume.reopen()) return std::nullopt;
    return volume.read();
}

bool writeTwice(MasterVolume& volume, int percent) {
    if (volume.write(percent)) return true;
    return volume.reopen() && volume.write(percent);
}

}  // namespace

VolumeKeeper::VolumeKeeper() {
    for (auto& row : table_) row.fill(kNothingRecorded);
}

bool VolumeKeeper::switchVolume(MasterVolume* volume, std::int32_t oldRow, std::int32_t oldCol, std::int32_t newRow,
                                std::int32_t newCol) {
    if (!volume || !inTable(oldRow, oldCol) || !inTable(newRow, newCol)) return false;
    const auto current = readTwice(*volume);
    if (!current) return false;
    table_[oldRow][oldCol] = *current;
    const std::int32_t wanted = table_[newRow][newCol];
    if (wanted == kNothingRecorded || wanted == *current) return true;
    return writeTwice(*volume, wanted);
}

}  // namespace zelvane
