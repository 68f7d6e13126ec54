// Which windows a switch may move: the shell's, the program's own and the
// classes the user lists are never touched.
#include <algorithm>

#include "controller/wsctrl.h"

namespace zelvane {

namespace {

constexpr std::uint32_t kPlayerSkinStyleShown = 0x96000000;   // popup, visible, clip siblings and children
constexpr std::uint32_t kPlayerSkinStyleHidden = 0x86000000;  // the same, not visible

bool contains(const std::vector<std::string>& list, const std::string& name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

}  // namespace

ExemptReason WSController::exemptReason(const std::string& className, std::uint32_t style) const {
    if (contains(systemClasses_, className)) return ExemptReason::SystemClass;
    if (settings_.isExcluded(className)) return ExemptReason::Excluded;
    if (className == "WMP Skin Host" && (style == kPlayerSkinStyleShown || style == kPlayerSkinStyleHidden))
        return ExemptReason::PlayerSkin;
    return ExemptReason::None;
}

// The settings object is asked first, whatever the name: it marks the key for
// the save, as it does for every change.
bool WSController::addExclusion(const std::string& className) {
    if (!settings_.addExclusion(className) || contains(systemClasses_, className)) return false;
    showNewlyExempt(className);
    for (auto& [w, info] : windows_)
        if (!info.exempt && info.className == className) info.exempt = true;
    return true;
}

// A window of the class that is hidden on another workspace would never be
// shown again once it is exempt: bring it onto the current workspace first,
// where it sat on its own.
void WSController::showNewlyExempt(const std::string& className) {
    const Plane p = plane();
    for (const auto& [w, info] : windows_) {
        if (info.exempt || !info.managed || info.className != className || info.isOnCurrentWS(p)) continue;
        place(w, info.minimized ? std::nullopt : std::optional<Point>(info.homeScreenPosition(p)), true);
    }
    desktop_->flushPlacements();
}

bool WSController::removeExclusion(const std::string& className) {
    // A system class's windows stay exempt, whatever the list says.
    if (!settings_.removeExclusion(className) || contains(systemClasses_, className)) return false;
    for (auto& [w, info] : windows_)
        if (info.exempt && info.className == className) info.exempt = false;
    return true;
}

}  // namespace zelvane
