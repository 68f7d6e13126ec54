// Which windows a switch may move: the shell's, the program's own and the
// classes the user lists are never touched.
#include "controller/wsctrl.h"

namespace zelvane {

// The settings object is asked first, whatever the name: it marks the key for
// the save, as it does for every change.
bool WSController::addExclusion(const std::string& className) {
    if (!settings_.addExclusion(className) || model_.isSystemClass(className)) return false;
    carryOut(model_.excludeClass(className));
    return true;
}

bool WSController::removeExclusion(const std::string& className) {
    // A system class's windows stay exempt, whatever the list says.
    if (!settings_.removeExclusion(className) || model_.isSystemClass(className)) return false;
    model_.includeClass(className);
    return true;
}

}  // namespace zelvane
