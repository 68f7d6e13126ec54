// What a workspace remembers besides its windows and focus: the order of its
// taskbar buttons and its master volume, each kept when its setting is on.
#include "controller/wsctrl.h"

namespace zelvane {

void WSController::leaveWorkspace(std::int32_t row, std::int32_t col) {
    if (settings().keepTrayOrder) saveTrayOrder();
    if (settings().keepMixerControl) switchVolume(currentRow(), currentCol(), row, col);
}

void WSController::enterWorkspace() {
    if (settings().keepTrayOrder) restoreTrayOrder();
}

const std::vector<WindowId>& WSController::saveTrayOrder() {
    return trayOrder_.save(taskbar_.get(), currentRow(), currentCol());
}

bool WSController::restoreTrayOrder() {
    if (!taskbar_) return false;
    return trayOrder_.restore(taskbar_, currentRow(), currentCol());
}

bool WSController::switchVolume(std::int32_t oldRow, std::int32_t oldCol, std::int32_t newRow, std::int32_t newCol) {
    return volumes_.switchVolume(masterVolume_.get(), oldRow, oldCol, newRow, newCol);
}

}  // namespace zelvane
