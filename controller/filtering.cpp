// Which windows a switch may move: the shell's, the program's own and the
// classes the user lists are never touched.
#include <algorithm>

#include "controller/wsctrl.h"

namespace zelvane {

bool WSController::addExclusion(const std::string& className) {
    // No window class has an empty name, and the settings file has no way
    // to hold one.
    if (className.empty()) return false;
    modified(keyName(ConfigKey::exclusions));
    if (std::find(exclusions_.begin(), exclusions_.end(), className) != exclusions_.end() ||
        model_.isSystemClass(className))
        return false;
    exclusions_.push_back(className);
    carryOut(model_.excludeClass(className));
    return true;
}

bool WSController::removeExclusion(const std::string& className) {
    modified(keyName(ConfigKey::exclusions));
    if (model_.isSystemClass(className)) return false;
    const auto it = std::find(exclusions_.begin(), exclusions_.end(), className);
    if (it != exclusions_.end()) exclusions_.erase(it);
    model_.includeClass(className);
    return true;
}

}  // namespace zelvane
